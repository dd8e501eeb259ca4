#pragma once

#include "platform/Clock.h"

namespace tolmix::test {

// Wall-clock time that moves only when a test says so.
class FakeWallClock final : public WallClock {
  public:
    std::chrono::system_clock::time_point Now() const override { return Current; }
    void Advance(Milliseconds step) { Current += step; }
    // The local time zone is UTC shifted by Offset.
    LocalDateTime LocalTime(std::chrono::system_clock::time_point moment) const override {
        using namespace std::chrono;
        const auto local = floor<seconds>(moment + Offset);
        const auto day = floor<days>(local);
        const year_month_day date(day);
        const hh_mm_ss time(local - day);
        return {static_cast<int>(date.year()),
                static_cast<int>(unsigned(date.month())),
                static_cast<int>(unsigned(date.day())),
                static_cast<int>(time.hours().count()),
                static_cast<int>(time.minutes().count()),
                static_cast<int>(time.seconds().count())};
    }
    // Puts the clock at this UTC moment.
    void SetUtc(int year, unsigned month, unsigned day, int hour, int minute, int second = 0) {
        using namespace std::chrono;
        Current = sys_days(std::chrono::year(year) / month / day) + hours(hour) + minutes(minute) +
                  seconds(second);
    }

    std::chrono::system_clock::time_point Current{std::chrono::hours(24 * 365 * 50)};
    Milliseconds Offset{0};
};

} // namespace tolmix::test
