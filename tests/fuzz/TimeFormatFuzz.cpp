// Feeds an arbitrary date-time pattern (the settings file's, which players copy from anywhere)
// and an arbitrary game time to the formatter, in both languages. Besides memory errors and
// hangs it checks the promised bound on the result and the calendar's ranges.
#include "text/TimeFormat.h"

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

using namespace tolmix;

namespace {

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // The first eight bytes are the time (any count, negative and huge ones included), the
    // rest the pattern.
    int64_t ms = 0;
    if (size >= sizeof ms) {
        std::memcpy(&ms, data, sizeof ms);
        data += sizeof ms;
        size -= sizeof ms;
    }
    const std::string_view pattern(reinterpret_cast<const char*>(data), size);
    const CivilTime civil = ToCivilTime(ms);
    Check(civil.Month >= 1 && civil.Month <= 12 && civil.Day >= 1 && civil.Day <= 31);
    Check(civil.DayOfWeek >= 0 && civil.DayOfWeek <= 6);
    Check(civil.Hour >= 0 && civil.Hour < 24 && civil.Minute >= 0 && civil.Minute < 60);
    Check(civil.Second >= 0 && civil.Second < 60);
    Check(civil.Millisecond >= 0 && civil.Millisecond < 1000);
    for (const bool russian : {false, true}) {
        const std::string text = FormatGameTime(pattern, ms, LocaleDateNames(russian));
        Check(text.size() <= MaxFormattedTime);
        // Text without a single pattern letter, quote or separator is copied as it stands.
        if (pattern.size() <= MaxFormattedTime &&
            pattern.find_first_of("dDmMyYhHnNsSzZtTcCaA/:'\"") == std::string_view::npos)
            Check(text == pattern);
    }
    return 0;
}
