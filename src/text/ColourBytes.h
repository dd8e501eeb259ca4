#pragma once

#include <cstdint>

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

} // namespace tolmix
