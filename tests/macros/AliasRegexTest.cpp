#include "macros/AliasRegex.h"
#include "macros/CompiledAlias.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

std::string Byte(int c) {
    return std::string(1, static_cast<char>(c));
}

// The result of one search from the start of the subject, with the failure text.
RegexSearchResult SearchAll(const AliasRegex& regex, std::string_view subject,
                            std::string* failure = nullptr, RegexMatch* match = nullptr) {
    RegexScratch scratch;
    RegexMatch local;
    std::string error;
    const RegexSearchResult result =
        regex.Search(subject, 0, scratch, match ? *match : local, error);
    if (failure)
        *failure = error;
    return result;
}

TEST(AliasRegex, MatchingIsCaseSensitiveAndAnchorsHoldOnlyAtTheSubjectEnds) {
    EXPECT_TRUE(RegexMatches("kill", "kill goblin"));
    EXPECT_FALSE(RegexMatches("kill", "KILL goblin"));
    EXPECT_TRUE(RegexMatches("(?i)kill", "KILL goblin")); // the pattern may still ask
    EXPECT_FALSE(RegexMatches("^b", "a\nb"));
    EXPECT_FALSE(RegexMatches("a$", "a\n"));
    EXPECT_TRUE(RegexMatches("^a\nb$", "a\nb"));
    EXPECT_FALSE(RegexMatches("^goblin", "kill goblin"));
}

TEST(AliasRegex, DotMatchesEveryByteAndZeroBytesAreOrdinary) {
    for (int c : {0x00, 0x0A, 0x0D, 0x10, 0x7F, 0x80, 0xE0, 0xFF})
        EXPECT_TRUE(RegexMatches("^a.b$", "a" + Byte(c) + "b")) << c;
    EXPECT_TRUE(RegexMatches(std::string("^x\0y$", 5), std::string("x\0y", 3)));
    EXPECT_FALSE(RegexMatches(std::string("^x\0y$", 5), "xy"));
}

TEST(AliasRegex, WordClassIsAsciiOnlyAndCyrillicLettersAreNoWordCharacters) {
    const std::string word = "0123456789abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ_";
    const AliasRegex w("^\\w$");
    const AliasRegex posix("^[[:word:]]$");
    for (int c = 0; c < 256; ++c) {
        const bool expected = word.find(static_cast<char>(c)) != std::string::npos;
        EXPECT_EQ(SearchAll(w, Byte(c)) == RegexSearchResult::Found, expected) << c;
        EXPECT_EQ(SearchAll(posix, Byte(c)) == RegexSearchResult::Found, expected) << c;
    }
    // Code page 866: capital A (0x80), small a (0xA0), small er (0xE0), yo (0xF1).
    EXPECT_FALSE(RegexMatches("[[:alpha:]]", "\x80\xA0\xE0\xF1"));
    EXPECT_TRUE(RegexMatches("^\\W+$", "\x8A\xA8\xAB\xAB")); // "Килл"
    // A word boundary falls between a Latin letter and a Cyrillic one.
    EXPECT_TRUE(RegexMatches("k\\b", "k\xA0"));
    // Letter case folds only ASCII letters.
    EXPECT_TRUE(RegexMatches("(?i)^k$", "K"));
    EXPECT_FALSE(RegexMatches("(?i)^\xA0$", "\x80"));
}

TEST(AliasRegex, SpaceClassIsBlankTabLineFeedReturnAndFormFeed) {
    const AliasRegex s("^\\s$");
    const AliasRegex posix("^[[:space:]]$");
    for (int c = 0; c < 256; ++c) {
        const bool expected = c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
        EXPECT_EQ(SearchAll(s, Byte(c)) == RegexSearchResult::Found, expected) << c;
        EXPECT_EQ(SearchAll(posix, Byte(c)) == RegexSearchResult::Found, expected) << c;
    }
    EXPECT_TRUE(RegexMatches("^\\S$", "\v"));
}

TEST(AliasRegex, QuantifiersAreGreedyUnlessFollowedByAQuestionMark) {
    EXPECT_EQ(RegexReplace("<(.*)>", "<a><b>", "[$1]"), "[a><b]");
    EXPECT_EQ(RegexReplace("<(.*?)>", "<a><b>", "[$1]"), "[a][b]");
    // Among alternatives the first that succeeds wins.
    EXPECT_EQ(RegexReplace("^(k|ki)", "kill", "[$1]"), "[k]ill");
}

TEST(AliasRegex, FourteenGroupsCompileAndFifteenAreRefusedWithAMessage) {
    std::string fourteen, fifteen;
    for (int i = 0; i < 14; ++i)
        fourteen += "(a)";
    fifteen = fourteen + "(a)";
    const AliasRegex ok(fourteen);
    ASSERT_TRUE(ok.Ok()) << ok.Error();
    EXPECT_EQ(ok.CaptureCount(), 14);
    const AliasRegex tooMany(fifteen);
    EXPECT_FALSE(tooMany.Ok());
    EXPECT_NE(tooMany.Error().find("15 \xE3\xF0\xF3\xEF\xEF"), std::string::npos)
        << tooMany.Error();
    EXPECT_FALSE(RegexMatches(fifteen, std::string(15, 'a')));
    // Groups that do not capture do not count.
    EXPECT_TRUE(AliasRegex("(?:a)" + fifteen.substr(3)).Ok());
}

TEST(AliasRegex, BrokenPatternsCarryTheEnginesMessageAndNeverMatch) {
    for (const char* pattern : {"(", "a)", "[z-a]", "*a", "a{2,1}", "\\", "(?<n>a)(?<n>b)"}) {
        const AliasRegex regex(pattern);
        EXPECT_FALSE(regex.Ok()) << pattern;
        EXPECT_NE(regex.Error().find(" \xE2 \xEF\xEE\xE7\xE8\xF6\xE8\xE8 "), std::string::npos)
            << regex.Error();
        std::string failure;
        EXPECT_EQ(SearchAll(regex, "anything", &failure), RegexSearchResult::Failed);
        EXPECT_EQ(failure, regex.Error());
    }
    // Byte strings only: the pattern cannot switch the engine to UTF-8 or Unicode classes.
    EXPECT_FALSE(AliasRegex("(*UTF)a").Ok());
    EXPECT_FALSE(AliasRegex("(*UCP)a").Ok());
    EXPECT_FALSE(AliasRegex(std::string(AliasPatternLimit + 1, 'a')).Ok());
    EXPECT_TRUE(AliasRegex(std::string(1000, 'a')).Ok());
}

TEST(AliasRegex, CatastrophicBacktrackingStopsAtTheMatchLimit) {
    const AliasRegex regex("(a+)+$");
    ASSERT_TRUE(regex.Ok());
    std::string failure;
    EXPECT_EQ(SearchAll(regex, std::string(40, 'a') + "b", &failure), RegexSearchResult::Failed);
    EXPECT_EQ(failure, "match limit exceeded");
    // The same pattern still works where it does not explode.
    EXPECT_EQ(SearchAll(regex, std::string(40, 'a')), RegexSearchResult::Found);
    // A pattern cannot raise the limit for itself.
    const AliasRegex raised("(*LIMIT_MATCH=100000000)(a+)+$");
    ASSERT_TRUE(raised.Ok());
    EXPECT_EQ(SearchAll(raised, std::string(40, 'a') + "b"), RegexSearchResult::Failed);
}

TEST(AliasRegex, AllSearchesOfAPatternOnOneLineShareOneStepBudget) {
    // Exponential in every run of a's yet under the match limit at each start position.
    std::string line;
    while (line.size() < 5000)
        line += std::string(16, 'a') + "!";
    const AliasRegex regex("(?:a+)+$");
    std::string failure;
    EXPECT_EQ(SearchAll(regex, line, &failure), RegexSearchResult::Failed);
    EXPECT_NE(failure.find("1000000 \xF8\xE0\xE3\xEE\xE2"), std::string::npos) << failure;
    // A short line stays within it.
    EXPECT_EQ(SearchAll(regex, std::string(16, 'a') + "!" + std::string(16, 'a')),
              RegexSearchResult::Found);
    // The budget counts from the last reset: spent, the next search fails at once.
    RegexScratch scratch;
    RegexMatch match;
    EXPECT_EQ(regex.Search(line, 0, scratch, match, failure), RegexSearchResult::Failed);
    EXPECT_EQ(regex.Search("aaa", 0, scratch, match, failure), RegexSearchResult::Failed);
    scratch.ResetBudget();
    EXPECT_EQ(regex.Search("aaa", 0, scratch, match, failure), RegexSearchResult::Found);
}

TEST(AliasRegex, LongLinesStillMatchWithinTheLimits) {
    // A lazy wildcard over a long command costs one step per byte.
    const std::string line = "k " + std::string(20000, 'x');
    EXPECT_EQ(RegexReplace("^k (.*?)$", line, "kill $1"), "kill " + std::string(20000, 'x'));
    EXPECT_TRUE(RegexMatches("^(?:a|b)*c$", std::string(10000, 'a') + "c"));
}

TEST(AliasRegex, GroupsReportOffsetsAndUnsetGroups) {
    const AliasRegex regex("(a)(x)?(b)");
    RegexMatch match;
    ASSERT_EQ(SearchAll(regex, "zab", nullptr, &match), RegexSearchResult::Found);
    ASSERT_EQ(match.Count, 4);
    EXPECT_EQ(match.Groups[0].Start, 1);
    EXPECT_EQ(match.Groups[0].End, 3);
    EXPECT_EQ(match.Groups[1].Start, 1);
    EXPECT_EQ(match.Groups[2].Start, -1);
    EXPECT_EQ(match.Groups[3].Start, 2);
    EXPECT_EQ(match.Groups[3].End, 3);
}

TEST(AliasRegex, SearchFromAnOffsetSeesTheTextBeforeItButNotAsTheStart) {
    const AliasRegex start("^a");
    const AliasRegex behind("(?<=a)b");
    RegexScratch scratch;
    RegexMatch match;
    std::string failure;
    EXPECT_EQ(start.Search("aaa", 1, scratch, match, failure), RegexSearchResult::NotFound);
    ASSERT_EQ(behind.Search("abab", 2, scratch, match, failure), RegexSearchResult::Found);
    EXPECT_EQ(match.Groups[0].Start, 3);
    EXPECT_EQ(start.Search("a", 5, scratch, match, failure), RegexSearchResult::NotFound);
}

} // namespace
} // namespace tolmix
