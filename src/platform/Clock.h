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

// A moment as the local calendar and clock show it.
struct LocalDateTime {
    int Year = 1970;
    int Month = 1; // 1 to 12
    int Day = 1;   // 1 to 31
    int Hour = 0;
    int Minute = 0;
    int Second = 0;
};

// Wall-clock (local) time, for the game clock and log names.
class WallClock {
  public:
    virtual ~WallClock() = default;
    virtual std::chrono::system_clock::time_point Now() const = 0;
    // The moment in the local time zone.
    virtual LocalDateTime LocalTime(std::chrono::system_clock::time_point moment) const = 0;
};

class SystemWallClock final : public WallClock {
  public:
    std::chrono::system_clock::time_point Now() const override {
        return std::chrono::system_clock::now();
    }
    LocalDateTime LocalTime(std::chrono::system_clock::time_point moment) const override;
};

} // namespace tolmix
