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

// What a wait on a handle waits for: data to read, or room to write (which is also how a
// connect in progress ends).
enum class Readiness { Read, Write };

} // namespace tolmix
