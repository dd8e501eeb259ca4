#include "macros/KeyNames.h"
#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

#include <string>

namespace tolmix {
namespace {

KeyCombination Key(uint8_t modifiers, uint8_t key) {
    return {modifiers, key};
}

TEST(KeyNames, RunsOfCodesCarryTheirNames) {
    for (int i = 0; i <= 9; ++i) {
        EXPECT_EQ(KeyNames[0x30 + i], std::to_string(i));
        EXPECT_EQ(KeyNames[0x60 + i], "N" + std::to_string(i));
    }
    for (int i = 0; i < 26; ++i)
        EXPECT_EQ(KeyNames[0x41 + i], std::string(1, static_cast<char>('A' + i)));
    for (int i = 1; i <= 24; ++i)
        EXPECT_EQ(KeyNames[0x70 + i - 1], "F" + std::to_string(i));
}

TEST(KeyNames, TheOtherNamedKeysAndNothingElse) {
    const std::pair<int, const char*> others[] = {
        {0x08, "BACK"},  {0x09, "TAB"},   {0x0D, "ENTER"}, {0x13, "PAUSE"},   {0x14, "CAPS"},
        {0x1B, "ESC"},   {0x20, "SPACE"}, {0x21, "PGUP"},  {0x22, "PGDN"},    {0x23, "END"},
        {0x24, "HOME"},  {0x25, "LEFT"},  {0x26, "UP"},    {0x27, "RIGHT"},   {0x28, "DOWN"},
        {0x2D, "INS"},   {0x2E, "DEL"},   {0x5D, "MENU"},  {0x6A, "GRMUL"},   {0x6B, "GRADD"},
        {0x6D, "GRSUB"}, {0x6E, "NP"},    {0x6F, "GRDIV"}, {0x90, "NUMLOCK"}, {0x91, "SCROLL"},
        {0xBA, "COL"},   {0xBB, "PLUS"},  {0xBC, "COMMA"}, {0xBD, "MINUS"},   {0xBE, "POINT"},
        {0xBF, "SLASH"}, {0xC0, "TIL"},   {0xDB, "LB"},    {0xDC, "BACKSL"},  {0xDD, "RB"},
        {0xDE, "QUOTE"}};
    for (const auto& [code, name] : others)
        EXPECT_EQ(KeyNames[code], name) << code;
    int named = 0;
    for (const std::string_view name : KeyNames)
        named += name.empty() ? 0 : 1;
    EXPECT_EQ(named, 10 + 26 + 10 + 24 + 36);
    for (int code : {0x00, 0x0C, 0x10, 0x11, 0x12, 0x5B, 0x5C, 0x6C, 0x88, 0xFF})
        EXPECT_TRUE(KeyNames[code].empty()) << code;
}

TEST(KeyNames, EveryNameParsesBackToItsCode) {
    for (int code = 0; code < 256; ++code) {
        if (!KeyNames[code].empty()) {
            EXPECT_EQ(ParseKeyString(KeyNames[code]), Key(0, static_cast<uint8_t>(code)))
                << KeyNames[code];
        }
    }
}

TEST(ParseKeyString, ModifiersAndNamesInAnyLetterCase) {
    EXPECT_EQ(ParseKeyString("F1"), Key(0, VkF1));
    EXPECT_EQ(ParseKeyString("ctrl-f1"), Key(2, VkF1));
    EXPECT_EQ(ParseKeyString("Ctrl-F1"), ParseKeyString("CTRL-F1"));
    EXPECT_EQ(ParseKeyString("ALT-SHIFT-N5"), Key(5, VkNumpad0 + 5));
    EXPECT_EQ(ParseKeyString("win-up"), Key(8, VkUp));
    EXPECT_EQ(ParseKeyString("shift-win-ctrl-alt-Z"), Key(15, 'Z'));
    EXPECT_EQ(ParseKeyString("MINUS"), Key(0, VkOemMinus));
    EXPECT_EQ(ParseKeyString("alt-minus"), Key(1, VkOemMinus));
}

TEST(ParseKeyString, RepeatedUnknownAndEmptyPartsAreSkipped) {
    EXPECT_EQ(ParseKeyString("ALT-ALT-A"), Key(1, 'A'));
    EXPECT_EQ(ParseKeyString("FOO-A"), Key(0, 'A'));
    EXPECT_EQ(ParseKeyString("--CTRL--A"), Key(2, 'A'));
    EXPECT_EQ(ParseKeyString("A-B"), Key(0, 'B'));
    EXPECT_EQ(ParseKeyString("CONTROL-A"), Key(0, 'A'));
}

TEST(ParseKeyString, StringsThatNameNoKeyGiveKeyZero) {
    for (const char* text : {"", "-", "CTRL-", "ALT-F1-", "F1 ", " F1", "F25", "N10", "WIN", "CTRL",
                             "LWIN", "\xC0", "F1\t"})
        EXPECT_EQ(ParseKeyString(text).Key, 0) << '"' << text << '"';
    // Modifiers are still read when no key follows, but nothing can be bound to them.
    EXPECT_EQ(ParseKeyString("CTRL-"), Key(2, 0));
}

} // namespace
} // namespace tolmix
