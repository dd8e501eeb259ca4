#include "platform/win32/WinText.h"
#include "platform/VirtualKeys.h"
#include "platform/win32/Win32Console.h"

#include <gtest/gtest.h>

namespace tolmix::win32 {
namespace {

TEST(WinText, Utf8AndUtf16RoundTripOutsideTheBasicPlane) {
    const std::string utf8 = "a\xD0\x98\xE2\x82\xAC\xF0\x9F\x8E\xB2"; // a, И, €, 🎲
    const std::wstring wide = Utf8ToWide(utf8);
    EXPECT_EQ(wide, (std::wstring{L'a', 0x0418, 0x20AC, 0xD83C, 0xDFB2}));
    EXPECT_EQ(WideToUtf8(wide), utf8);
    EXPECT_EQ(Utf8ToWide("\xFF"), L"\xFFFD");
    EXPECT_EQ(Utf8ToWide("\xD0"), L"\xFFFD"); // cut short
    EXPECT_EQ(WideToUtf8(std::wstring{0xD800}), "\xEF\xBF\xBD");
}

TEST(WinText, Windows1251CrossesAsUtf16) {
    const std::string ansi = "\xCF\xF0\xE8\xE2\xE5\xF2 \xA8\xB8 \x88"; // Привет Ёё €
    const std::wstring wide = Cp1251ToWide(ansi);
    EXPECT_EQ(wide, L"\x041F\x0440\x0438\x0432\x0435\x0442 \x0401\x0451 \x20AC");
    EXPECT_EQ(WideToCp1251(wide), ansi);
    EXPECT_EQ(WideToCp1251(L"\x4E2D\x0041"), "?A");
}

TEST(WinText, CellsShowConsoleGlyphsAndNeverControlCharacters) {
    EXPECT_EQ(ConsoleCellGlyph(0x01), L'\x263A');
    EXPECT_EQ(ConsoleCellGlyph(0x00), L' ');
    EXPECT_EQ(ConsoleCellGlyph(0x1B), L'\x2190');
    EXPECT_EQ(ConsoleCellGlyph(0x80), L'\x0410');
    EXPECT_EQ(ConsoleCellGlyph(0xC4), L'\x2500'); // the separator's line
    EXPECT_EQ(ConsoleCellGlyph(0xCB), L'\x00AB'); // a quote Windows-1251 has and 866 lacks
    for (int b = 0; b < 256; ++b) {
        const wchar_t glyph = ConsoleCellGlyph(static_cast<uint8_t>(b));
        EXPECT_TRUE(glyph >= 0x20 && glyph != 0x7F) << b;
    }
}

TEST(WinText, TypedCharactersBecomeConsoleBytesThatWindows1251Carries) {
    EXPECT_EQ(TypedCharToConsole(0), 0);
    EXPECT_EQ(TypedCharToConsole(L'a'), 'a');
    EXPECT_EQ(TypedCharToConsole(0x0410), 0x80); // А
    EXPECT_EQ(TypedCharToConsole(0x0451), 0xF1); // ё
    EXPECT_EQ(TypedCharToConsole(0x03), 0x03);   // Ctrl+C stays a control character
    EXPECT_EQ(TypedCharToConsole(0x2116), 0xFC); // №
    EXPECT_EQ(TypedCharToConsole(0x0456), 0xD3); // і
    EXPECT_EQ(TypedCharToConsole(0x2500), '?');  // a box drawing Windows-1251 lacks
    EXPECT_EQ(TypedCharToConsole(0x20AC), '?');  // € is a colour byte on the wire
}

TEST(WinText, TitlesDropControlBytesAndAreBounded) {
    EXPECT_EQ(TitleText("Tolmix\x1b]0;x\x07 \xCC\xE0\xE4"), L"Tolmix]0;x \x041C\x0430\x0434");
    EXPECT_EQ(TitleText(std::string(1000, 'x')).size(), 255u);
}

TEST(Win32ConsoleParts, KeyRecordsKeepCodesAndStateBits) {
    const KeyEvent key =
        KeyEventFromConsole({true, 1, VkLeft, 0x4B, 0, EnhancedKey | ShiftPressed});
    EXPECT_TRUE(key.KeyDown);
    EXPECT_EQ(key.VirtualKey, VkLeft);
    EXPECT_EQ(key.ScanCode, 0x4B);
    EXPECT_EQ(key.Char, 0);
    EXPECT_EQ(key.ControlKeyState, EnhancedKey | ShiftPressed);
    const KeyEvent letter = KeyEventFromConsole({false, 2, 'F', 0x21, 0x0430, LeftCtrlPressed});
    EXPECT_FALSE(letter.KeyDown);
    EXPECT_EQ(letter.RepeatCount, 2);
    EXPECT_EQ(letter.Char, 0xA0); // а
}

TEST(Win32ConsoleParts, OnlyTheChangedRectangleIsWritten) {
    Frame before, after;
    before.Resize(10, 5);
    after.Resize(10, 5);
    EXPECT_TRUE(ChangedCells(before, after).Empty());
    after.At(2, 1).Char = 'x';
    after.At(7, 3).Attr = 0x1F;
    const CellRect rect = ChangedCells(before, after);
    EXPECT_EQ(rect.Left, 2);
    EXPECT_EQ(rect.Top, 1);
    EXPECT_EQ(rect.Right, 8);
    EXPECT_EQ(rect.Bottom, 4);
    Frame other;
    other.Resize(12, 5);
    const CellRect all = ChangedCells(before, other);
    EXPECT_EQ(all.Right, 12);
    EXPECT_EQ(all.Bottom, 5);
}

} // namespace
} // namespace tolmix::win32
