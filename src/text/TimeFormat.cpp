#include "text/TimeFormat.h"

namespace tolmix {

namespace {

int64_t FloorDiv(int64_t a, int64_t b) {
    const int64_t q = a / b;
    return (a % b != 0 && (a < 0) != (b < 0)) ? q - 1 : q;
}

char Lower(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 0x20) : c;
}

bool StartsWithNoCase(std::string_view text, size_t at, std::string_view word) {
    if (text.size() - at < word.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (Lower(text[at + i]) != word[i])
            return false;
    }
    return true;
}

// Length of the run of one letter (either case) at the position, up to a limit.
size_t RunLength(std::string_view text, size_t at, size_t limit) {
    const char letter = Lower(text[at]);
    size_t n = 0;
    while (at + n < text.size() && n < limit && Lower(text[at + n]) == letter)
        ++n;
    return n;
}

class TimeWriter {
  public:
    TimeWriter(const CivilTime& time, const DateNames& names, bool twelveHour)
        : T(time), Names(names), TwelveHour(twelveHour) {}

    void Text(std::string_view text) { Out.append(text.substr(0, MaxFormattedTime - Out.size())); }
    void Char(char c) {
        if (!Full())
            Out.push_back(c);
    }
    void Number(int64_t value, int width) {
        std::string digits;
        const bool negative = value < 0;
        uint64_t magnitude = negative ? 0 - static_cast<uint64_t>(value) : value;
        do {
            digits.insert(digits.begin(), static_cast<char>('0' + magnitude % 10));
            magnitude /= 10;
        } while (magnitude != 0);
        while (digits.size() < static_cast<size_t>(width))
            digits.insert(digits.begin(), '0');
        if (negative)
            digits.insert(digits.begin(), '-');
        Text(digits);
    }
    int Hour() const {
        if (!TwelveHour)
            return T.Hour;
        const int h = T.Hour % 12;
        return h == 0 ? 12 : h;
    }
    void ShortDate() {
        Number(T.Day, 2);
        Char(Names.DateSeparator);
        Number(T.Month, 2);
        Char(Names.DateSeparator);
        Number(T.Year, 4);
    }
    void LongDate() {
        Number(T.Day, 1);
        Char(' ');
        Text(Names.LongMonths[T.Month - 1]);
        Char(' ');
        Number(T.Year, 4);
    }
    void Time(bool seconds) {
        Number(Hour(), 1);
        Char(':');
        Number(T.Minute, 2);
        if (seconds) {
            Char(':');
            Number(T.Second, 2);
        }
    }
    bool Full() const { return Out.size() >= MaxFormattedTime; }

    const CivilTime& T;
    const DateNames& Names;
    const bool TwelveHour;
    std::string Out;
};

bool UsesTwelveHours(std::string_view pattern) {
    char quote = 0;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (quote) {
            if (c == quote)
                quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (StartsWithNoCase(pattern, i, "am/pm") || StartsWithNoCase(pattern, i, "a/p")) {
            return true;
        }
    }
    return false;
}

} // namespace

CivilTime ToCivilTime(int64_t ms) {
    CivilTime t{};
    const int64_t dayNumber = FloorDiv(ms, MsPerDay);
    // The remainder directly: dayNumber * MsPerDay overflows at the low end of the range.
    int64_t inDay = ms % MsPerDay;
    if (inDay < 0)
        inDay += MsPerDay;
    t.Hour = static_cast<int>(inDay / 3'600'000);
    t.Minute = static_cast<int>(inDay / 60'000 % 60);
    t.Second = static_cast<int>(inDay / 1000 % 60);
    t.Millisecond = static_cast<int>(inDay % 1000);
    // Days since 1 March of year 0 turned into a date (the usual era arithmetic): day 1 of
    // the count is 1 January of year 1, which is day 306 after 1 March of year 0.
    const int64_t z = dayNumber + 305;
    const int64_t era = FloorDiv(z, 146097);
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    t.Day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    t.Month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    t.Year = yoe + era * 400 + (t.Month <= 2 ? 1 : 0);
    // Day 1 was a Monday.
    t.DayOfWeek = static_cast<int>(dayNumber - FloorDiv(dayNumber, 7) * 7);
    return t;
}

std::string FormatGameTime(std::string_view pattern, int64_t ms, const DateNames& names) {
    const CivilTime time = ToCivilTime(ms);
    TimeWriter w(time, names, UsesTwelveHours(pattern));
    size_t i = 0;
    while (i < pattern.size() && !w.Full()) {
        const char c = pattern[i];
        const char letter = Lower(c);
        if (c == '"' || c == '\'') {
            const size_t end = pattern.find(c, i + 1);
            const size_t stop = end == std::string_view::npos ? pattern.size() : end;
            w.Text(pattern.substr(i + 1, stop - i - 1));
            i = stop == pattern.size() ? stop : stop + 1;
            continue;
        }
        if (StartsWithNoCase(pattern, i, "am/pm")) {
            w.Text(time.Hour < 12 ? std::string_view(&pattern[i], 2)
                                  : std::string_view(&pattern[i + 3], 2));
            i += 5;
            continue;
        }
        if (StartsWithNoCase(pattern, i, "a/p")) {
            w.Char(time.Hour < 12 ? pattern[i] : pattern[i + 2]);
            i += 3;
            continue;
        }
        size_t n = 1;
        switch (letter) {
        case 'd':
            n = RunLength(pattern, i, 6);
            if (n <= 2)
                w.Number(time.Day, static_cast<int>(n));
            else if (n == 3)
                w.Text(names.ShortDays[time.DayOfWeek]);
            else if (n == 4)
                w.Text(names.LongDays[time.DayOfWeek]);
            else if (n == 5)
                w.ShortDate();
            else
                w.LongDate();
            break;
        case 'm':
            n = RunLength(pattern, i, 4);
            if (n <= 2)
                w.Number(time.Month, static_cast<int>(n));
            else if (n == 3)
                w.Text(names.ShortMonths[time.Month - 1]);
            else
                w.Text(names.LongMonths[time.Month - 1]);
            break;
        case 'y':
            n = RunLength(pattern, i, 4);
            if (n <= 2) {
                const int64_t year = time.Year < 0 ? -time.Year : time.Year;
                w.Number(year % 100, 2);
            } else {
                w.Number(time.Year, 4);
            }
            break;
        case 'h':
            n = RunLength(pattern, i, 2);
            w.Number(w.Hour(), static_cast<int>(n));
            break;
        case 'n':
            n = RunLength(pattern, i, 2);
            w.Number(time.Minute, static_cast<int>(n));
            break;
        case 's':
            n = RunLength(pattern, i, 2);
            w.Number(time.Second, static_cast<int>(n));
            break;
        case 'z':
            n = RunLength(pattern, i, 3);
            w.Number(time.Millisecond, n >= 3 ? 3 : 1);
            break;
        case 't':
            n = RunLength(pattern, i, 2);
            w.Time(n == 2);
            break;
        case 'c':
            w.ShortDate();
            w.Char(' ');
            w.Time(true);
            break;
        case '/':
            w.Char(names.DateSeparator);
            break;
        default:
            w.Char(c);
            break;
        }
        i += n;
    }
    return w.Out;
}

} // namespace tolmix
