// The world's text helpers, its clock and its command line.
#include "CommandLine.h"
#include "Text1251.h"
#include "WorldClock.h"

#include <gtest/gtest.h>

namespace tolmix::demo {
namespace {

TEST(Text1251, Utf8BecomesWindows1251WithColourMarkup) {
    EXPECT_EQ(Cp1251("Ёж и ёлка"), "\xA8\xE6 \xE8 \xB8\xEB\xEA\xE0");
    EXPECT_EQ(Cp1251("АЯая"), "\xC0\xDF\xE0\xFF");
    EXPECT_EQ(Cp1251("^bжёлтый^7"), "\x8B\xE6\xB8\xEB\xF2\xFB\xE9\x87");
    EXPECT_EQ(Cp1251("^^ и ^x"), "^ \xE8 ^x");
    // The client shows text through code page 866, which has no guillemets or dashes.
    EXPECT_EQ(Cp1251("«Ёж» — ёж €"), "\"\xA8\xE6\" - \xB8\xE6 ?");
}

TEST(Text1251, LowerCaseAndPlayerTextCleaning) {
    EXPECT_EQ(Lower1251("\xC0\xDF\xA8 Rat"), "\xE0\xFF\xB8 rat");
    // Neither control nor colour bytes survive: a player cannot colour text or frame a code.
    EXPECT_EQ(CleanPlayerText("\x80\x80h1/1\x1b[31m\x8Fok\xFF", 100), "h1/1[31mok\xFF");
    EXPECT_EQ(CleanPlayerText("abcdef", 3), "abc");
    EXPECT_EQ(Trim("  a b  "), "a b");
    EXPECT_TRUE(Abbreviates("\xF1\xE5\xE2", "\xF1\xE5\xE2\xE5\xF0", 2));
    EXPECT_FALSE(Abbreviates("\xF1", "\xF1\xE5\xE2\xE5\xF0", 2));
    EXPECT_FALSE(Abbreviates("north-east", "north", 2));
}

TEST(WorldClock, DaysCountFromTheFirstOfJanuaryOfYearOne) {
    EXPECT_EQ(DayNumber(1, 1, 1), 1);
    EXPECT_EQ(DayNumber(1, 12, 31), 365);
    EXPECT_EQ(DayNumber(1970, 1, 1), 719163);
    EXPECT_EQ(DayNumber(2000, 3, 1) - DayNumber(2000, 2, 28), 2); // a leap year
    const int64_t morning =
        DayNumber(1042, 6, 1) * WorldClock::MsPerDay + 8 * 3'600'000 + 5 * 60'000;
    EXPECT_EQ(WorldClock::TimeOfDay(morning), "08:05");
    EXPECT_EQ(WorldClock::Date(morning), Cp1251("1 июня 1042 года"));
}

TEST(WorldClock, RunsFourTimesAsFastAsRealTimeAndJumpsOnRest) {
    const Clock::time_point start{};
    WorldClock clock(1'000'000, start);
    EXPECT_EQ(clock.Now(start + std::chrono::seconds(10)), 1'040'000);
    clock.Advance(std::chrono::hours(1));
    EXPECT_EQ(clock.Now(start + std::chrono::seconds(10)), 1'040'000 + 3'600'000);
}

CommandLine Parsed(std::vector<const char*> args) {
    args.insert(args.begin(), "tolmix-demo-world");
    std::string error;
    const auto line = CommandLine::Parse(static_cast<int>(args.size()), args.data(), error);
    EXPECT_TRUE(line.has_value()) << error;
    return line.value_or(CommandLine{});
}

bool Refused(std::vector<const char*> args) {
    args.insert(args.begin(), "tolmix-demo-world");
    std::string error;
    const bool refused = !CommandLine::Parse(static_cast<int>(args.size()), args.data(), error);
    return refused && !error.empty();
}

TEST(DemoWorldCommandLine, OptionsAndTheirMistakes) {
    const CommandLine defaults = Parsed({});
    EXPECT_EQ(defaults.port, 0);
    EXPECT_TRUE(defaults.portFile.empty());
    EXPECT_EQ(defaults.parentPid, 0);
    const CommandLine all =
        Parsed({"--port", "4000", "--port-file", "/tmp/p", "--parent-pid", "42"});
    EXPECT_EQ(all.port, 4000);
    EXPECT_EQ(all.portFile, "/tmp/p");
    EXPECT_EQ(all.parentPid, 42);
    EXPECT_TRUE(Refused({"--port", "65536"}));
    EXPECT_TRUE(Refused({"--port", "12ab"}));
    EXPECT_TRUE(Refused({"--port"}));
    EXPECT_TRUE(Refused({"--parent-pid", "0"}));
    EXPECT_TRUE(Refused({"--parent-pid", "-5"}));
    EXPECT_TRUE(Refused({"--verbose", "1"}));
}

} // namespace
} // namespace tolmix::demo
