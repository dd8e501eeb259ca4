#include "platform/vt/TerminalText.h"

#include <gtest/gtest.h>

#include <string>

namespace tolmix::vt {
namespace {

using namespace std::literals;

// "Привет" in Windows-1251.
constexpr std::string_view Privet = "\xCF\xF0\xE8\xE2\xE5\xF2";

std::string Payload(const std::string& sequence, std::string_view prefix) {
    EXPECT_EQ(sequence.substr(0, prefix.size()), prefix);
    EXPECT_EQ(sequence.substr(sequence.size() - 2), "\x1b\\");
    return sequence.substr(prefix.size(), sequence.size() - prefix.size() - 2);
}

std::string DecodeBase64(std::string_view text) {
    const std::string alphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    uint32_t bits = 0;
    int count = 0;
    for (const char c : text) {
        if (c == '=')
            break;
        bits = bits << 6 | static_cast<uint32_t>(alphabet.find(c));
        if ((count += 6) >= 8) {
            count -= 8;
            out += static_cast<char>(bits >> count & 0xFF);
        }
    }
    return out;
}

TEST(TerminalText, TitleIsUtf8WithoutControls) {
    EXPECT_EQ(TitleSequence("Tolmix"), "\x1b]2;Tolmix\x1b\\");
    EXPECT_EQ(SanitizedTitle(Privet), "Привет");
    // An embedded string terminator, bell or newline would end the sequence or start another.
    EXPECT_EQ(TitleSequence("a\x1b\\b\x07"
                            "c\r\nd\x7F"
                            "e\x98"
                            "f\x00g"sv),
              "\x1b]2;a\\bcdefg\x1b\\");
    EXPECT_EQ(SanitizedTitle("\x01\x1f\t"), "");
}

TEST(TerminalText, TitleIsCappedInCharacters) {
    const std::string longTitle(300, '\xC0'); // Cyrillic А, two bytes of UTF-8 each
    const std::string title = SanitizedTitle(longTitle);
    EXPECT_EQ(title.size(), MaxTitleChars * 2);
    EXPECT_EQ(title.substr(0, 4), "АА");
    // Dropped bytes do not count towards the cap.
    EXPECT_EQ(SanitizedTitle(std::string(500, '\x1b') + "ok"), "ok");
}

TEST(TerminalText, PaletteUsesTheAnsiIndexOfTheConsoleColour) {
    EXPECT_EQ(PaletteSequence(1, 0x000080), "\x1b]4;4;rgb:00/00/80\x1b\\");   // blue
    EXPECT_EQ(PaletteSequence(4, 0x800000), "\x1b]4;1;rgb:80/00/00\x1b\\");   // red
    EXPECT_EQ(PaletteSequence(6, 0x808000), "\x1b]4;3;rgb:80/80/00\x1b\\");   // brown
    EXPECT_EQ(PaletteSequence(3, 0x008080), "\x1b]4;6;rgb:00/80/80\x1b\\");   // cyan
    EXPECT_EQ(PaletteSequence(8, 0x808080), "\x1b]4;8;rgb:80/80/80\x1b\\");   // dark grey
    EXPECT_EQ(PaletteSequence(12, 0xFF0000), "\x1b]4;9;rgb:ff/00/00\x1b\\");  // light red
    EXPECT_EQ(PaletteSequence(14, 0xFFFF00), "\x1b]4;11;rgb:ff/ff/00\x1b\\"); // yellow
    EXPECT_EQ(PaletteSequence(15, 0xABCDEF), "\x1b]4;15;rgb:ab/cd/ef\x1b\\");
    EXPECT_EQ(PaletteSequence(2, 0xFF12AB34), "\x1b]4;2;rgb:12/ab/34\x1b\\");
    EXPECT_EQ(PaletteSequence(16, 0), "");
    EXPECT_EQ(PaletteSequence(-1, 0), "");
    EXPECT_EQ(PaletteResetSequence(), "\x1b]104\x1b\\");
    // Console colours are numbered blue-first, the terminal's palette red-first.
    EXPECT_EQ(PaletteEntryResetSequence(1), "\x1b]104;4\x1b\\");
    EXPECT_EQ(PaletteEntryResetSequence(16), "");
    const std::string queries = PaletteQuerySequence();
    EXPECT_EQ(queries.substr(0, 9), "\x1b]4;0;?\x1b\\");
    EXPECT_NE(queries.find("\x1b]4;15;?\x1b\\"), std::string::npos);
}

TEST(TerminalText, ClipboardCarriesBase64OfUtf8) {
    // The test vectors of RFC 4648.
    EXPECT_EQ(ClipboardSequence(""), "\x1b]52;c;\x1b\\");
    EXPECT_EQ(ClipboardSequence("f"), "\x1b]52;c;Zg==\x1b\\");
    EXPECT_EQ(ClipboardSequence("fo"), "\x1b]52;c;Zm8=\x1b\\");
    EXPECT_EQ(ClipboardSequence("foo"), "\x1b]52;c;Zm9v\x1b\\");
    EXPECT_EQ(ClipboardSequence("foob"), "\x1b]52;c;Zm9vYg==\x1b\\");
    EXPECT_EQ(ClipboardSequence("fooba"), "\x1b]52;c;Zm9vYmE=\x1b\\");
    EXPECT_EQ(ClipboardSequence("foobar"), "\x1b]52;c;Zm9vYmFy\x1b\\");
    EXPECT_EQ(ClipboardSequence(Privet), "\x1b]52;c;0J/RgNC40LLQtdGC\x1b\\");
    // Line breaks and every other byte are the user's text and survive the trip.
    const std::string mixed = std::string("a\r\nb\x1b\x00\xFF", 7);
    EXPECT_EQ(DecodeBase64(Payload(ClipboardSequence(mixed), "\x1b]52;c;")),
              std::string("a\r\nb\x1b\x00я", 8));
}

TEST(TerminalText, ClipboardIsCappedAtACharacterBoundary) {
    // One ASCII byte, then two-byte characters: the cap falls inside a character.
    const std::string text = "a" + std::string(MaxClipboardBytes, '\xC0');
    const std::string utf8 = DecodeBase64(Payload(ClipboardSequence(text), "\x1b]52;c;"));
    EXPECT_EQ(utf8.size(), MaxClipboardBytes - 1);
    EXPECT_EQ(utf8.substr(utf8.size() - 2), "А");

    const std::string exact(MaxClipboardBytes, 'x');
    EXPECT_EQ(DecodeBase64(Payload(ClipboardSequence(exact + "yz"), "\x1b]52;c;")), exact);
}

} // namespace
} // namespace tolmix::vt
