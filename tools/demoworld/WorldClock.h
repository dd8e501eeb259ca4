#pragma once

#include <chrono>
#include <cstdint>
#include <string>

// The world's time: it runs four times as fast as real time, as the client's clock does between
// two updates, and jumps ahead when a character sleeps. Sent to the client as milliseconds:
// day number (1 January of year 1 is day 1) x 86 400 000 + milliseconds since midnight.
namespace tolmix::demo {

using Clock = std::chrono::steady_clock;

// Day number of a date of the proleptic Gregorian calendar, 1 January of year 1 being day 1.
int64_t DayNumber(int year, unsigned month, unsigned day);

class WorldClock {
  public:
    static constexpr int Speed = 4;
    static constexpr int64_t MsPerDay = 86'400'000;

    // Starts at `gameMs` now.
    WorldClock(int64_t gameMs, Clock::time_point now) : Start(gameMs), RealStart(now) {}

    int64_t Now(Clock::time_point now) const;
    void Advance(std::chrono::milliseconds gameTime) { Start += gameTime.count(); }

    // "08:05" and "1 июня 1042 года" in Windows-1251.
    static std::string TimeOfDay(int64_t gameMs);
    static std::string Date(int64_t gameMs);

  private:
    int64_t Start;
    Clock::time_point RealStart;
};

} // namespace tolmix::demo
