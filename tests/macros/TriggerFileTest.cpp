#include "macros/TriggerFile.h"
#include "macros/MacroFiles.h"
#include "support/FakeFileSystem.h"
#include "text/CodePage.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

struct Parsed {
    TriggerFileContents Contents;
    std::vector<std::string> Problems;
    bool Complete = true;
};

Parsed Parse(std::string_view text) {
    Parsed parsed;
    TTolmixStringList lines;
    lines.SetText(text);
    parsed.Complete = ParseTriggerFile(parsed.Contents, lines, "fight.ttr", parsed.Problems);
    return parsed;
}

TriggerOptions Options(std::string_view words) {
    TriggerOptions options;
    std::string bad;
    EXPECT_TRUE(ParseTriggerOptions(words, options, bad)) << words << ": " << bad;
    return options;
}

TEST(TriggerOptions, DefaultsAbbreviationsAndLaterWordsWin) {
    const TriggerOptions none = Options("");
    EXPECT_FALSE(none.Part || none.Pure || none.Gag || none.Once);
    EXPECT_EQ(none.Colour, -1);

    const TriggerOptions all = Options("part pure gag colour=12 once");
    EXPECT_TRUE(all.Part && all.Pure && all.Gag && all.Once);
    EXPECT_EQ(all.Colour, 12);

    // "p" is part and "pu" pure, "e" easy, "f" full, "g" gag, "o" once, "c=" colour.
    const TriggerOptions shortWords = Options("P pu G o c=3");
    EXPECT_TRUE(shortWords.Part && shortWords.Pure && shortWords.Gag && shortWords.Once);
    EXPECT_EQ(shortWords.Colour, 3);
    const TriggerOptions later = Options("part full pure easy colour=1 COL=0 color=15");
    EXPECT_FALSE(later.Part || later.Pure);
    EXPECT_EQ(later.Colour, 15);
}

TEST(TriggerOptions, EveryBadWordIsNamed) {
    for (const std::string_view words : {"fullx", "colour", "colour=16", "colour=-1", "colour=",
                                         "gag=1", "once=yes", "x", "colour=1a", "part pure glow"}) {
        TriggerOptions options;
        std::string bad;
        EXPECT_FALSE(ParseTriggerOptions(words, options, bad)) << words;
        EXPECT_FALSE(bad.empty());
        EXPECT_NE(std::string(words).find(bad), std::string::npos) << words;
    }
}

TEST(TriggerCommands, PipesBreakLinesUnlessEscapedAndHashWordsAreActions) {
    const std::vector<TriggerCommand> commands =
        ParseTriggerCommands("kill $1|#echo \x1C"
                             "danger|#play O4 C D E|say a\\|b|#echoes|#ECHO");
    ASSERT_EQ(commands.size(), 6u);
    EXPECT_EQ(commands[0].Kind, TriggerActionKind::Send);
    EXPECT_EQ(commands[0].Template, "kill $1");
    EXPECT_EQ(commands[1].Kind, TriggerActionKind::Echo);
    EXPECT_EQ(commands[1].Template, "\x1C"
                                    "danger");
    EXPECT_EQ(commands[2].Kind, TriggerActionKind::Play);
    EXPECT_EQ(commands[2].Template, "O4 C D E");
    EXPECT_EQ(commands[3].Template, "say a\\|b");
    EXPECT_EQ(commands[4].Kind, TriggerActionKind::Send); // not the word "#echo"
    EXPECT_EQ(commands[5].Kind, TriggerActionKind::Echo);
    EXPECT_EQ(commands[5].Template, "");
}

TEST(TriggerFile, ThreeKindsOfEntriesWithCommentsBeforeTheFirstHeader) {
    const Parsed parsed = Parse("My triggers\r\n"
                                "trigger: is a comment here too? no: it is a header\r\n"
                                "x\r\n");
    // A header with bad words is refused, so only the comment line and it remain.
    EXPECT_TRUE(parsed.Contents.Triggers.empty());
    ASSERT_EQ(parsed.Problems.size(), 1u);

    const Parsed fight = Parse("Comments: trigger: is not a header in the middle of a line\n"
                               "\n"
                               "trigger:\n"
                               "* arrives.\n"
                               "kill $1\n"
                               "\n"
                               "TRIGGER: part gag\n"
                               "spam\n"
                               "timer: 60\n"
                               "say tick\n"
                               "when: hunger < 2\n"
                               "eat bread\n"
                               "when:\n"
                               "health<=30%\n"
                               "flee|rest\n");
    EXPECT_TRUE(fight.Problems.empty()) << fight.Problems[0];
    ASSERT_EQ(fight.Contents.Triggers.size(), 2u);
    const TriggerEntry& kill = fight.Contents.Triggers[0];
    EXPECT_EQ(kill.Pattern, "* arrives.");
    ASSERT_EQ(kill.Commands.size(), 1u);
    EXPECT_EQ(kill.Commands[0].Template, "kill $1");
    EXPECT_EQ(kill.Name, "fight.ttr:3");
    EXPECT_FALSE(kill.Regex);
    const TriggerEntry& spam = fight.Contents.Triggers[1];
    EXPECT_TRUE(spam.Options.Gag && spam.Options.Part);
    EXPECT_TRUE(spam.Commands.empty());

    ASSERT_EQ(fight.Contents.Timers.size(), 1u);
    EXPECT_EQ(fight.Contents.Timers[0].Period, std::chrono::seconds(60));
    EXPECT_EQ(fight.Contents.Timers[0].Commands[0].Template, "say tick");

    ASSERT_EQ(fight.Contents.Conditions.size(), 2u);
    EXPECT_EQ(fight.Contents.Conditions[0].Condition.Value, Hunger);
    EXPECT_EQ(fight.Contents.Conditions[0].Condition.Number, 2);
    const WhenEntry& flee = fight.Contents.Conditions[1];
    EXPECT_EQ(flee.Condition.Value, Health);
    EXPECT_EQ(flee.Condition.Comparison, StatusComparison::LessOrEqual);
    EXPECT_TRUE(flee.Condition.Percent);
    ASSERT_EQ(flee.Commands.size(), 2u);
    EXPECT_EQ(flee.Commands[1].Template, "rest");
}

TEST(TriggerFile, CyrillicIsKeptInTheConsoleCodePage) {
    // "trigger: part" / "Гоблин *" / "убить $1|#echo \x8C опасно"
    const Parsed parsed = Parse("trigger: part\n\xC3\xEE\xE1\xEB\xE8\xED *\n"
                                "\xF3\xE1\xE8\xF2\xFC $1|#echo \x8C\xEE\xEF\xE0\xF1\xED\xEE\n"
                                "when: \xC7\xE4\xEE\xF0 < 50%\n\xE1\xE5\xE6\xE0\xF2\xFC\n");
    ASSERT_TRUE(parsed.Problems.empty()) << parsed.Problems[0];
    ASSERT_EQ(parsed.Contents.Triggers.size(), 1u);
    const TriggerEntry& entry = parsed.Contents.Triggers[0];
    EXPECT_EQ(entry.Pattern, "\x83\xAE\xA1\xAB\xA8\xAD *");
    EXPECT_EQ(entry.Commands[0].Template, "\xE3\xA1\xA8\xE2\xEC $1");
    // The colour byte of Windows-1251 becomes the console's.
    EXPECT_EQ(entry.Commands[1].Template, "\x1C\xAE\xAF\xA0\xE1\xAD\xAE");
    ASSERT_EQ(parsed.Contents.Conditions.size(), 1u);
    EXPECT_EQ(parsed.Contents.Conditions[0].Condition.Value, Health);
}

TEST(TriggerFile, EachBadEntryIsOneRedLineWithFileAndLineAndTheRestIsKept) {
    const Parsed parsed = Parse("trigger: glow\n"                    // 1 bad word
                                "x\nsay x\n"                         //
                                "trigger: pure\n"                    // 4
                                "(unclosed\nsay y\n"                 // 5 bad pattern
                                "trigger:\n"                         // 7 kept
                                "ok *\nsay $1\n"                     //
                                "timer: 0\nsay 0\n"                  // 10
                                "timer: 1e9\nsay big\n"              // 12
                                "timer: 86401\nsay big\n"            // 14
                                "timer: 1\nsay fast\n"               // 16 kept
                                "when: mood < 3\nsmile\n"            // 18
                                "when: level < 5%\nx\n"              // 20 level has no maximum
                                "when: health < 101%\nx\n"           // 22
                                "when: health < 30\n"                // 24 no commands
                                "trigger:\n"                         // 25 no pattern
                                "trigger:\n"                         // 26
                                "* * * * * * * * * * * * * * *\nx\n" // 27 15 wildcards
                                "trigger:\nquiet\n");                // 29 nothing to do
    EXPECT_EQ(parsed.Contents.Triggers.size(), 1u);
    EXPECT_EQ(parsed.Contents.Timers.size(), 1u);
    EXPECT_EQ(parsed.Contents.Timers[0].Period, std::chrono::seconds(1));
    EXPECT_TRUE(parsed.Contents.Conditions.empty());
    const std::vector<int> lines = {1, 5, 10, 12, 14, 18, 20, 22, 24, 25, 27, 29};
    ASSERT_EQ(parsed.Problems.size(), lines.size());
    for (size_t i = 0; i < lines.size(); ++i) {
        const std::string& problem = parsed.Problems[i];
        EXPECT_EQ(problem.front(), '\x89');
        EXPECT_EQ(problem.back(), '\x87');
        EXPECT_EQ(problem.find('\n'), std::string::npos);
        EXPECT_NE(
            problem.find("fight.ttr, \xF1\xF2\xF0\xEE\xEA\xE0 " + std::to_string(lines[i]) + ":"),
            std::string::npos)
            << i << ": " << problem;
    }
    EXPECT_NE(parsed.Problems[0].find("\"glow\""), std::string::npos);
    // The engine's own message, with the position.
    EXPECT_NE(parsed.Problems[1].find("missing closing parenthesis"), std::string::npos)
        << parsed.Problems[1];
    EXPECT_NE(parsed.Problems[2].find("86400"), std::string::npos);
}

TEST(TriggerFile, ContentsStopAtTheLimitAndProblemsAreCapped) {
    std::string file;
    const std::string command(1000, 'c');
    for (int i = 0; i < 300; ++i)
        file += "trigger: part\nword" + std::to_string(i) + "\n" + command + "\n";
    const Parsed big = Parse(file);
    EXPECT_FALSE(big.Complete);
    EXPECT_LE(big.Contents.Bytes, TriggerBytesLimit);
    EXPECT_GT(big.Contents.Triggers.size(), 200u);
    EXPECT_LT(big.Contents.Triggers.size(), 300u);

    std::string bad;
    for (int i = 0; i < 1000; ++i)
        bad += "trigger: nonsense\nx\ny\n";
    const Parsed many = Parse(bad);
    EXPECT_EQ(many.Problems.size(), TriggerProblemsShown);
    EXPECT_EQ(many.Contents.ProblemsHidden, 1000 - TriggerProblemsShown);
}

TEST(TriggerFile, PurePatternsAreCompiledAndWholeLineOnesAnchored) {
    const Parsed parsed = Parse("trigger: pure\na|b\nx\ntrigger: pure part\na|b\nx\n");
    ASSERT_EQ(parsed.Contents.Triggers.size(), 2u);
    RegexScratch scratch;
    RegexMatch match;
    std::string failure;
    const AliasRegex& whole = *parsed.Contents.Triggers[0].Regex;
    const AliasRegex& part = *parsed.Contents.Triggers[1].Regex;
    EXPECT_EQ(whole.Search("a", 0, scratch, match, failure), RegexSearchResult::Found);
    EXPECT_EQ(whole.Search("ab", 0, scratch, match, failure), RegexSearchResult::NotFound);
    EXPECT_EQ(whole.Search("cb", 0, scratch, match, failure), RegexSearchResult::NotFound);
    EXPECT_EQ(part.Search("cb", 0, scratch, match, failure), RegexSearchResult::Found);
}

TEST(TriggerFile, SettingsNameTriggerFilesAndEveryLoadIsANewGeneration) {
    test::FakeFileSystem files;
    files.Add("/games/hero.tcf", "TriggerFile=fight\nAliasFile=a\nTriggerFile=sub/more.txt\n"
                                 "triggerfile=ignored\n");
    files.Add("/games/fight.ttr", "trigger:\nrat\nkill rat\ntimer: 5\nsay tick\n");
    files.Add("/games/sub/more.ttr", "when: mana > 50%\ncast\ntrigger: colour=99\nx\n");
    files.Add("/games/ignored.ttr", "trigger:\nnever\nx\n");
    TKeyMacrosMap macros;
    TAliasArray aliases;
    TriggerFileContents triggers;
    const std::vector<std::string> problems =
        LoadMacrosAndAliases(files, "/games/hero.tcf", macros, aliases, triggers);
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("/games/sub/more.ttr, \xF1\xF2\xF0\xEE\xEA\xE0 3"),
              std::string::npos)
        << problems[0];
    EXPECT_EQ(triggers.Triggers.size(), 1u);
    EXPECT_EQ(triggers.Timers.size(), 1u);
    EXPECT_EQ(triggers.Conditions.size(), 1u);
    const uint64_t first = triggers.Generation;

    // A reload (Tab) reads the files as they are now.
    files.Add("/games/fight.ttr", "trigger:\nrat\nkill rat\ntrigger:\nbat\nkill bat\n");
    LoadMacrosAndAliases(files, "/games/hero.tcf", macros, aliases, triggers);
    EXPECT_EQ(triggers.Triggers.size(), 2u);
    EXPECT_TRUE(triggers.Timers.empty());
    EXPECT_NE(triggers.Generation, first);
}

} // namespace
} // namespace tolmix
