#include "inventory/win_inf.h"

#include <array>

#include "platform/window.h"

namespace {

constexpr int kChildTextBuffer = 512;
constexpr int kChildTextCount = kChildTextBuffer - 1;  // 511: at most 510 bytes come back

int addChildCallback(platform::Hwnd child, std::uintptr_t context) {
    reinterpret_cast<CWinInf*>(context)->addChild(child);
    return 1;  // always go on: a scan visits every descendant
}

}  // namespace

void CWinInf::scanChildren() {
    if (!platform::isWindow(hwnd)) return;
    children.clear();
    platform::enumChildWindows(hwnd, &addChildCallback, reinterpret_cast<std::uintptr_t>(this));
}

void CWinInf::addChild(platform::Hwnd child) {
    CChildWinInf record;
    if (!platform::isWindowVisible(child)) return;
    if (!platform::isWindowEnabled(child)) return;
    // The query is bounded in the platform: a child whose thread does not answer has no text.
    record.text = platform::sendGetTextA(child, kChildTextCount);
    if (record.text.empty()) return;
    platform::getWindowInfo(child, record.info);
    record.className = platform::getClassNameA(child, kChildTextCount);
    record.hwnd = child;
    record.ctrlId = platform::getDlgCtrlId(child);
    children.push_back(record);
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
