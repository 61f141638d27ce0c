// The contract scene on the simulated desktop: own windows belong to the test program's
// process, foreign ones to a second process with a known module.
#include "platform/sim/desktop.h"
#include "scene.h"

namespace contract {

namespace {

using platform::Hwnd;
using platform::sim::desktop;

class SimScene : public Scene {
public:
    SimScene() {
        desktop().reset();
        platform::sim::ProcessSpec peer;
        peer.modules = {{"ContractPeer.exe", "C:\\contract\\ContractPeer.exe"}};
        foreign_.processId = desktop().addProcess(peer);
        foreign_.moduleBaseName = "ContractPeer.exe";
        foreign_.modulePath = "C:\\contract\\ContractPeer.exe";
    }

    Hwnd createTopLevel(const WindowSpec& spec) override { return make(spec, desktop().ownProcessId(), {}); }

    Hwnd createChild(Hwnd parent, const WindowSpec& spec) override {
        const auto state = desktop().state(parent);
        if (!state) return platform::kNoWindow;
        // The spec is in the parent's client coordinates; the sim takes screen coordinates.
        WindowSpec screen = spec;
        screen.rect =
            platform::Rect{spec.rect.left + state->client.left, spec.rect.top + state->client.top,
                           spec.rect.right + state->client.left, spec.rect.bottom + state->client.top};
        return make(screen, state->processId, parent);
    }

    Hwnd createForeignTopLevel(const WindowSpec& spec) override { return make(spec, foreign_.processId, {}); }

    ForeignProcess foreignProcess() override { return foreign_; }

    void setText(Hwnd hwnd, std::string_view ansi) override { desktop().setText(hwnd, ansi); }
    void setVisible(Hwnd hwnd, bool visible) override { desktop().show(hwnd, visible); }
    void minimise(Hwnd hwnd) override { desktop().minimise(hwnd); }
    void destroy(Hwnd hwnd) override { desktop().destroy(hwnd); }

    void hangForeign(std::uint32_t ms) override {
        desktop().setProcessHung(foreign_.processId, true);
        const std::uint32_t pid = foreign_.processId;
        desktop().after(ms, [pid] { desktop().setProcessHung(pid, false); });
    }

    void wait(std::uint32_t ms) override { desktop().advance(ms); }

private:
    Hwnd make(const WindowSpec& spec, std::uint32_t processId, Hwnd parent) {
        platform::sim::WindowSpec s;
        s.className = spec.className;
        s.text = spec.text;
        s.style = spec.style;
        s.exStyle = spec.exStyle;
        s.rect = spec.rect;
        s.id = spec.id;
        s.processId = processId;
        s.owner = spec.owner;
        return parent == platform::kNoWindow ? desktop().createWindow(s) : desktop().createChild(parent, s);
    }

    ForeignProcess foreign_;
};

}  // namespace

std::unique_ptr<Scene> makeScene() {
    return std::make_unique<SimScene>();
}

}  // namespace contract
