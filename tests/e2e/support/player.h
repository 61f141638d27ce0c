// The imitation player as a test sees it: started with its options, ready once it has
// reported its windows, ended when the test lets go of it.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tests/support/testing.h"
#include "platform/types.h"

namespace e2e {

struct PlayerOptions {
    std::string videoClass = "WMP";            // --class: WMP or EVR
    std::string title{};                       // --title; the player's own default when empty
    std::optional<platform::Rect> position{};  // --pos X Y W H (left, top, width, height)
    bool grandchild = false;                   // --grandchild: the video window one level deeper
    bool decoys = false;                       // --decoys
    bool fixed = false;                        // --fixed
    std::optional<int> hangSeconds{};          // --hang N
    std::vector<std::string> extra{};          // any further arguments, passed as they are
};

class ImitationPlayer {
public:
    // Starts the player and waits (running this thread's messages) until it reports its
    // windows. Null on failure, with the reason in error.
    static std::unique_ptr<ImitationPlayer> start(
        const PlayerOptions& options, std::string& error,
        std::chrono::milliseconds timeout = std::chrono::seconds(20));
    ~ImitationPlayer();
    ImitationPlayer(const ImitationPlayer&) = delete;
    ImitationPlayer& operator=(const ImitationPlayer&) = delete;

    platform::Hwnd window() const { return window_; }
    platform::Hwnd video() const { return video_; }
    std::uint32_t processId() const { return processId_; }
    // Ends the player now (also done on destruction). True when it is gone.
    bool stop();

    // The player program (Windows path), as built beside the tests.
    static std::string programPath();

private:
    ImitationPlayer() = default;
    platform::ProcessHandle process_;
    std::uint32_t processId_ = 0;
    std::string reportFile_;
    platform::Hwnd window_{};
    platform::Hwnd video_{};
};

// "0x%08x", as the program shows handles.
std::string hex(platform::Hwnd hwnd);

}  // namespace e2e
