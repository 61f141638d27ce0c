// One owner for every system handle the program closes itself: process handles, regions,
// brushes. Traits name the handle type, its null value and how to close it.
#pragma once

#include <utility>

namespace platform {

// Owns one handle and closes it once; moves, never copies. Ownership that passes to the
// system is a release() once the system has taken it.
template <class Traits>
class UniqueHandle {
public:
    using Handle = typename Traits::Handle;

    UniqueHandle() = default;
    explicit UniqueHandle(Handle h) noexcept : h_(h) {}
    UniqueHandle(UniqueHandle&& o) noexcept : h_(o.release()) {}
    UniqueHandle& operator=(UniqueHandle&& o) noexcept {
        reset(o.release());
        return *this;
    }
    UniqueHandle(const UniqueHandle&) = delete;
    UniqueHandle& operator=(const UniqueHandle&) = delete;
    ~UniqueHandle() { reset(); }

    explicit operator bool() const noexcept { return h_ != Traits::null(); }
    Handle get() const noexcept { return h_; }
    [[nodiscard]] Handle release() noexcept { return std::exchange(h_, Traits::null()); }
    // Closes the handle held, if any, and takes h.
    void reset(Handle h = Traits::null()) noexcept {
        const Handle old = std::exchange(h_, h);
        if (old != Traits::null()) Traits::close(old);
    }

private:
    Handle h_ = Traits::null();
};

}  // namespace platform
