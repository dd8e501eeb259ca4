#include "text/CodePage.h"

#include <gtest/gtest.h>

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
    for (int c : {0x00, 0x0D, 0x1B, 0x41, 0x7F, 0x90, 0x9F, 0xA0, 0xB9, 0xBF})
        EXPECT_EQ(AnsiCharToConsole(static_cast<uint8_t>(c)), c) << c;
}

TEST(CodePage, ConsoleToAnsiReversesTheLetterAndColourRanges) {
    for (int c = 0; c < 256; ++c) {
        const bool mapped = (c >= 0x80 && c <= 0x8F) || c == 0xA8 || c == 0xB8 || c >= 0xC0;
        if (mapped) {
            EXPECT_EQ(ConsoleCharToAnsi(AnsiCharToConsole(static_cast<uint8_t>(c))), c) << c;
        }
    }
    // Box drawing of the console code page passes through unchanged.
    EXPECT_EQ(ConsoleCharToAnsi(0xC4), 0xC4);
    EXPECT_EQ(ConsoleCharToAnsi(0xB0), 0xB0);
    EXPECT_EQ(ConsoleCharToAnsi(0x15), 0x85);
}

TEST(CodePage, TextConversionKeepsTheLength) {
    const std::string ansi("\xCF\xF0\xE8\xE2\xE5\xF2\x20\x81\xB8\x00z", 11);
    const std::string console = AnsiToConsole(ansi);
    EXPECT_EQ(console, std::string("\x8F\xE0\xA8\xA2\xA5\xE2\x20\x11\xF1\x00z", 11));
    EXPECT_EQ(ConsoleToAnsi(console), ansi);
}

} // namespace
} // namespace tolmix
