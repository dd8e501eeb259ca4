#pragma once

#include <array>
#include <string_view>

namespace tolmix {

// Month and day names of a language (Windows-1251), Sunday first, and its date separator.
struct DateNames {
    std::array<std::string_view, 12> ShortMonths;
    std::array<std::string_view, 12> LongMonths;
    std::array<std::string_view, 7> ShortDays;
    std::array<std::string_view, 7> LongDays;
    char DateSeparator;
};

// Russian names under a Russian locale, English otherwise.
const DateNames& LocaleDateNames(bool russian);

} // namespace tolmix
