#include "text/CodePage.h"

#include <gtest/gtest.h>

#include <set>

namespace tolmix {
namespace {

TEST(CodePage, AnsiToConsoleMapsEveryRange) {
    EXPECT_EQ(AnsiCharToConsole(0x80), 0x10); // colour bytes
    EXPECT_EQ(AnsiCharToConsole(0x8F), 0x1F);
    EXPECT_EQ(AnsiCharToConsole(0xA8), 0xF0); // capital Yo
    EXPECT_EQ(AnsiCharToConsole(0xB8), 0xF1); // small yo
    EXPECT_EQ(AnsiCharToConsole(0xC0), 0x80); // capital A
    EXPECT_EQ(AnsiCharToConsole(0xDF), 0x9F); // capital Ya
    EXPECT_EQ(AnsiCharToConsole(0xE0), 0xA0); // small a
    EXPECT_EQ(AnsiCharToConsole(0xEF), 0xAF); // small pe
    EXPECT_EQ(AnsiCharToConsole(0xF0), 0xE0); // small er
    EXPECT_EQ(AnsiCharToConsole(0xFF), 0xEF); // small ya
    for (int c : {0x00, 0x0D, 0x10, 0x1B, 0x41, 0x7F})
        EXPECT_EQ(AnsiCharToConsole(static_cast<uint8_t>(c)), c) << c;
}

// The characters both code pages have go to code page 866's own byte, so that the screen shows
// them and they come back as themselves; the others take a box-drawing byte.
TEST(CodePage, SymbolsBothCodePagesHaveUseCodePage866Bytes) {
    EXPECT_EQ(AnsiCharToConsole(0xB9), 0xFC); // numero sign
    EXPECT_EQ(AnsiCharToConsole(0xBA), 0xF3); // small Ukrainian ye
    EXPECT_EQ(AnsiCharToConsole(0xBF), 0xF5); // small yi
    EXPECT_EQ(AnsiCharToConsole(0xA2), 0xF7); // small short u
    EXPECT_EQ(AnsiCharToConsole(0xB0), 0xF8); // degree sign
    EXPECT_EQ(AnsiCharToConsole(0xA0), 0xFF); // no-break space
    EXPECT_EQ(AnsiCharToConsole(0xAB), 0xCB); // left guillemet: not in 866
    EXPECT_EQ(AnsiCharToConsole(0x97), 0xB7); // em dash: not in 866
    EXPECT_EQ(AnsiCharToConsole(0xB3), 0xD3); // small Byelorussian-Ukrainian i: not in 866
}

TEST(CodePage, EveryWindows1251CharacterComesBackAsItself) {
    std::set<int> used;
    for (int c = 0x20; c < 256; ++c) {
        if (c >= 0x80 && c <= 0x8F)
            continue; // the colour bytes share their console bytes with the control bytes
        const uint8_t console = AnsiCharToConsole(static_cast<uint8_t>(c));
        EXPECT_TRUE(used.insert(console).second) << "two characters share console byte " << c;
        EXPECT_EQ(ConsoleCharToAnsi(console), c) << c;
    }
    for (int c = 0x80; c <= 0x8F; ++c)
        EXPECT_EQ(ConsoleCharToAnsi(AnsiCharToConsole(static_cast<uint8_t>(c))), c) << c;
}

TEST(CodePage, ConsoleCharactersWindows1251LacksGoOutAsQuestionMarks) {
    // Box drawing (the separator's line among it), bullet operator, square root, black square.
    for (int c : {0xC4, 0xC0, 0xDF, 0xF9, 0xFB, 0xFE})
        EXPECT_EQ(ConsoleCharToAnsi(static_cast<uint8_t>(c)), '?') << c;
    // Characters that were sent as other letters: numero sign, ye, yi, short u, degree sign.
    EXPECT_EQ(ConsoleToAnsi("\xFC\xF3\xF5\xF7\xF8"), "\xB9\xBA\xBF\xA2\xB0");
    EXPECT_EQ(ConsoleCharToAnsi(0x15), 0x85);
}

TEST(CodePage, TextConversionKeepsTheLength) {
    const std::string ansi("\xCF\xF0\xE8\xE2\xE5\xF2\x20\x81\xB8\x00z\xAB\xBB", 13);
    const std::string console = AnsiToConsole(ansi);
    EXPECT_EQ(console, std::string("\x8F\xE0\xA8\xA2\xA5\xE2\x20\x11\xF1\x00z\xCB\xDB", 13));
    EXPECT_EQ(ConsoleToAnsi(console), ansi);
}

} // namespace
} // namespace tolmix
