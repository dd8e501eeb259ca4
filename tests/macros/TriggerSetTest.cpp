#include "macros/TriggerSet.h"
#include "macros/AliasFile.h"
#include "support/ManualClock.h"
#include "text/CodePage.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

// Processor time that moves on by Step at every reading, as a slow trigger set would make it.
class CreepingClock final : public Clock {
  public:
    Milliseconds Step{0};
    TimePoint Now() const override {
        Current += Step;
        return Current;
    }

  private:
    mutable TimePoint Current{};
};

class TriggerSetTest : public ::testing::Test {
  protected:
    test::ManualClock Steady;
    CreepingClock Cpu;
    TriggerFileContents Contents;
    TriggerSet Triggers{Contents, Steady, Cpu};

    void Load(std::string_view file) {
        TTolmixStringList lines;
        lines.SetText(file);
        std::vector<std::string> problems;
        Contents.Clear();
        ParseTriggerFile(Contents, lines, "t.ttr", problems);
        ASSERT_TRUE(problems.empty()) << problems[0];
    }

    std::vector<std::string> Sent(std::string_view line) {
        std::vector<std::string> sent;
        for (const TriggerAction& action : Triggers.Match(line).Actions)
            sent.push_back(action.Text);
        return sent;
    }
};

using Lines = std::vector<std::string>;

TEST_F(TriggerSetTest, EasyPatternsMatchTheWholeLineOrAnywhereWithCaptures) {
    Load("trigger:\n* arrives from the *.\nkill $1|say ${2}!\n"
         "trigger: part\ngold\nget gold\n"
         "trigger: part\nsays '*'\nreply $1\n"
         "trigger:\nexact\nyes\n");
    EXPECT_EQ(Sent("A rat arrives from the north."), (Lines{"kill A rat", "say north!"}));
    EXPECT_EQ(Sent("A rat arrives from the north. Really."),
              (Lines{"kill A rat", "say north. Really!"}));
    EXPECT_EQ(Sent("A rat arrives from the north!"), Lines{});
    EXPECT_EQ(Sent("You see gold here"), Lines{"get gold"});
    EXPECT_EQ(Sent("Bob says 'hi' and says 'bye'"), Lines{"reply hi"});
    EXPECT_EQ(Sent("exact"), Lines{"yes"});
    EXPECT_EQ(Sent("exactly"), Lines{});
    EXPECT_EQ(Sent("not exact"), Lines{});
    EXPECT_EQ(Sent(""), Lines{});
}

TEST_F(TriggerSetTest, WildcardsAreLazyAndWholeLinePiecesCannotOverlap) {
    Load("trigger:\n*a*a\n$1/$2\n"
         "trigger:\nab*ba\nmid $1\n");
    // The first wildcard takes as little as it can; the last piece sits at the end.
    EXPECT_EQ(Sent("xaya"), Lines{"x/y"});
    EXPECT_EQ(Sent("aaa"), Lines{"/a"});
    EXPECT_EQ(Sent("aba"), (Lines{"/b"}));
    EXPECT_EQ(Sent("abba"), (Lines{"/bb", "mid "}));
    EXPECT_EQ(Sent("aa"), Lines{"/"});
}

TEST_F(TriggerSetTest, EveryMatchingTriggerFiresInFileOrder) {
    Load("trigger: part\ndragon\nfirst\n"
         "trigger: pure part\ndrag(on)\nsecond $1\n"
         "trigger:\nA dragon *\nthird $1\n"
         "trigger: part\nnothing\nnever\n");
    EXPECT_EQ(Sent("A dragon flies"), (Lines{"first", "second on", "third flies"}));
}

TEST_F(TriggerSetTest, CapturedServerTextNeverBreaksACommand) {
    Load("trigger:\n* tells you: *\nreply $2|#echo $1 said $2\n");
    const TriggerVerdict verdict = Triggers.Match("Eve tells you: hi|drop all");
    ASSERT_EQ(verdict.Actions.size(), 2u);
    EXPECT_EQ(verdict.Actions[0], (TriggerAction{TriggerActionKind::Send, "reply hi|drop all"}));
    EXPECT_EQ(verdict.Actions[1], (TriggerAction{TriggerActionKind::Echo, "Eve said hi|drop all"}));
}

TEST_F(TriggerSetTest, ClientActionsComeBackTyped) {
    Load("trigger: part\nbell\n#play T120 O4 C E G|#echo \x8C"
         "ring!|ring\n");
    const TriggerVerdict verdict = Triggers.Match("the bell tolls");
    EXPECT_EQ(verdict.Actions,
              (std::vector<TriggerAction>{{TriggerActionKind::Play, "T120 O4 C E G"},
                                          {TriggerActionKind::Echo, "\x1C"
                                                                    "ring!"},
                                          {TriggerActionKind::Send, "ring"}}));
}

TEST_F(TriggerSetTest, ColoursCoverTheLineOrEachMatchAndAGagWins) {
    Load("trigger: part colour=14\ndragon\n"
         "trigger: colour=9\nRed *\n");
    TriggerVerdict verdict = Triggers.Match("a dragon and a dragon");
    EXPECT_FALSE(verdict.Gag);
    EXPECT_EQ(verdict.Colours, (std::vector<TriggerColourSpan>{{2, 6, 14}, {15, 6, 14}}));
    verdict = Triggers.Match("Red dragon");
    EXPECT_EQ(verdict.Colours, (std::vector<TriggerColourSpan>{{4, 6, 14}, {0, 10, 9}}));

    Load("trigger: part colour=14\ndragon\n"
         "trigger: part gag\nspam\n"
         "trigger: pure part colour=2\n\\d+\n");
    verdict = Triggers.Match("12 dragon spam 345");
    EXPECT_TRUE(verdict.Gag);
    EXPECT_TRUE(verdict.Colours.empty());
    verdict = Triggers.Match("12 dragons, 345");
    EXPECT_FALSE(verdict.Gag);
    EXPECT_EQ(verdict.Colours, (std::vector<TriggerColourSpan>{{3, 6, 14}, {0, 2, 2}, {12, 3, 2}}));
}

TEST_F(TriggerSetTest, CyrillicLinesInTheConsoleCodePage) {
    // "trigger:" / "Гоблин * пришёл." / "убить $1"
    Load("trigger:\n\xC3\xEE\xE1\xEB\xE8\xED * \xEF\xF0\xE8\xF8\xB8\xEB.\n\xF3\xE1\xE8\xF2\xFC "
         "$1\n");
    EXPECT_EQ(Sent(AnsiToConsole("\xC3\xEE\xE1\xEB\xE8\xED \xC2\xE0\xF1\xFF "
                                 "\xEF\xF0\xE8\xF8\xB8\xEB.")),
              Lines{AnsiToConsole("\xF3\xE1\xE8\xF2\xFC \xC2\xE0\xF1\xFF")});
    // Windows-1251 bytes of the same line are not what the printer hands over.
    EXPECT_EQ(Sent("\xC3\xEE\xE1\xEB\xE8\xED X \xEF\xF0\xE8\xF8\xB8\xEB."), Lines{});
}

TEST_F(TriggerSetTest, OnceRemovesTheTriggerUntilTheNextLoad) {
    const std::string file = "trigger: once part\nrat\nkill rat\ntrigger: part\nrat\nlook\n";
    Load(file);
    EXPECT_EQ(Sent("a rat"), (Lines{"kill rat", "look"}));
    EXPECT_EQ(Sent("a rat"), Lines{"look"});
    EXPECT_EQ(Triggers.ActiveTriggers(), 1u);
    Load(file);
    EXPECT_EQ(Sent("a rat"), (Lines{"kill rat", "look"}));
}

TEST_F(TriggerSetTest, ATriggerFiringTooFastIsStoppedWithOneLine) {
    Load("trigger: part\necho\nsay echo|say echo again\ntrigger: part\necho\nnod\n");
    // Fifty lines within a second: exactly a hundred commands, still allowed.
    for (int i = 0; i < 50; ++i) {
        const TriggerVerdict verdict = Triggers.Match("echo");
        ASSERT_EQ(verdict.Actions.size(), 3u) << i;
        EXPECT_TRUE(verdict.Reports.empty());
        Steady.Current += Milliseconds(19);
    }
    // The 101st command within the second stops it; the other trigger goes on.
    TriggerVerdict verdict = Triggers.Match("echo");
    ASSERT_EQ(verdict.Reports.size(), 1u);
    EXPECT_NE(verdict.Reports[0].find("t.ttr:1"), std::string::npos) << verdict.Reports[0];
    EXPECT_NE(verdict.Reports[0].find("100"), std::string::npos);
    EXPECT_EQ(verdict.Actions, (std::vector<TriggerAction>{{TriggerActionKind::Send, "nod"}}));
    Steady.Current += std::chrono::seconds(10);
    verdict = Triggers.Match("echo");
    EXPECT_TRUE(verdict.Reports.empty());
    EXPECT_EQ(verdict.Actions.size(), 1u);
}

TEST_F(TriggerSetTest, SlowerFiringIsNeverStopped) {
    Load("trigger: part\ntick\nsay tock|say tock\n");
    for (int i = 0; i < 400; ++i) {
        const TriggerVerdict verdict = Triggers.Match("tick");
        ASSERT_EQ(verdict.Actions.size(), 2u) << i;
        Steady.Current += Milliseconds(21); // 95 commands a second
    }
}

TEST_F(TriggerSetTest, ACatastrophicPatternFailsOnceAndTheOthersGoOn) {
    Load("trigger: pure part\n(a+)+$\nnever\ntrigger: part\naaa\nfine\n");
    const std::string line = std::string(40, 'a') + "!";
    TriggerVerdict verdict = Triggers.Match(line);
    EXPECT_EQ(verdict.Actions, (std::vector<TriggerAction>{{TriggerActionKind::Send, "fine"}}));
    ASSERT_EQ(verdict.Reports.size(), 1u);
    EXPECT_NE(verdict.Reports[0].find("t.ttr:1"), std::string::npos);
    verdict = Triggers.Match(line);
    EXPECT_TRUE(verdict.Reports.empty());
    EXPECT_EQ(verdict.Actions.size(), 1u);
}

TEST_F(TriggerSetTest, TheLineTimeCutsOffTheTriggerBeingTried) {
    std::string file;
    for (int i = 0; i < 40; ++i)
        file += "trigger: pure part\nline\nsay " + std::to_string(i) + "\n";
    Load(file);
    // Every reading of the processor clock finds 15 ms more spent: the line's time runs out
    // at the third reading.
    Cpu.Step = Milliseconds(15);
    TriggerVerdict verdict = Triggers.Match("a line");
    ASSERT_EQ(verdict.Reports.size(), 1u);
    EXPECT_NE(verdict.Reports[0].find("20"), std::string::npos);
    EXPECT_LT(verdict.Actions.size(), 40u);
    EXPECT_GT(verdict.Actions.size(), 0u);
    const size_t firstRound = verdict.Actions.size();
    EXPECT_NE(verdict.Reports[0].find("t.ttr:" + std::to_string(1 + 3 * firstRound)),
              std::string::npos)
        << verdict.Reports[0];
    // The trigger cut off stays silent; the rest still fire on later lines.
    Cpu.Step = Milliseconds(0);
    verdict = Triggers.Match("a line");
    EXPECT_TRUE(verdict.Reports.empty());
    EXPECT_EQ(verdict.Actions.size(), 39u);
}

TEST_F(TriggerSetTest, CandidatesComeFromTheLineButMissNoMatch) {
    // Many triggers that share no text with the line, and some that do, in every kind.
    std::string file;
    for (int i = 0; i < 300; ++i)
        file += "trigger: part\nspell" + std::to_string(i) + " fades\nx" + std::to_string(i) + "\n";
    file += "trigger:\nYou *\nyou\n"               // whole line, fixed start
            "trigger:\n*e\nends in e\n"            // whole line, one-byte piece
            "trigger: part\n*\nanything\n"         // no fixed text at all
            "trigger: pure\n(?i)YOU.*\ncaseless\n" // pure, ignoring case
            "trigger: pure part\n\\bsee\\b\nsee\n";
    Load(file);
    EXPECT_EQ(Sent("You see spell17 fades here"),
              (Lines{"x17", "you", "ends in e", "anything", "caseless", "see"}));
    EXPECT_EQ(Sent("you see the one"), (Lines{"ends in e", "anything", "caseless", "see"}));
    EXPECT_EQ(Sent("z"), Lines{"anything"});
}

TEST_F(TriggerSetTest, PurePatternsFireExactlyWhenTheirExpressionMatches) {
    // Whatever text the engine looks for to skip a line, it must never skip one that matches.
    const std::vector<std::string> patterns = {"gold coins?",
                                               "ab+c",
                                               "x{2}yz",
                                               "colou?r blue",
                                               "(big )?rat here",
                                               "[Rr]at (runs|flees)",
                                               "a\\.b",
                                               "\\bgem\\d+\\b",
                                               "(?i)dragon",
                                               "you|me",
                                               "^start",
                                               "end$",
                                               "q\\x41b",
                                               "a*b*",
                                               "(?:abc)+def",
                                               "[]x]yz",
                                               "[^a]bc",
                                               "\\Qa.b\\E",
                                               "lo{1,3}ng",
                                               "ht+p",
                                               "#tag",
                                               "(?x) s p a c e d",
                                               "k\\s+v"};
    const std::vector<std::string> lines = {
        "gold coin",   "gold coins",  "abbbc",       "ac",           "xxyz",      "xyz",
        "color blue",  "colour blue", "rat here",    "big rat here", "Rat flees", "rat runs",
        "a.b",         "axb",         "gem12 found", "gems",         "DRAGON",    "you",
        "me",          "start here",  "the end",     "qAb",          "",          "zzz",
        "abcabcdef",   "def",         "]yz",         "xyz",          "abc",       "bbc",
        "a.b",         "long",        "loooong",     "htttp",        "#tag",      "spaced",
        "s p a c e d", "k   v",       "kv"};
    std::string file;
    for (size_t i = 0; i < patterns.size(); ++i)
        file += "trigger: pure part\n" + patterns[i] + "\n" + std::to_string(i) + "\n";
    Load(file);
    for (const std::string& line : lines) {
        Lines expected;
        for (size_t i = 0; i < patterns.size(); ++i) {
            if (RegexMatches(patterns[i], line))
                expected.push_back(std::to_string(i));
        }
        EXPECT_EQ(Sent(line), expected) << line;
    }
}

TEST_F(TriggerSetTest, EasyPatternsCaptureWhatTheirRegularExpressionCaptures) {
    // Patterns and lines over a small alphabet, so that pieces repeat and overlap; the easy
    // matcher and its index must agree with the compiled expression of the same pattern.
    uint32_t seed = 12345;
    auto next = [&](uint32_t range) {
        seed = seed * 1103515245u + 12345u;
        return (seed >> 16) % range;
    };
    auto text = [&](std::string_view alphabet, uint32_t longest) {
        std::string out;
        for (uint32_t n = next(longest + 1); n > 0; --n)
            out += alphabet[next(static_cast<uint32_t>(alphabet.size()))];
        return out;
    };
    std::vector<std::string> patterns;
    std::string file;
    for (int i = 0; i < 300; ++i) {
        std::string pattern = text("ab*ab* c", 7);
        if (pattern.empty())
            pattern = "a";
        const bool part = i % 2 == 1;
        patterns.push_back(pattern);
        file += std::string(part ? "trigger: part\n" : "trigger:\n") + pattern + "\n" +
                std::to_string(i) + "=$1,$2,$3\n";
    }
    Load(file);
    for (int n = 0; n < 400; ++n) {
        const std::string line = text("aab c", 10);
        Lines expected;
        for (size_t i = 0; i < patterns.size(); ++i) {
            std::string regex = WildcardsToGroups(EscapeRegex(patterns[i]));
            if (i % 2 == 0)
                regex = "^" + regex + "$";
            const AliasRegex compiled(regex);
            RegexScratch scratch;
            RegexMatch match;
            std::string failure;
            if (compiled.Search(line, 0, scratch, match, failure) != RegexSearchResult::Found)
                continue;
            std::string out = std::to_string(i) + "=";
            AliasTemplate("$1,$2,$3").Substitute(line, match, out);
            expected.push_back(out);
        }
        ASSERT_EQ(Sent(line), expected) << "\"" << line << "\"";
        Steady.Current += std::chrono::seconds(2); // never a loop
    }
}

TEST_F(TriggerSetTest, TimersKeepTheirCommandsAndFollowReloads) {
    Load("timer: 60\nsay tick|#echo $1tock\n");
    ASSERT_EQ(Triggers.Timers().size(), 1u);
    EXPECT_EQ(Triggers.Timers()[0].Period, std::chrono::seconds(60));
    EXPECT_EQ(CommandActions(Triggers.Timers()[0].Commands),
              (std::vector<TriggerAction>{{TriggerActionKind::Send, "say tick"},
                                          {TriggerActionKind::Echo, "tock"}}));
    const uint64_t generation = Triggers.Generation();
    Load("timer: 5\nsay a\ntimer: 7\nsay b\n");
    EXPECT_NE(Triggers.Generation(), generation);
    EXPECT_EQ(Triggers.Timers().size(), 2u);
}

TEST_F(TriggerSetTest, EmptyFollowsReloads) {
    EXPECT_TRUE(Triggers.Empty());
    Load("trigger: part\ngold\nget gold\n");
    EXPECT_FALSE(Triggers.Empty());
    EXPECT_EQ(Sent("You see gold here"), Lines{"get gold"});
    // Timers alone match no line.
    Load("timer: 5\nsay a\n");
    EXPECT_TRUE(Triggers.Empty());
    EXPECT_EQ(Sent("You see gold here"), Lines{});
}

class WhenTest : public TriggerSetTest {
  protected:
    CharacterStatus Status;

    void Set(StatusIndex index, int32_t value) {
        Status.Status[index] = value;
        Status.Received.set(index);
    }
    Lines Fired() {
        Lines sent;
        for (const TriggerAction& action : Triggers.Evaluate(Status))
            sent.push_back(action.Text);
        return sent;
    }
};

TEST_F(WhenTest, FiresOncePerCrossingAndRearmsOnlyAfterFalse) {
    Load("when: health < 30%\nflee\n");
    EXPECT_EQ(Fired(), Lines{}); // nothing sent yet
    Set(Health, 20);
    EXPECT_EQ(Fired(), Lines{}); // no maximum yet
    Set(HealthMax, 100);
    EXPECT_EQ(Fired(), Lines{"flee"});
    Set(Health, 10);
    EXPECT_EQ(Fired(), Lines{});
    Set(Health, 30); // exactly 30 %: no longer below
    EXPECT_EQ(Fired(), Lines{});
    Set(Health, 29);
    EXPECT_EQ(Fired(), Lines{"flee"});
    Set(HealthMax, 0); // a maximum of 0 tells nothing: the state is kept
    EXPECT_EQ(Fired(), Lines{});
    Set(HealthMax, 100);
    EXPECT_EQ(Fired(), Lines{});
}

TEST_F(WhenTest, EveryComparisonAndNameWithItsValue) {
    // здор, голод, мана, огонь, Сила, уровень
    Load("when: \xE7\xE4\xEE\xF0 <= 50\na\n"
         "when: \xC3\xCE\xCB\xCE\xC4 < 2\nb\n"
         "when: mana > 90%\nc\n"
         "when: \xEE\xE3\xEE\xED\xFC >= 3\nd\n"
         "when: \xD1\xE8\xEB\xE0 >= 100%\ne\n"
         "when: level >= 10\nf\n"
         "when: exp > -1\ng\n");
    Set(Health, 50);
    Set(Hunger, 1);
    Set(Mana, 91);
    Set(ManaMax, 100);
    Set(Fire, 3);
    Set(Strength, 7);
    Set(StrengthMax, 7);
    Set(Level, 9);
    EXPECT_EQ(Fired(), (Lines{"a", "b", "c", "d", "e"}));
    Set(Health, 51);
    Set(Hunger, 2);
    Set(Mana, 90);
    Set(Fire, 2);
    Set(Strength, 6);
    Set(Level, 10);
    Set(Experience, 0);
    EXPECT_EQ(Fired(), (Lines{"f", "g"}));
    Set(Health, 1);
    Set(Hunger, 0);
    EXPECT_EQ(Fired(), (Lines{"a", "b"}));
}

TEST(StatusConditionParse, SpellingsAndRefusals) {
    std::string error;
    std::optional<StatusCondition> c = ParseStatusCondition("  moves>=75%  ", error);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->Value, Moves);
    EXPECT_EQ(c->Maximum, MovesMax);
    EXPECT_EQ(c->Comparison, StatusComparison::GreaterOrEqual);
    EXPECT_EQ(c->Number, 75);
    EXPECT_TRUE(c->Percent);
    c = ParseStatusCondition("thirst > 2147483647", error);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->Number, 2147483647);
    c = ParseStatusCondition("exp < -2147483648", error);
    ASSERT_TRUE(c);
    EXPECT_EQ(c->Number, -2147483648LL);
    for (const std::string_view bad :
         {"", "health", "health 30", "health = 30", "health << 3", "health < ", "health < 3x",
          "health < 2147483648", "health < 99999999999999999999999", "hunger < 5%", "mana < 150%",
          "mana < -1%", "healths < 3", "< 3", "health < 3 %%"}) {
        error.clear();
        EXPECT_FALSE(ParseStatusCondition(bad, error)) << bad;
        EXPECT_FALSE(error.empty()) << bad;
    }
}

} // namespace
} // namespace tolmix
