#pragma once

#include <chrono>

namespace tolmix {

using SteadyClock = std::chrono::steady_clock;
using TimePoint = SteadyClock::time_point;
using Milliseconds = std::chrono::milliseconds;

// Monotonic time as the core sees it; tests drive a manual clock.
class Clock {
  public:
    virtual ~Clock() = default;
    virtual TimePoint Now() const = 0;
};

// Wall-clock (local) time, for the game clock and log names.
class WallClock {
  public:
    virtual ~WallClock() = default;
    virtual std::chrono::system_clock::time_point Now() const = 0;
};

class SystemWallClock final : public WallClock {
  public:
    std::chrono::system_clock::time_point Now() const override {
        return std::chrono::system_clock::now();
    }
};

} // namespace tolmix
