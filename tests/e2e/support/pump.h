// Waiting in the Windows tests: the thread keeps running its messages while a condition is
// awaited, and every wait has a bound.
#pragma once

#include <algorithm>
#include <chrono>

#include "tests/support/testing.h"

namespace e2e {

// Runs this thread's messages until ready() holds or timeout has passed; true when it held.
template <class Predicate>
bool pumpUntil(Predicate ready, std::chrono::milliseconds timeout) {
    using Clock = std::chrono::steady_clock;
    const auto end = Clock::now() + timeout;
    for (;;) {
        platform::testing::pumpMessages();
        if (ready()) return true;
        const auto now = Clock::now();
        if (now >= end) return false;
        // Wakes at once for a message; polls conditions outside this process every 10 ms.
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(end - now);
        platform::testing::waitForMessages(static_cast<std::uint32_t>(std::min<long long>(left.count(), 10)));
    }
}

// Runs this thread's messages for a fixed time: for checking that something does NOT happen.
inline void pumpFor(std::chrono::milliseconds duration) {
    pumpUntil([] { return false; }, duration);
}

}  // namespace e2e
