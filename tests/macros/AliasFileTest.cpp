#include "macros/AliasFile.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

TAliasArray Parse(const std::string& text) {
    TTolmixStringList lines;
    lines.SetText(text);
    TAliasArray aliases;
    ParseAliasFile(aliases, lines);
    return aliases;
}

uint8_t Bits(std::string_view header) {
    return ParseAliasOptions(header).Bits;
}

TEST(AliasWords, OnlyBlanksSeparateWords) {
    EXPECT_EQ(FirstWord("   alias: full"), "alias:");
    EXPECT_EQ(FirstWord("alias:\tfull part"), "alias:\tfull");
    EXPECT_EQ(FirstWord("    "), "");
    EXPECT_EQ(FirstWord(""), "");
    std::string text = "  one   two three";
    DropFirstWord(text);
    EXPECT_EQ(text, "two three");
    DropFirstWord(text);
    EXPECT_EQ(text, "three");
    DropFirstWord(text);
    EXPECT_EQ(text, "");
    DropFirstWord(text);
    EXPECT_EQ(text, "");
}

TEST(AliasWords, AnAbbreviationIsANonEmptyPrefixInAnyAsciiCase) {
    EXPECT_TRUE(IsAbbreviation("f", "full"));
    EXPECT_TRUE(IsAbbreviation("FuL", "full"));
    EXPECT_TRUE(IsAbbreviation("full", "full"));
    EXPECT_FALSE(IsAbbreviation("fulls", "full"));
    EXPECT_FALSE(IsAbbreviation("", "full"));
    EXPECT_FALSE(IsAbbreviation("fx", "full"));
}

TEST(AliasOptions, WordsAbbreviateTheFirstKeywordInTableOrder) {
    EXPECT_EQ(FindAliasOption("f"), aoFull);
    EXPECT_EQ(FindAliasOption("p"), aoPart);
    EXPECT_EQ(FindAliasOption("s"), aoSend);
    EXPECT_EQ(FindAliasOption("e"), aoEdit);
    EXPECT_EQ(FindAliasOption("ea"), aoEasy);
    EXPECT_EQ(FindAliasOption("pu"), aoPure);
    EXPECT_EQ(FindAliasOption("EDIT"), aoEdit);
    EXPECT_EQ(FindAliasOption("n"), 0); // "none" is never selected
    EXPECT_EQ(FindAliasOption("none"), 0);
    EXPECT_EQ(FindAliasOption("alias:"), 0);
    EXPECT_EQ(FindAliasOption("fully"), 0);
    EXPECT_EQ(FindAliasOption(""), 0);
}

TEST(AliasOptions, LaterWordsOverrideTheirPartnersAndOtherWordsAreIgnored) {
    EXPECT_EQ(DefaultAliasOptions.Bits, 0x2A);
    EXPECT_EQ(Bits("alias:"), 0x2A);
    EXPECT_EQ(Bits("alias: full send easy"), 0x2A);
    EXPECT_EQ(Bits("alias: full part"), 0x2C);
    EXPECT_EQ(Bits("alias: part full"), 0x2A);
    EXPECT_EQ(Bits("alias: e pu"), 0x52);
    EXPECT_EQ(Bits("alias: edit send"), 0x2A);
    EXPECT_EQ(Bits("ALIAS:   PART   goblin   Pure"), 0x4C);
    EXPECT_TRUE(ParseAliasOptions("alias: p e").Has(aoPart));
    EXPECT_TRUE(ParseAliasOptions("alias: p e").Has(aoEdit));
    EXPECT_FALSE(ParseAliasOptions("alias: p e").Has(aoSend));
}

TEST(AliasFile, HeaderIsTheWordAliasColonInAnyCaseAfterOptionalBlanks) {
    EXPECT_TRUE(IsAliasHeader("alias:"));
    EXPECT_TRUE(IsAliasHeader("  ALIAS: full"));
    EXPECT_TRUE(IsAliasHeader("Alias:   "));
    EXPECT_FALSE(IsAliasHeader("alias:\tfull")); // a tab belongs to the first word
    EXPECT_FALSE(IsAliasHeader("\talias:"));
    EXPECT_FALSE(IsAliasHeader("alias:full"));
    EXPECT_FALSE(IsAliasHeader("alias"));
    EXPECT_FALSE(IsAliasHeader("aliases:"));
    EXPECT_FALSE(IsAliasHeader(""));
}

TEST(AliasFile, EasyPatternsAreEscapedWithLazyCapturingWildcards) {
    EXPECT_EQ(EscapeRegex("^$.[()|?+*\\{]}"), "\\^\\$\\.\\[\\(\\)\\|\\?\\+\\*\\\\\\{\\]\\}");
    EXPECT_EQ(EscapeRegex("k goblin-1"), "k goblin-1");
    EXPECT_EQ(WildcardsToGroups(EscapeRegex("k * *")), "k (.*?) (.*?)");
    // A backslash written before a star stays a literal backslash.
    EXPECT_EQ(WildcardsToGroups(EscapeRegex("a\\*")), "a\\\\(.*?)");
    EXPECT_EQ(WildcardsToGroups(EscapeRegex("a\\\\*")), "a\\\\\\\\(.*?)");

    const TAliasArray aliases = Parse("alias:\nk *\nkill $1\nalias: part\na.b\nx\n"
                                      "alias: pure full\nk (\\w+)\ny\nalias: pure part\nk$\nz");
    ASSERT_EQ(aliases.size(), 4u);
    EXPECT_EQ(aliases[0].Pattern, "^k (.*?)$");
    EXPECT_EQ(aliases[1].Pattern, "a\\.b");
    EXPECT_EQ(aliases[2].Pattern, "^k (\\w+)$");
    EXPECT_EQ(aliases[3].Pattern, "k$");
}

TEST(AliasFile, PatternIsTheNextLineVerbatimAndTextRunsToTheNextHeader) {
    const TAliasArray aliases = Parse("comment before the first header\n"
                                      "alias: pure part\n"
                                      "  alias: k  \n"
                                      "stand\n"
                                      "kill $1\n"
                                      "alias:\n"
                                      "x\n"
                                      "y");
    ASSERT_EQ(aliases.size(), 2u);
    EXPECT_EQ(aliases[0].Pattern, "  alias: k  "); // a header-like pattern line is a pattern
    EXPECT_EQ(aliases[0].Text, "stand\r\nkill $1");
    EXPECT_EQ(aliases[0].Options.Bits, 0x4C);
    EXPECT_EQ(aliases[1].Pattern, "^x$");
    EXPECT_EQ(aliases[1].Text, "y");
}

TEST(AliasFile, BlankLinesCountInTheTextExceptBeforeItsFirstLine) {
    const TAliasArray aliases =
        Parse("alias: pure\na\n\n\nfirst\n\nsecond\n\nalias: pure\nb\n   \nc");
    ASSERT_EQ(aliases.size(), 2u);
    EXPECT_EQ(aliases[0].Text, "first\r\n\r\nsecond\r\n");
    EXPECT_EQ(aliases[1].Text, "   \r\nc"); // blanks are no blank line
}

TEST(AliasFile, IncompleteAliasesAreDroppedSilently) {
    EXPECT_TRUE(Parse("alias:").empty());
    EXPECT_TRUE(Parse("alias:\nk *").empty());
    EXPECT_TRUE(Parse("alias:\nk *\n").empty());     // the final break adds no line
    EXPECT_TRUE(Parse("alias:\n\nkill").empty());    // empty pattern
    EXPECT_TRUE(Parse("alias:\nk *\n\n\n").empty()); // text of blank lines only
    // An alias whose text is cut short by the next header is dropped; the next one loads.
    const TAliasArray aliases = Parse("alias:\nk *\nalias:\nj *\njump");
    ASSERT_EQ(aliases.size(), 1u);
    EXPECT_EQ(aliases[0].Pattern, "^j (.*?)$");
    // A tab after "alias:" makes a text line of the alias above.
    const TAliasArray tabbed = Parse("alias:\nk\nkill\nalias:\tpart\nx\nz");
    ASSERT_EQ(tabbed.size(), 1u);
    EXPECT_EQ(tabbed[0].Text, "kill\r\nalias:\tpart\r\nx\r\nz");
}

TEST(AliasFile, PatternAndTextAreConvertedToTheConsoleCodePage) {
    // Windows-1251 "у *" and "убить $1" with a red colour byte.
    const TAliasArray aliases = Parse("alias:\n\xF3 *\n\x81\xF3\xE1\xE8\xF2\xFC $1");
    ASSERT_EQ(aliases.size(), 1u);
    EXPECT_EQ(aliases[0].Pattern, "^\xE3 (.*?)$");
    EXPECT_EQ(aliases[0].Text, "\x11\xE3\xA1\xA8\xE2\xEC $1");
}

TEST(AliasFile, ParsingAppendsToWhatIsThere) {
    TTolmixStringList lines;
    lines.SetText("alias:\na\nb");
    TAliasArray aliases;
    ParseAliasFile(aliases, lines);
    ParseAliasFile(aliases, lines);
    ASSERT_EQ(aliases.size(), 2u);
    EXPECT_EQ(aliases[1].Pattern, "^a$");
}

} // namespace
} // namespace tolmix
