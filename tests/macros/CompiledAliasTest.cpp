#include "macros/CompiledAlias.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

// Twelve single-letter groups over "abcdefghijkl", so a group's number says which letter.
constexpr const char* TwelveGroups = "(a)(b)(c)(d)(e)(f)(g)(h)(i)(j)(k)(l)";
constexpr const char* TwelveLetters = "abcdefghijkl";

TEST(RegexReplace, DollarDigitsReadEveryDigitAndBracesEndTheNumber) {
    EXPECT_EQ(RegexReplace(TwelveGroups, TwelveLetters, "$12"), "l");
    EXPECT_EQ(RegexReplace(TwelveGroups, TwelveLetters, "$1$2"), "ab");
    EXPECT_EQ(RegexReplace(TwelveGroups, TwelveLetters, "${1}2"), "a2");
    EXPECT_EQ(RegexReplace(TwelveGroups, TwelveLetters, "$10"), "j");
    EXPECT_EQ(RegexReplace(TwelveGroups, TwelveLetters, "${12}"), "l");
    EXPECT_EQ(RegexReplace(TwelveGroups, TwelveLetters, "$01"), "a");
    EXPECT_EQ(RegexReplace("k (.*)", "k orc", "<$&|$0>"), "<k orc|k orc>");
}

TEST(RegexReplace, GroupsThatDoNotExistOrDidNotTakePartInsertNothing) {
    EXPECT_EQ(RegexReplace(TwelveGroups, TwelveLetters, "[$13]"), "[]");
    EXPECT_EQ(RegexReplace(TwelveGroups, TwelveLetters, "[$15][${15}][$99999999999999999999]"),
              "[][][]");
    EXPECT_EQ(RegexReplace("a(x)?c", "ac", "[$1]"), "[]");
    EXPECT_EQ(RegexReplace("(a)|(b)", "b", "[$1|$2]"), "[|b]");
}

TEST(RegexReplace, BackslashKeepsTheNextCharacterAndADollarWithoutNumberStays) {
    EXPECT_EQ(RegexReplace("k (.*)", "k orc", "\\$1 is $1"), "$1 is orc");
    EXPECT_EQ(RegexReplace("x", "x", "a\\\\b"), "a\\b");
    EXPECT_EQ(RegexReplace("x", "x", "\\n\\&"), "n&");
    EXPECT_EQ(RegexReplace("x", "x", "cost 5$"), "cost 5$");
    EXPECT_EQ(RegexReplace("x", "x", "$x $ ${x} ${1 $}"), "$x $ ${x} ${1 $}");
    EXPECT_EQ(RegexReplace("x", "x", "end\\"), "end\\");
    EXPECT_EQ(RegexReplace("x", "x", ""), "");
}

TEST(RegexReplace, EveryMatchIsReplacedAndTheTextAroundThemIsKept) {
    EXPECT_EQ(RegexReplace("o", "goblin orc", "0"), "g0blin 0rc");
    EXPECT_EQ(RegexReplace("aa", "aaaaa", "X"), "XXa");
    EXPECT_EQ(RegexReplace("zz", "goblin", "X"), "goblin");
    // A match is replaced once even when the template holds what the pattern matches.
    EXPECT_EQ(RegexReplace("a", "aa", "aa"), "aaaa");
    EXPECT_EQ(RegexReplace("k (.*?)", "k k goblin", "kill $1"), "kill kill goblin");
}

TEST(RegexReplace, AfterAnEmptyMatchTheNextSearchStartsOneCharacterFurther) {
    EXPECT_EQ(RegexReplace("x*", "axb", "-"), "-a--b-");
    EXPECT_EQ(RegexReplace("", "ab", "."), ".a.b.");
    EXPECT_EQ(RegexReplace("", "", "."), ".");
    EXPECT_EQ(RegexReplace("$", "ab", "!"), "ab!");
    EXPECT_EQ(RegexReplace("^", "ab", "> "), "> ab");
    // A later search may still match the start only at the start of the text.
    EXPECT_EQ(RegexReplace("^a", "aaa", "X"), "Xaa");
}

TEST(RegexReplace, AFailingPatternLeavesTheTextAsItWas) {
    EXPECT_EQ(RegexReplace("(", "k goblin", "x"), "k goblin");
    EXPECT_EQ(RegexReplace("(a+)+$", std::string(40, 'a') + "b", "x"), std::string(40, 'a') + "b");
    EXPECT_FALSE(RegexMatches("(", "("));
}

TEST(RegexReplace, ALimitHitOnALaterMatchFailsTheWholeReplacement) {
    // The first match is cheap; the second search explodes on the run of a's before the b.
    const AliasRegex regex("x|(a+)+$");
    const AliasTemplate templ("y");
    RegexScratch scratch;
    const ReplaceResult result =
        ReplaceMatches(regex, templ, "x" + std::string(40, 'a') + "b", scratch);
    EXPECT_EQ(result.Status, RegexSearchResult::Failed);
    EXPECT_EQ(result.Error, "match limit exceeded");
    EXPECT_TRUE(result.Text.empty());
}

} // namespace
} // namespace tolmix
