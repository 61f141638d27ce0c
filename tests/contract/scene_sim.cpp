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

    Hwnd createTopLevel(const WindowSpec& recipe) override {
        return make(recipe, desktop().ownProcessId(), {});
    }

    Hwnd createChild(Hwnd parent, const WindowSpec& recipe) override {
        const auto state = desktop().state(parent);
        if (!state) return platform::kNoWindow;
        // The recipe is in the parent's client coordinates; the sim takes screen coordinates.
        WindowSpec screen = recipe;
        screen.rect =
            platform::Rect{recipe.rect.left + state->client.left, recipe.rect.top + state->client.top,
                           recipe.rect.right + state->client.left, recipe.rect.bottom + state->client.top};
        return make(screen, state->processId, parent);
    }

    Hwnd createForeignTopLevel(const WindowSpec& recipe) override {
        return make(recipe, foreign_.processId, {});
    }

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

    void endForeign() override { desktop().endProcess(foreign_.processId); }

    void wait(std::uint32_t ms) override { desktop().advance(ms); }

private:
    Hwnd make(const WindowSpec& recipe, std::uint32_t processId, Hwnd parent) {
        platform::sim::WindowSpec s;
        s.className = recipe.className;
        s.text = recipe.text;
        s.style = recipe.style;
        s.exStyle = recipe.exStyle;
        s.rect = recipe.rect;
        s.id = recipe.id;
        s.processId = processId;
        s.owner = recipe.owner;
        return parent == platform::kNoWindow ? desktop().createWindow(s) : desktop().createChild(parent, s);
    }

    ForeignProcess foreign_;
};

}  // namespace

std::unique_ptr<Scene> makeScene() {
    return std::make_unique<SimScene>();
}

}  // namespace contract
