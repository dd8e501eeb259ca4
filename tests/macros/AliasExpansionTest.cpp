#include "macros/AliasExpansion.h"
#include "platform/Clock.h"

#include <gtest/gtest.h>

#include <vector>

namespace tolmix {
namespace {

class ExpandAliasesTest : public ::testing::Test {
  protected:
    TAliasArray Aliases;
    std::vector<std::string> Reports;

    void Load(const std::string& file) {
        TTolmixStringList lines;
        lines.SetText(file);
        Aliases.clear();
        ParseAliasFile(Aliases, lines);
    }
    ExpandedText Expand(std::string_view text) {
        return ExpandAliases(Aliases, text,
                             [this](const std::string& line) { Reports.push_back(line); });
    }
    std::string Send(std::string_view text) { return Expand(text).SendText; }
};

TEST_F(ExpandAliasesTest, FullPatternMustMatchTheWholeLine) {
    Load("alias:\nk *\nkill $1");
    EXPECT_EQ(Send("k goblin"), "kill goblin");
    EXPECT_EQ(Send("attack goblin"), "attack goblin");
    EXPECT_EQ(Send("k "), "kill ");
    EXPECT_EQ(Send("k"), "k");
    Load("alias: full send easy\nk *\nkill $1");
    EXPECT_EQ(Send("k goblin"), "kill goblin");
    EXPECT_EQ(Send("attack goblin"), "attack goblin");
}

TEST_F(ExpandAliasesTest, PartPatternReplacesEveryMatchInsideTheLine) {
    Load("alias: part\nk *\nkill $1");
    // The lazy wildcard at the end captures nothing; what follows the match stays.
    EXPECT_EQ(Send("k goblin"), "kill goblin");
    EXPECT_EQ(Send("attack goblin"), "attackill goblin");
    EXPECT_EQ(Send("k k goblin"), "kill kill goblin");
}

TEST_F(ExpandAliasesTest, EasyPatternCharactersOtherThanTheStarAreLiteral) {
    Load("alias:\na.b\nmatched\nalias:\n(x)+?\nliteral");
    EXPECT_EQ(Send("a.b"), "matched");
    EXPECT_EQ(Send("axb"), "axb");
    EXPECT_EQ(Send("(x)+?"), "literal");
    EXPECT_EQ(Send("xx"), "xx");
}

// A command pays only for the aliases that could rewrite it: the others are neither compiled
// nor tried, however many there are.
TEST_F(ExpandAliasesTest, AliasesWhoseFixedTextIsMissingAreNotCompiled) {
    Load("alias:\nkill *\nslay $1\n"
         "alias: part\n*orc*\nORC\n"
         "alias:\n*\nany\n"
         "alias: pure\nk(.*)\nk$1\n"
         "alias:\n*goblin\nGOBLIN");
    EXPECT_EQ(Send("look"), "any");
    EXPECT_EQ(Aliases[0].Compiled, nullptr);
    EXPECT_EQ(Aliases[1].Compiled, nullptr);
    EXPECT_NE(Aliases[2].Compiled, nullptr); // no fixed text: always tried
    EXPECT_EQ(Aliases[3].Compiled, nullptr); // after the first match, nothing more is tried

    Load("alias:\nkill *\nslay $1\nalias: part\nbig*orc\nORC\nalias:\n*goblin\nGOBLIN");
    EXPECT_EQ(Send("xkill a"), "xkill a"); // a whole-line alias needs its text at the start
    EXPECT_EQ(Aliases[0].Compiled, nullptr);
    EXPECT_EQ(Send("a big rat"), "a big rat"); // holds "big": tried, but no match
    EXPECT_NE(Aliases[1].Compiled, nullptr);
    EXPECT_EQ(Send("big old orc"), "ORC");
    EXPECT_EQ(Send("the goblin"), "GOBLIN"); // a leading wildcard: the text after it
    EXPECT_EQ(Send("kill rat"), "slay rat");
}

TEST(AliasFiles, AliasesPastTheLimitAreLeftOut) {
    const std::string text(1000, 't');
    std::string file;
    for (int i = 0; i < 300; ++i)
        file += "alias:\nc" + std::to_string(i) + "\n" + text + "\n";
    TTolmixStringList lines;
    lines.SetText(file);
    TAliasArray aliases;
    EXPECT_FALSE(ParseAliasFile(aliases, lines));
    ASSERT_GT(aliases.size(), 250u);
    ASSERT_LT(aliases.size(), 300u);
    EXPECT_EQ(aliases.front().Pattern, "^c0$");
    size_t bytes = 0;
    for (const TAlias& alias : aliases)
        bytes += alias.Pattern.size() + alias.Text.size();
    EXPECT_LE(bytes, AliasBytesLimit);
    // A second file adds nothing that would pass the limit.
    const size_t kept = aliases.size();
    lines.SetText("alias:\nmore\n" + text);
    EXPECT_FALSE(ParseAliasFile(aliases, lines));
    EXPECT_EQ(aliases.size(), kept);
}

TEST_F(ExpandAliasesTest, FirstMatchingAliasWinsAndItsResultIsNotExpandedAgain) {
    Load("alias:\nk *\nkill $1\nalias:\nkill *\nslay $1\nalias:\nk goblin\nnever");
    EXPECT_EQ(Send("k goblin"), "kill goblin");
    EXPECT_EQ(Send("kill orc"), "slay orc");
    // An alias that rewrites to its own trigger does not loop.
    Load("alias:\nloop\nloop");
    EXPECT_EQ(Send("loop"), "loop");
}

TEST_F(ExpandAliasesTest, ATextOfSeveralLinesSendsSeveralCommands) {
    Load("alias:\nk *\nstand\nkill $1");
    EXPECT_EQ(Send("k goblin"), "stand\r\nkill goblin");
    // Each submitted line is expanded on its own.
    EXPECT_EQ(Send("k orc\r\nlook\nk elf\rsay hi\r\n"),
              "stand\r\nkill orc\r\nlook\r\nstand\r\nkill elf\r\nsay hi");
}

TEST_F(ExpandAliasesTest, BlankLinesOfTheTextBecomeEmptyCommandsExceptTheFirst) {
    Load("alias:\nk *\n\nkill $1\n\nalias:\nx\ny");
    // Sent as "kill goblin", then an empty command; the blank line before it left no trace.
    EXPECT_EQ(Send("k goblin"), "kill goblin\r\n");
    EXPECT_EQ(Send("k goblin\nlook"), "kill goblin\r\n\r\nlook");
}

TEST_F(ExpandAliasesTest, EditAliasesSendTheirLineBackToTheEditor) {
    Load("alias: edit\nk *\nkill $1");
    ExpandedText one = Expand("k goblin");
    EXPECT_EQ(one.SendText, ""); // the caller still sends a bare line break
    EXPECT_EQ(one.EditText, "kill goblin");
    ExpandedText two = Expand("look\r\nk goblin");
    EXPECT_EQ(two.SendText, "look");
    EXPECT_EQ(two.EditText, "kill goblin");
    ExpandedText both = Expand("k orc\r\nk elf");
    EXPECT_EQ(both.SendText, "");
    EXPECT_EQ(both.EditText, "kill orc\r\nkill elf");
}

TEST_F(ExpandAliasesTest, UnmatchedAndEmptyTextsGoOutAsTheyAre) {
    Load("alias:\nk *\nkill $1");
    EXPECT_EQ(Send("look"), "look");
    ExpandedText empty = Expand("");
    EXPECT_EQ(empty.SendText, "");
    EXPECT_EQ(empty.EditText, "");
    EXPECT_EQ(Send("\r\n"), "");
    EXPECT_EQ(Send("\r\n\r\nlook"), "\r\n\r\nlook");
    Aliases.clear();
    EXPECT_EQ(Send("k goblin\nlook"), "k goblin\r\nlook");
}

TEST_F(ExpandAliasesTest, BackslashAndDollarInTheTextFollowTheTemplateRules) {
    Load("alias:\nbuy *\nbuy $1 for \\$5, \\\\ and $\nalias:\ngive * *\n${2}s to $1$12$&");
    EXPECT_EQ(Send("buy sword"), "buy sword for $5, \\ and $");
    EXPECT_EQ(Send("give bob coin"), "coins to bobgive bob coin");
}

TEST_F(ExpandAliasesTest, FourteenWildcardsWorkAndFifteenNeverMatchAndAreToldOnce) {
    std::string fourteen, line;
    for (int i = 0; i < 14; ++i) {
        fourteen += i ? " *" : "*";
        line += (i ? " " : "") + std::string(1, static_cast<char>('a' + i));
    }
    Load("alias:\n" + fourteen + " *\nfifteen\nalias:\n" + fourteen + "\n$14$1\nalias:\nx\ny");
    EXPECT_EQ(Send(line + " o"), "n oa");
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_NE(Reports[0].find("15 \xE3\xF0\xF3\xEF\xEF"), std::string::npos) << Reports[0];
    // No second message; the aliases after it keep working.
    EXPECT_EQ(Send(line), "na");
    EXPECT_EQ(Send("x"), "y");
    EXPECT_EQ(Reports.size(), 1u);
}

TEST_F(ExpandAliasesTest, BrokenPatternIsSkippedAndToldOnceUntilTheNextLoad) {
    const std::string file = "alias: pure\nk (\nbroken\nalias:\nk *\nkill $1";
    Load(file);
    EXPECT_EQ(Send("k goblin"), "kill goblin");
    EXPECT_EQ(Send("k orc"), "kill orc");
    ASSERT_EQ(Reports.size(), 1u);
    const std::string& report = Reports[0];
    EXPECT_EQ(report.front(), '\x89'); // bright red
    EXPECT_EQ(report.back(), '\x87');  // back to light grey
    EXPECT_NE(report.find("\"^k ($\""), std::string::npos) << report;
    EXPECT_NE(report.find("missing closing parenthesis"), std::string::npos) << report;
    // Patterns are compiled when tried: a line that an earlier alias takes never reaches it.
    Load("alias:\nk *\nkill $1\nalias: pure\nk (\nbroken");
    Reports.clear();
    EXPECT_EQ(Send("k goblin"), "kill goblin");
    EXPECT_TRUE(Reports.empty());
    EXPECT_EQ(Send("look"), "look");
    EXPECT_EQ(Reports.size(), 1u);
    // Loading anew forgets that it was told.
    Load(file);
    Send("look");
    EXPECT_EQ(Reports.size(), 2u);
}

TEST_F(ExpandAliasesTest, CatastrophicPatternCountsAsNotMatchingAndTheRestKeepsWorking) {
    Load("alias: pure part\n(a+)+$\nexploded\nalias: part\na*b\nfound $1");
    const std::string line = std::string(40, 'a') + "b";
    // "a(.*?)b": the literal a takes the first of them.
    EXPECT_EQ(Send(line), "found " + std::string(39, 'a'));
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_NE(Reports[0].find("(a+)+$"), std::string::npos);
    EXPECT_NE(Reports[0].find("match limit exceeded"), std::string::npos) << Reports[0];
    // Where the pattern does not explode it still matches.
    EXPECT_EQ(Send("aaa"), "exploded");
    EXPECT_EQ(Send(line), "found " + std::string(39, 'a'));
    EXPECT_EQ(Reports.size(), 1u);
}

TEST_F(ExpandAliasesTest, CyrillicLettersAreNoWordCharacters) {
    // Console code page: "у гоблин" (u goblin) and the alias "^(\w+) (.*)$".
    Load("alias: pure\n(\\w+) (.*)\n$2 <- $1");
    EXPECT_EQ(Send("k \xA3\xAE\xA1\xAB\xA8\xAD"), "\xA3\xAE\xA1\xAB\xA8\xAD <- k");
    EXPECT_EQ(Send("\xE3 \xA3\xAE\xA1\xAB\xA8\xAD"), "\xE3 \xA3\xAE\xA1\xAB\xA8\xAD");
    // Easy aliases with Cyrillic letters match them literally.
    Load("alias:\n\xF3 *\n\xF3\xE1\xE8\xF2\xFC $1"); // Windows-1251 "у *" -> "убить $1"
    EXPECT_EQ(Send("\xE3 \xA3\xAE\xA1\xAB\xA8\xAD"),
              "\xE3\xA1\xA8\xE2\xEC \xA3\xAE\xA1\xAB\xA8\xAD");
}

TEST(AliasFailureMessage, NamesThePatternInWindows1251AndKeepsTheLineShortAndOneColour) {
    // Console "у (" with a colour byte in it.
    const std::string message = AliasFailureMessage("\xE3\x14(", "boom");
    EXPECT_EQ(message, "\x89\xCE\xF8\xE8\xE1\xEA\xE0\x20\xE2\x20\xEF\xF1\xE5\xE2\xE4\xEE\xED\xE8"
                       "\xEC\xE5\x20\"\xF3?(\": boom\x87");
    const std::string longOne = AliasFailureMessage(std::string(100000, 'a'), "boom");
    EXPECT_LT(longOne.size(), 300u);
    EXPECT_NE(longOne.find(std::string(200, 'a') + "...\": boom"), std::string::npos);
}

TEST(SplitLines, BreaksAtEveryLineEndAndAddsNoLineForAFinalBreak) {
    EXPECT_TRUE(SplitLines("").empty());
    EXPECT_EQ(SplitLines("a"), (std::vector<std::string_view>{"a"}));
    EXPECT_EQ(SplitLines("a\r\n"), (std::vector<std::string_view>{"a"}));
    EXPECT_EQ(SplitLines("a\r\nb\nc\rd"), (std::vector<std::string_view>{"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines("\n\r\n"), (std::vector<std::string_view>{"", ""}));
    EXPECT_EQ(SplitLines("a\n\rb"), (std::vector<std::string_view>{"a", "", "b"}));
    EXPECT_EQ(SplitLines(std::string_view("a\0b", 3)),
              (std::vector<std::string_view>{std::string_view("a\0b", 3)}));
}

TEST(StripTrailingLineBreak, RemovesExactlyOneCrLf) {
    std::string text = "a\r\n\r\n";
    StripTrailingLineBreak(text);
    EXPECT_EQ(text, "a\r\n");
    StripTrailingLineBreak(text);
    EXPECT_EQ(text, "a");
    StripTrailingLineBreak(text);
    EXPECT_EQ(text, "a");
    text = "a\n";
    StripTrailingLineBreak(text);
    EXPECT_EQ(text, "a\n");
}

// Processor time that passes as it is looked at: every reading costs Step, as if the aliases
// between two readings had worked that long.
class SpendingClock final : public Clock {
  public:
    explicit SpendingClock(Milliseconds step) : Step(step) {}
    TimePoint Now() const override {
        ++Readings;
        return Current += Step;
    }
    Milliseconds Step;
    mutable TimePoint Current{};
    mutable int Readings = 0;
};

TEST_F(ExpandAliasesTest, AllTheAliasesOfACommandShareOneTimeLimitToldOncePerLoading) {
    // Twenty aliases that each take 10 ms: only the first few are tried.
    std::string file;
    for (int i = 0; i < 20; ++i)
        file += "alias: pure\nz" + std::to_string(i) + "|k(.*)\nkill$1\n";
    Load(file);
    SpendingClock cpu(Milliseconds(10));
    AliasTimeLimit limit(cpu);
    const auto expand = [&](std::string_view text) {
        return ExpandAliases(
            Aliases, text, [this](const std::string& line) { Reports.push_back(line); }, &limit);
    };
    // The first alias matches before the time is up.
    EXPECT_EQ(expand("k orc").SendText, "kill orc");
    EXPECT_TRUE(Reports.empty());
    // A line no alias matches: the command goes as typed once 50 ms are spent, and the
    // aliases left are not tried, on this line or on the next.
    cpu.Readings = 0;
    EXPECT_EQ(expand("x orc\r\nk orc").SendText, "x orc\r\nk orc");
    EXPECT_EQ(cpu.Readings, 6); // the start, then one per alias tried up to the limit
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_NE(Reports[0].find("z4|k(.*)"), std::string::npos) << Reports[0];
    EXPECT_NE(Reports[0].find(" 50 \xEC\xF1"), std::string::npos) << Reports[0]; // мс
    // Not told again for the next command; the alias cut off is not silenced.
    EXPECT_EQ(expand("y orc").SendText, "y orc");
    EXPECT_EQ(Reports.size(), 1u);
    EXPECT_EQ(expand("k elf").SendText, "kill elf");
    // Loading the aliases again allows one more report.
    limit.CutOffReported = false;
    EXPECT_EQ(expand("y orc").SendText, "y orc");
    EXPECT_EQ(Reports.size(), 2u);
}

TEST_F(ExpandAliasesTest, ASearchStillRunningWhenTheTimeIsUpIsCutOffAndNamed) {
    // The search backtracks for ever on a line of a's; the clock moves 5 ms per reading, which
    // the search makes every thousand steps or so, far below the step budget of one alias.
    Load("alias: pure\n(a|aa)*\\d\nnever\nalias:\nk *\nkill $1");
    SpendingClock cpu(Milliseconds(5));
    AliasTimeLimit limit(cpu);
    Reports.clear();
    const std::string line = std::string(200, 'a');
    const ExpandedText result = ExpandAliases(
        Aliases, line + "\r\nk orc", [this](const std::string& l) { Reports.push_back(l); },
        &limit);
    EXPECT_EQ(result.SendText, line + "\r\nk orc");
    ASSERT_EQ(Reports.size(), 1u);
    EXPECT_NE(Reports[0].find("(a|aa)*\\d"), std::string::npos) << Reports[0];
    EXPECT_NE(Reports[0].find(" 50 \xEC\xF1"), std::string::npos) << Reports[0]; // the time
    EXPECT_LE(cpu.Readings, 12);
    // Without a limit the same alias runs into its own step budget instead, and is silenced.
    Reports.clear();
    EXPECT_EQ(Send(line), line);
    ASSERT_EQ(Reports.size(), 1u);
}

} // namespace
} // namespace tolmix
