#pragma once

#include "text/DateNames.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tolmix {

// Milliseconds in the unit of the game clock: day number times a day's length plus the
// milliseconds since midnight, day 1 being 1 January of year 1.
inline constexpr int64_t MsPerDay = 86'400'000;
// The day number of 1 January 1970 in that count.
inline constexpr int64_t UnixEpochDay = 719'163;

// A calendar date and time of the game clock's count (day 1 = 1 January of year 1, proleptic
// Gregorian).
struct CivilTime {
    int64_t Year;
    int Month;     // 1..12
    int Day;       // 1..31
    int DayOfWeek; // 0 = Sunday
    int Hour, Minute, Second, Millisecond;
};
CivilTime ToCivilTime(int64_t ms);

// The longest text a pattern makes; the rest of a longer result is left out.
inline constexpr size_t MaxFormattedTime = 512;

// Formats a game time with a date-time pattern (Windows-1251): d dd day, ddd dddd day name,
// ddddd dddddd short and long date, m mm month, mmm mmmm month name, yy yyyy year, h hh hour,
// n nn minutes, s ss seconds, z zzz milliseconds, t tt short and long time, c date and time,
// am/pm and a/p a 12-hour clock with its marker, / the date separator, : the time separator,
// text in double or single quotes as it stands; letters in either case; other characters are
// copied.
std::string FormatGameTime(std::string_view pattern, int64_t ms, const DateNames& names);

} // namespace tolmix
