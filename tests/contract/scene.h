// The contract suite's view of a desktop: what a test needs to set up windows, whatever
// backend answers the seam's calls. contract_tests.cpp builds its scenes only through this
// interface and then checks the seam's answers (platform/window.h, platform/process.h), so
// the same tests pin the simulated desktop (scene_sim.cpp) and the real one (the win32
// scene, under Wine).
//
// For implementers:
// - "Own" windows belong to the test program's process and thread, created with plain
//   window classes whose procedure is the default one (RegisterClassA + DefWindowProcA);
//   the scene registers a class the first time it sees its name.
// - "Foreign" windows belong to one second process that the scene starts on first use and
//   ends with the scene; they too use plain classes. Its module's base name and full path
//   are reported by foreignProcess().
// - Rectangles are in screen coordinates for top-level windows and in the parent's client
//   coordinates for children, as CreateWindowEx takes them.
// - Every call returns only when the windows have done it: a scene that talks to the
//   second process waits for its answer.
// - A scene is made fresh for every test (makeScene) and destroys what it made when it goes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "tests/support/testing.h"

namespace contract {

struct WindowSpec {
    std::string className = "ContractWindow";
    std::string text;  // ANSI bytes
    std::uint32_t style = platform::kWsOverlappedWindow | platform::kWsVisible;
    std::uint32_t exStyle = 0;
    platform::Rect rect{120, 120, 520, 420};
    std::int32_t id = 0;     // children: the control identifier
    platform::Hwnd owner{};  // top-level own windows: owner (may be a foreign window)
};

struct ForeignProcess {
    std::uint32_t processId = 0;
    std::string moduleBaseName;  // as GetModuleBaseNameA reports it
    std::string modulePath;      // as GetModuleFileNameExA reports it
};

class Scene {
public:
    virtual ~Scene() = default;

    // A top-level window of this process.
    virtual platform::Hwnd createTopLevel(const WindowSpec& recipe) = 0;
    // A child window (WS_CHILD is added) of an own or foreign window, in the parent's process.
    virtual platform::Hwnd createChild(platform::Hwnd parent, const WindowSpec& recipe) = 0;
    // A top-level window of the second process.
    virtual platform::Hwnd createForeignTopLevel(const WindowSpec& recipe) = 0;
    virtual ForeignProcess foreignProcess() = 0;

    // Changes made the way the window's own thread makes them.
    virtual void setText(platform::Hwnd hwnd, std::string_view ansi) = 0;
    virtual void setVisible(platform::Hwnd hwnd, bool visible) = 0;  // ShowWindow SW_SHOW / SW_HIDE
    virtual void minimise(platform::Hwnd hwnd) = 0;                  // ShowWindow SW_MINIMIZE
    // Own windows: DestroyWindow. Foreign windows: the second process destroys it (WM_CLOSE to
    // a default procedure does) and the call returns once it is gone.
    virtual void destroy(platform::Hwnd hwnd) = 0;

    // The second process's window thread stops answering messages for ms milliseconds,
    // starting now; the call returns at once.
    virtual void hangForeign(std::uint32_t ms) = 0;
    // The second process ends; the call returns once it has. Nothing foreign is made after.
    virtual void endForeign() = 0;
    // Lets the backend run pending work for a while (the own thread's messages; on the
    // simulated desktop, virtual time).
    virtual void wait(std::uint32_t ms) = 0;
};

// The backend's scene; each test program links exactly one implementation.
std::unique_ptr<Scene> makeScene();

}  // namespace contract
