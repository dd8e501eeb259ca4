#pragma once

#include <cstdint>

namespace tolmix {

// Something the event loop can wait on without knowing what it is (a descriptor on POSIX,
// a socket on Windows).
struct PollHandle {
    std::intptr_t Value = -1;

    bool Valid() const { return Value >= 0; }
    friend bool operator==(PollHandle, PollHandle) = default;
};

} // namespace tolmix
