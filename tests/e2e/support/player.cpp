#include "player.h"

#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>

#include "pump.h"

#ifndef CLIPVEIL_PLAYER_PATH
#error "CLIPVEIL_PLAYER_PATH must name the imitation player program"
#endif

namespace e2e {

namespace {

// Wine shows the Unix file system as drive Z:.
std::string windowsPath(std::string path) {
    if (path.empty() || path.front() != '/') return path;
    for (char& c : path) {
        if (c == '/') c = '\\';
    }
    return "Z:" + path;
}

std::string quoted(const std::string& argument) {
    if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
    std::string out = "\"";
    for (char c : argument) {
        if (c == '"') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::string uniqueReportName() {
    static unsigned counter = 0;
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    std::ostringstream name;
    name << "e2e-player-" << ticks << "-" << ++counter << ".report";
    return name.str();
}

// "ready <hwnd-hex> <video-hwnd-hex>", complete with its line end.
bool readReport(const std::string& file, platform::Hwnd& window, platform::Hwnd& video) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return false;
    const std::string content((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (content.find('\n') == std::string::npos) return false;
    std::istringstream line(content);
    std::string word;
    std::uint32_t w = 0;
    std::uint32_t v = 0;
    if (!(line >> word) || word != "ready") return false;
    if (!(line >> std::hex >> w >> v)) return false;
    window = platform::toHwnd(w);
    video = platform::toHwnd(v);
    return true;
}

}  // namespace

std::string ImitationPlayer::programPath() {
    return windowsPath(CLIPVEIL_PLAYER_PATH);
}

std::unique_ptr<ImitationPlayer> ImitationPlayer::start(const PlayerOptions& options, std::string& error,
                                                        std::chrono::milliseconds timeout) {
    std::unique_ptr<ImitationPlayer> player(new ImitationPlayer);
    player->reportFile_ = uniqueReportName();
    std::remove(player->reportFile_.c_str());

    std::string line = quoted(programPath());
    const auto add = [&line](const std::string& argument) { line += " " + quoted(argument); };
    add("--class");
    add(options.videoClass);
    if (!options.title.empty()) {
        add("--title");
        add(options.title);
    }
    if (options.position) {
        const platform::Rect& r = *options.position;
        add("--pos");
        for (int value : {r.left, r.top, r.width(), r.height()}) add(std::to_string(value));
    }
    if (options.grandchild) add("--grandchild");
    if (options.decoys) add("--decoys");
    if (options.fixed) add("--fixed");
    if (options.hangSeconds) {
        add("--hang");
        add(std::to_string(*options.hangSeconds));
    }
    for (const std::string& argument : options.extra) add(argument);
    add("--report");
    add(player->reportFile_);

    auto spawned = platform::testing::spawnProcess(line);
    if (!spawned) {
        error = "could not start " + line;
        return nullptr;
    }
    player->process_ = std::move(spawned->process);
    player->processId_ = spawned->processId;

    std::optional<std::uint32_t> exited;
    const bool ready = pumpUntil(
        [&] {
            if (readReport(player->reportFile_, player->window_, player->video_)) return true;
            exited = platform::testing::waitForExit(player->process_, 0);
            return exited.has_value();
        },
        timeout);
    if (!ready || exited) {
        error =
            exited ? "the player ended with code " + std::to_string(*exited) + " before it was ready: " + line
                   : "the player reported no windows in time: " + line;
        return nullptr;  // the destructor ends the process
    }
    return player;
}

bool ImitationPlayer::stop() {
    if (!process_) return true;
    const bool gone = platform::testing::terminateProcess(process_, 1);
    process_.reset();
    return gone;
}

ImitationPlayer::~ImitationPlayer() {
    stop();
    std::remove(reportFile_.c_str());
}

std::string hex(platform::Hwnd hwnd) {
    char text[16];
    std::snprintf(text, sizeof text, "0x%08x", static_cast<unsigned>(platform::handleValue(hwnd)));
    return text;
}

}  // namespace e2e
