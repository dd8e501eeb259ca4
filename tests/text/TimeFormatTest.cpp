#include "text/TimeFormat.h"
#include "text/CodePage.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

// 9 December 2026, a Wednesday, at 13:05:07.089.
constexpr int64_t Day = 739959;
constexpr int64_t Sample = Day * MsPerDay + ((13 * 60 + 5) * 60 + 7) * 1000 + 89;

const DateNames& English = LocaleDateNames(false);
const DateNames& Russian = LocaleDateNames(true);

TEST(TimeFormat, TheDefaultPatternInBothLanguages) {
    EXPECT_EQ(FormatGameTime("dd mmm yyyy, hh:nn:ss", Sample, English), "09 Dec 2026, 13:05:07");
    EXPECT_EQ(FormatGameTime("dd mmm yyyy, hh:nn:ss", Sample, Russian),
              "09 \xE4\xE5\xEA 2026, 13:05:07"); // дек
    EXPECT_EQ(FormatGameTime("dddd, d mmmm", Sample, Russian),
              "\xF1\xF0\xE5\xE4\xE0, 9 \xC4\xE5\xEA\xE0\xE1\xF0\xFC"); // среда, 9 Декабрь
}

TEST(TimeFormat, EveryElementOfThePatternLanguage) {
    EXPECT_EQ(FormatGameTime("d/m/yy h:n:s.z", Sample, English), "9/12/26 13:5:7.89");
    EXPECT_EQ(FormatGameTime("dd.mm.yyyy zzz", Sample, English), "09.12.2026 089");
    EXPECT_EQ(FormatGameTime("ddd dddd", Sample, English), "Wed Wednesday");
    EXPECT_EQ(FormatGameTime("ddddd|dddddd", Sample, English), "09/12/2026|9 December 2026");
    EXPECT_EQ(FormatGameTime("ddddd", Sample, Russian), "09.12.2026");
    EXPECT_EQ(FormatGameTime("t|tt|c", Sample, English), "13:05|13:05:07|09/12/2026 13:05:07");
    EXPECT_EQ(FormatGameTime("h:nn am/pm|hh a/p|AM/PM", Sample, English), "1:05 pm|01 p|PM");
    EXPECT_EQ(FormatGameTime("\"day\" d 'of' mmm", Sample, English), "day 9 of Dec");
    EXPECT_EQ(FormatGameTime("DD-MMM-YYYY HH:NN", Sample, English), "09-Dec-2026 13:05");
    EXPECT_EQ(FormatGameTime("[x]", Sample, English), "[x]");
    EXPECT_EQ(FormatGameTime("'open", Sample, English), "open");
}

TEST(TimeFormat, CalendarEdges) {
    EXPECT_EQ(FormatGameTime("dd.mm.yyyy ddd", 1 * MsPerDay, English), "01.01.0001 Mon");
    EXPECT_EQ(FormatGameTime("dd.mm.yyyy", 730179 * MsPerDay, English), "29.02.2000");
    EXPECT_EQ(FormatGameTime("dd.mm.yyyy", 730180 * MsPerDay, English), "01.03.2000");
    EXPECT_EQ(FormatGameTime("dd.mm.yyyy", UnixEpochDay * MsPerDay, English), "01.01.1970");
    EXPECT_EQ(FormatGameTime("dd.mm.yyyy hh:nn", MsPerDay - 60'000, English), "31.12.0000 23:59");
    // Times before the count and at its far end still make a date, without a crash.
    EXPECT_FALSE(FormatGameTime("dd.mm.yyyy hh:nn:ss", -5, English).empty());
    EXPECT_FALSE(FormatGameTime("dd.mm.yyyy hh:nn:ss", std::numeric_limits<int64_t>::max(), English)
                     .empty());
    EXPECT_FALSE(
        FormatGameTime("dd.mm.yyyy yy", std::numeric_limits<int64_t>::min(), English).empty());
}

TEST(TimeFormat, LongPatternsMakeABoundedText) {
    for (char letter : std::string("dmyhnsztcDMY/:x\"")) {
        const std::string pattern(1000, letter);
        const std::string text = FormatGameTime(pattern, Sample, Russian);
        EXPECT_LE(text.size(), MaxFormattedTime) << letter;
        EXPECT_FALSE(text.empty() && letter != '"') << letter;
    }
}

} // namespace
} // namespace tolmix
