#include "platform/vt/Charsets.h"
#include "platform/vt/KeyLayout.h"
#include "text/CodePage.h"

#include <gtest/gtest.h>

#include <set>

// The screen's glyphs, the key layer's bytes and the conversion to the wire agree: what the
// player types or pastes is what the editor shows and what the server gets.
namespace tolmix {
namespace {

// What the server must receive for a character: its Windows-1251 byte, or '?' when that code
// page lacks it or keeps a colour byte or a control byte in its place.
uint8_t WireByte(char32_t c) {
    const std::optional<uint8_t> byte = vt::UnicodeToCp1251(c);
    if (!byte || *byte < 0x20 || *byte == 0x7F || (*byte >= 0x80 && *byte <= 0x8F))
        return '?';
    return *byte;
}

std::set<char32_t> CharactersOfBothCodePages() {
    std::set<char32_t> all;
    for (int b = 0x20; b < 256; ++b) {
        all.insert(vt::Cp866Glyph(static_cast<uint8_t>(b)));
        all.insert(vt::Cp1251ToUnicode(static_cast<uint8_t>(b)));
    }
    all.insert(0x4E2D); // and one that neither has
    all.erase(0xFFFD);
    return all;
}

TEST(TypedCharacters, EveryCharacterReachesTheWireAsItselfOrAsAQuestionMark) {
    int asThemselves = 0;
    for (char32_t c : CharactersOfBothCodePages()) {
        const KeyEvent key = vt::CharKey(c, 0);
        const uint8_t wire = WireByte(c);
        EXPECT_EQ(ConsoleCharToAnsi(key.Char), wire) << "U+" << std::hex << uint32_t(c);
        if (wire != '?' || c == U'?') {
            EXPECT_EQ(vt::ConsoleGlyph(key.Char), c) << "U+" << std::hex << uint32_t(c);
            ++asThemselves;
        } else {
            EXPECT_TRUE(key.Char == '?' || c == ' ') << "U+" << std::hex << uint32_t(c);
        }
    }
    // Printable ASCII and every character of Windows-1251 from 0x90 on (0x98 is none).
    EXPECT_EQ(asThemselves, 95 + 111);
}

// Pasted text crosses the clipboard border as Windows-1251; the colour bytes of that code page
// stay colour bytes, as they do when copied text is pasted back.
TEST(TypedCharacters, PastedTextComesBackAsItself) {
    for (char32_t c : CharactersOfBothCodePages()) {
        std::string utf8;
        vt::AppendUtf8(utf8, c);
        const std::string ansi = vt::Utf8ToCp1251(utf8);
        ASSERT_EQ(ansi.size(), 1u);
        const std::string console = AnsiToConsole(ansi);
        EXPECT_EQ(ConsoleToAnsi(console), ansi) << "U+" << std::hex << uint32_t(c);
        const auto byte = static_cast<uint8_t>(ansi[0]);
        if (byte >= 0x20 && byte != 0x7F && (byte < 0x80 || byte > 0x8F) && byte != '?') {
            EXPECT_EQ(vt::ConsoleGlyph(static_cast<uint8_t>(console[0])), c)
                << "U+" << std::hex << uint32_t(c);
        }
    }
}

} // namespace
} // namespace tolmix
