#include "inventory/win_inf.h"

#include <array>

#include "platform/window.h"

namespace {

constexpr int kChildTextBuffer = 512;
constexpr int kChildTextCount = kChildTextBuffer - 1;  // 511: at most 510 bytes come back

struct VideoScan {
    CWinInf* record;
    std::set<std::uint32_t>* silentThreads;
};

bool isVideoClass(const std::string& className) {
    for (const char* video : kVideoClasses) {
        if (className == video) return true;
    }
    return false;
}

int addVideoChildCallback(platform::Hwnd child, std::uintptr_t context) {
    auto& scan = *reinterpret_cast<VideoScan*>(context);
    // The class is the most selective question, and like the id it sends nothing to the child.
    const std::string className = platform::getClassNameA(child, kChildTextCount);
    if (!isVideoClass(className)) return 1;
    if (platform::getDlgCtrlId(child) != kVideoCtrlId) return 1;
    if (!platform::isWindowVisible(child) || !platform::isWindowEnabled(child)) return 1;
    // The thread is looked up only once one has not answered: most ticks none has.
    auto& silent = *scan.silentThreads;
    if (!silent.empty() && silent.count(platform::getWindowThreadProcessId(child, nullptr))) return 1;
    CChildWinInf record;
    bool answered = true;
    record.text = platform::sendGetTextA(child, kChildTextCount, &answered);
    if (!answered) {
        const std::uint32_t thread = platform::getWindowThreadProcessId(child, nullptr);
        if (thread != 0) silent.insert(thread);  // counts as no text for the rest of the tick
    }
    if (record.text.empty()) return 1;
    platform::getWindowInfo(child, record.info);
    record.className = className;
    record.hwnd = child;
    record.ctrlId = kVideoCtrlId;
    scan.record->children.push_back(record);
    return 1;
}

}  // namespace

void CWinInf::scanVideoChildren(std::set<std::uint32_t>& silentThreads) {
    if (!platform::isWindow(hwnd)) return;
    children.clear();
    VideoScan scan{this, &silentThreads};
    platform::enumChildWindows(hwnd, &addVideoChildCallback, reinterpret_cast<std::uintptr_t>(&scan));
}

int CWinInf::findChild(std::string className, std::int32_t ctrlId, CChildWinInf& out) const {
    for (const CChildWinInf& child : children) {
        if (child.className == className && child.ctrlId == ctrlId) {
            out = child;
            return 1;
        }
    }
    return 0;
}
