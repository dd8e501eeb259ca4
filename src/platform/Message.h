#pragma once

#include <cstdint>

namespace tolmix {

// A thread message, as in a window system's message queue.
struct Message {
    uint32_t Id = 0;
    uint64_t WParam = 0;
    int64_t LParam = 0;
};

inline constexpr uint32_t WmQuit = 0x0012;
inline constexpr uint32_t WmTimer = 0x0113;

} // namespace tolmix
