// The cost of one tick of the tracking timer over the simulated desktop, as the desktop
// grows: a searching tick (no player, so every window and every descendant is examined)
// and a tracking tick (a player held, so only its descendants are examined).
//
// The desktop is built once per shape and kept while the benchmark runs; the ticks are the
// real ones, fired by running the sim's message loop for one timer period.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <tuple>

#include "engine/ctrol_panel.h"
#include "engine/user_panel_notice.h"
#include "platform/sim/desktop.h"
#include "platform/system.h"

namespace {

using platform::Hwnd;
using platform::sim::desktop;
using platform::sim::WindowSpec;

// Takes the notices by value, as the user panel does, so their copies are paid for.
struct DiscardNotices : IUserPanelNotice {
    void componentFound(CWinInf target, CChildWinInf component) override {
        benchmark::DoNotOptimize(target.hwnd);
        benchmark::DoNotOptimize(component.hwnd);
    }
    void targetLost() override {}
};

// Descendants come in groups of four: one child of the top-level window with three children
// of its own, so the enumeration walks a real tree. Every one passes the inventory's tests
// (visible, enabled, with text), the costliest case.
void addDescendants(Hwnd top, int count) {
    static const char* const kClasses[] = {"Button", "Static", "Edit", "ComboBox"};
    Hwnd group{};
    for (int i = 0; i < count; ++i) {
        WindowSpec recipe;
        recipe.className = kClasses[i % 4];
        recipe.text = "Item " + std::to_string(i);
        recipe.style = platform::kWsChild | platform::kWsVisible;
        recipe.rect = {110, 130 + (i % 20) * 20, 300, 148 + (i % 20) * 20};
        recipe.id = 1000 + i;
        if (i % 4 == 0) {
            group = desktop().createChild(top, recipe);
        } else {
            desktop().createChild(group, recipe);
        }
    }
}

Hwnd addApplication(int index, int descendants, const std::string& videoClass = {}) {
    platform::sim::ProcessSpec process;
    process.modules = {
        {"app" + std::to_string(index) + ".exe", "C:\\Apps\\app" + std::to_string(index) + ".exe"}};
    WindowSpec frame;
    frame.className = "AppFrame";
    frame.text = "Application " + std::to_string(index);
    frame.rect = {100 + index % 50, 100 + index % 40, 740 + index % 50, 580 + index % 40};
    frame.processId = desktop().addProcess(process);
    const Hwnd top = desktop().createWindow(frame);
    addDescendants(top, descendants);
    if (!videoClass.empty()) {
        WindowSpec video;
        video.className = videoClass;
        video.text = "Video";
        video.style = platform::kWsChild | platform::kWsVisible;
        video.rect = {frame.rect.left + 4, frame.rect.top + 23, frame.rect.right - 4, frame.rect.bottom - 44};
        desktop().createChild(top, video);  // last: findChild walks every record before it
    }
    return top;
}

// One desktop with its host window and control panel, as the program's main window has them.
class Scene {
public:
    Scene(int topLevel, int descendants, bool withPlayer) {
        auto& d = desktop();
        d.reset();
        WindowSpec host;
        host.className = "Host";
        host.text = "Clipveil";
        host.rect = {1200, 100, 1500, 400};
        host_ = d.createWindow(host);
        platform::setMainWindow(host_);
        theUserPanel = &notices_;
        for (int i = 0; i < topLevel; ++i) addApplication(i, descendants);
        if (withPlayer) player_ = addApplication(topLevel, descendants, kWmpVideoClass);
        panel_ = std::make_unique<CCtrolPanelDlg>();
        if (!panel_->Create(host_)) {
            error_ = "the control panel was not created";
            return;
        }
        panel_->ShowWindow(platform::kSwShow);
        panel_->startTimer();
        tick();
        if (withPlayer && (panel_->hasTarget != 1 || panel_->target.hwnd != player_)) {
            error_ = "the player was not taken as the target";
        } else if (!withPlayer && panel_->hasTarget != 0) {
            error_ = "a target was found on a desktop without a player";
        }
    }
    ~Scene() {
        panel_->DestroyWindow();
        panel_.reset();
        theUserPanel = nullptr;
        theCtrolPanel = nullptr;
        platform::setMainWindow(platform::kNoWindow);
    }

    void tick() {
        desktop().advance(CCtrolPanelDlg::kTrackingPeriodMs);
        // Every tick logs the two handle fields it writes; keep the log from growing.
        desktop().clearCalls();
    }
    const std::string& error() const { return error_; }
    const CCtrolPanelDlg& panel() const { return *panel_; }

private:
    Hwnd host_{};
    Hwnd player_{};
    DiscardNotices notices_;
    std::unique_ptr<CCtrolPanelDlg> panel_;
    std::string error_;
};

// Building 200 000 windows takes a while: keep the last scene while its shape is asked again.
// Dropped by main before the sim's desktop goes away at exit.
std::unique_ptr<Scene> scene;
std::optional<std::tuple<int, int, bool>> shape;

Scene& sceneFor(int topLevel, int descendants, bool withPlayer) {
    const auto wanted = std::make_tuple(topLevel, descendants, withPlayer);
    if (!scene || shape != wanted) {
        scene.reset();
        scene = std::make_unique<Scene>(topLevel, descendants, withPlayer);
        shape = wanted;
    }
    return *scene;
}

void BM_SearchTick(benchmark::State& state) {
    const int topLevel = static_cast<int>(state.range(0));
    const int descendants = static_cast<int>(state.range(1));
    Scene& scene = sceneFor(topLevel, descendants, false);
    if (!scene.error().empty()) {
        state.SkipWithError(scene.error().c_str());
        return;
    }
    for (auto _ : state) scene.tick();
    const std::int64_t windows = std::int64_t{topLevel} * (1 + descendants);
    state.SetComplexityN(windows);
    state.counters["windows"] = static_cast<double>(windows);
    state.counters["per_window"] =
        benchmark::Counter(static_cast<double>(windows),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["listed"] = static_cast<double>(scene.panel().windowList.size());
}

void BM_TrackingTick(benchmark::State& state) {
    const int topLevel = static_cast<int>(state.range(0));
    const int descendants = static_cast<int>(state.range(1));
    Scene& scene = sceneFor(topLevel, descendants, true);
    if (!scene.error().empty()) {
        state.SkipWithError(scene.error().c_str());
        return;
    }
    for (auto _ : state) scene.tick();
    if (scene.panel().hasTarget != 1) state.SkipWithError("the target was lost while tracking");
    // A held target costs its own descendants only: that is what the fit is over.
    const std::int64_t examined = descendants + 1;
    state.SetComplexityN(examined);
    state.counters["windows"] =
        static_cast<double>(std::int64_t{topLevel} * (1 + descendants) + examined + 1);
    state.counters["per_window"] =
        benchmark::Counter(static_cast<double>(examined),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void desktopShapes(benchmark::internal::Benchmark* b) {
    for (int topLevel : {10, 100, 1000}) {
        for (int descendants : {0, 20, 200}) b->Args({topLevel, descendants});
    }
}

BENCHMARK(BM_SearchTick)->Apply(desktopShapes)->Complexity()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_TrackingTick)->Apply(desktopShapes)->Complexity()->Unit(benchmark::kMicrosecond);

}  // namespace

int main(int argc, char** argv) {
    if (!platform::sim::loadResourceFile(CLIPVEIL_RES_FILE)) {
        std::fprintf(stderr, "sim_tick_bench: cannot read %s\n", CLIPVEIL_RES_FILE);
        return 1;
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    // Outside debug mode the program's diagnostic lines go to the null device; so here.
    // The results are written to standard error instead.
    if (!std::freopen("/dev/null", "w", stdout)) return 1;
    benchmark::ConsoleReporter console;
    console.SetOutputStream(&std::cerr);
    console.SetErrorStream(&std::cerr);
    benchmark::RunSpecifiedBenchmarks(&console);
    scene.reset();
    benchmark::Shutdown();
    return 0;
}
