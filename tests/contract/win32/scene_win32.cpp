// The contract scene on the real desktop, under Wine: own windows are plain windows of this
// thread; foreign ones belong to ContractPeer.exe, which makes and changes them on request.
#include <windows.h>

#include <chrono>
#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "peer_client.h"
#include "scene.h"
#include "platform/win32/win32_handles.h"

namespace contract {

namespace {

using platform::Hwnd;

HWND win(Hwnd h) {
    return platform::win32::toWin(h);
}
Hwnd seam(HWND h) {
    return platform::win32::fromWin(h);
}

std::string number(std::int64_t value) {
    return std::to_string(value);
}

std::string hexHandle(Hwnd h) {
    char text[16];
    std::snprintf(text, sizeof(text), "0x%08x", static_cast<unsigned>(platform::handleValue(h)));
    return text;
}

bool isOwn(Hwnd h) {
    DWORD pid = 0;
    return GetWindowThreadProcessId(win(h), &pid) != 0 && pid == GetCurrentProcessId();
}

class Win32Scene : public Scene {
public:
    ~Win32Scene() override {
        // Newest first, so that children and owned windows go before their parents.
        for (auto it = own_.rbegin(); it != own_.rend(); ++it) {
            if (IsWindow(*it)) DestroyWindow(*it);
        }
        pump(0);
    }

    Hwnd createTopLevel(const WindowSpec& recipe) override {
        return makeOwn(recipe, win(recipe.owner), recipe.style & ~platform::kWsChild, nullptr);
    }

    Hwnd createChild(Hwnd parent, const WindowSpec& recipe) override {
        if (isOwn(parent)) {
            return makeOwn(recipe, win(parent), recipe.style | platform::kWsChild,
                           reinterpret_cast<HMENU>(static_cast<INT_PTR>(recipe.id)));
        }
        const std::string command = "child " + hexHandle(parent) + " " + geometry(recipe) + " " +
                                    number(static_cast<std::uint32_t>(recipe.id)) + " " +
                                    toHex(recipe.className) + " " + toHex(recipe.text);
        return platform::toHwnd(peer().askHandle(command));
    }

    Hwnd createForeignTopLevel(const WindowSpec& recipe) override {
        const std::string command = "top " + geometry(recipe) + " " + hexHandle(recipe.owner) + " " +
                                    toHex(recipe.className) + " " + toHex(recipe.text);
        return platform::toHwnd(peer().askHandle(command));
    }

    ForeignProcess foreignProcess() override {
        ForeignProcess process;
        const std::string answer = peer().ask("module");
        const auto blank = answer.find(' ');
        if (blank == std::string::npos) return process;
        process.processId = static_cast<std::uint32_t>(std::strtoul(answer.c_str(), nullptr, 10));
        process.modulePath = fromHex(answer.substr(blank + 1));
        const auto slash = process.modulePath.find_last_of('\\');
        process.moduleBaseName = process.modulePath.substr(slash == std::string::npos ? 0 : slash + 1);
        return process;
    }

    void setText(Hwnd hwnd, std::string_view ansi) override {
        if (isOwn(hwnd)) {
            SetWindowTextA(win(hwnd), std::string(ansi).c_str());
        } else {
            peer().ask("text " + hexHandle(hwnd) + " " + toHex(ansi));
        }
    }

    void setVisible(Hwnd hwnd, bool visible) override { show(hwnd, visible ? SW_SHOW : SW_HIDE); }
    void minimise(Hwnd hwnd) override { show(hwnd, SW_MINIMIZE); }

    void destroy(Hwnd hwnd) override {
        if (isOwn(hwnd)) {
            DestroyWindow(win(hwnd));
        } else {
            peer().ask("destroy " + hexHandle(hwnd));
        }
    }

    void hangForeign(std::uint32_t ms) override { peer().ask("hang " + number(ms)); }

    void endForeign() override { peer_.reset(); }

    void wait(std::uint32_t ms) override { pump(ms); }

private:
    static std::string geometry(const WindowSpec& recipe) {
        return number(recipe.rect.left) + " " + number(recipe.rect.top) + " " + number(recipe.rect.width()) +
               " " + number(recipe.rect.height()) + " " + number(recipe.style) + " " + number(recipe.exStyle);
    }

    // Own windows use the default procedure, like the second process's.
    static void registerClass(const std::string& name) {
        static std::set<std::string> registered;
        if (registered.insert(name).second) registerPlainClass(name);
    }

    Hwnd makeOwn(const WindowSpec& recipe, HWND parentOrOwner, std::uint32_t style, HMENU menuOrId) {
        registerClass(recipe.className);
        const HWND hwnd =
            CreateWindowExA(recipe.exStyle, recipe.className.c_str(), recipe.text.c_str(), style,
                            recipe.rect.left, recipe.rect.top, recipe.rect.width(), recipe.rect.height(),
                            parentOrOwner, menuOrId, GetModuleHandleA(nullptr), nullptr);
        if (hwnd) own_.push_back(hwnd);
        return seam(hwnd);
    }

    void show(Hwnd hwnd, int command) {
        if (isOwn(hwnd)) {
            ShowWindow(win(hwnd), command);
        } else {
            peer().ask("show " + hexHandle(hwnd) + " " + number(command));
        }
    }

    // Dispatches this thread's messages for ms milliseconds (at least once).
    static void pump(std::uint32_t ms) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        for (;;) {
            MSG m{};
            while (PeekMessageA(&m, nullptr, 0, 0, PM_REMOVE)) {
                TranslateMessage(&m);
                DispatchMessageA(&m);
            }
            const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) return;
            MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(left.count()), QS_ALLINPUT);
        }
    }

    PeerProcess& peer() {
        if (!peer_) peer_ = std::make_unique<PeerProcess>();
        return *peer_;
    }

    std::vector<HWND> own_;
    std::unique_ptr<PeerProcess> peer_;
};

}  // namespace

std::unique_ptr<Scene> makeScene() {
    return std::make_unique<Win32Scene>();
}

}  // namespace contract
