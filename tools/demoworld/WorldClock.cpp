#include "WorldClock.h"

#include "Text1251.h"

#include <array>
#include <cstdio>

namespace tolmix::demo {

namespace {

// Days since 1 January 1970 (H. Hinnant's days_from_civil).
int64_t DaysFromCivil(int64_t y, unsigned m, unsigned d) {
    y -= m <= 2;
    const int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<int64_t>(doe) - 719468;
}

struct CivilDate {
    int64_t year;
    unsigned month;
    unsigned day;
};

CivilDate CivilFromDays(int64_t z) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    return {static_cast<int64_t>(yoe) + era * 400 + (m <= 2), m, d};
}

const int64_t DayOneFrom1970 = DaysFromCivil(1, 1, 1);

} // namespace

int64_t DayNumber(int year, unsigned month, unsigned day) {
    return DaysFromCivil(year, month, day) - DayOneFrom1970 + 1;
}

int64_t WorldClock::Now(Clock::time_point now) const {
    const auto real = std::chrono::duration_cast<std::chrono::milliseconds>(now - RealStart);
    return Start + real.count() * Speed;
}

std::string WorldClock::TimeOfDay(int64_t gameMs) {
    const int64_t ms = gameMs % MsPerDay;
    char text[8];
    std::snprintf(text, sizeof text, "%02d:%02d", static_cast<int>(ms / 3'600'000),
                  static_cast<int>(ms / 60'000 % 60));
    return text;
}

std::string WorldClock::Date(int64_t gameMs) {
    static const std::array<const char*, 12> Months = {"января",   "февраля", "марта",  "апреля",
                                                       "мая",      "июня",    "июля",   "августа",
                                                       "сентября", "октября", "ноября", "декабря"};
    const CivilDate date = CivilFromDays(gameMs / MsPerDay - 1 + DayOneFrom1970);
    return std::to_string(date.day) + " " + Cp1251(Months[date.month - 1]) + " " +
           std::to_string(date.year) + " " + Cp1251("года");
}

} // namespace tolmix::demo
