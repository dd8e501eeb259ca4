#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tolmix {

// Colour bytes of console text: 0x10 + n selects colour n (ANSI order) on black.
inline constexpr uint8_t FirstColourByte = 0x10;
inline constexpr uint8_t LastColourByte = 0x1F;

inline bool IsColourByte(uint8_t c) {
    return c >= FirstColourByte && c <= LastColourByte;
}

// The console attribute of a colour byte: its ANSI colour as a console foreground on black.
inline uint16_t ColourByteAttr(uint8_t c) {
    static constexpr uint8_t Console[16] = {0x00, 0x04, 0x02, 0x06, 0x01, 0x05, 0x03, 0x07,
                                            0x08, 0x0C, 0x0A, 0x0E, 0x09, 0x0D, 0x0B, 0x0F};
    return Console[(c - FirstColourByte) & 0x0F];
}

// A background mark: a lead byte and a letter '@' + n give the text after it background colour
// n (ANSI order), keeping its foreground. It follows the colour byte it belongs to, since a
// colour byte sets a black background. The lead is 0x98 in Windows-1251, the one byte that code
// page leaves unused, which the decoder of server text never lets through; in console text it
// is 0xB8, which no other Windows-1251 byte becomes. (ESC would not do: the colour byte 0x8B
// becomes 0x1B in console text.)
inline constexpr char AnsiBackgroundMark = '\x98';
inline constexpr char BackgroundMark = '\xB8';
inline constexpr char FirstBackgroundLetter = '@';

inline bool IsBackgroundLetter(char c) {
    return c >= FirstBackgroundLetter && c < FirstBackgroundLetter + 16;
}

// Whether text[i] opens a background mark (console text).
inline bool IsBackgroundMark(std::string_view text, std::size_t i) {
    return text[i] == BackgroundMark && i + 1 < text.size() && IsBackgroundLetter(text[i + 1]);
}

// The console attribute bits of the background that a mark's letter selects.
inline uint16_t BackgroundMarkAttr(char letter) {
    return static_cast<uint16_t>(
        ColourByteAttr(static_cast<uint8_t>(FirstColourByte + (letter - FirstBackgroundLetter)))
        << 4);
}

// Console text without its colour bytes and background marks (what the log keeps).
inline std::string WithoutColours(std::string_view text) {
    // Written through a pointer and cut to length once: a push_back per byte costs more than
    // the test of the byte.
    std::string plain(text.size(), '\0');
    char* out = plain.data();
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (IsBackgroundMark(text, i))
            ++i;
        else if (!IsColourByte(static_cast<uint8_t>(text[i])))
            *out++ = text[i];
    }
    plain.resize(static_cast<std::size_t>(out - plain.data()));
    return plain;
}

} // namespace tolmix
