#pragma once

#include "platform/TerminalPalette.h"

#include <array>
#include <cstdint>
#include <string>

namespace tolmix {

// The sixteen console colours the client installs, by console colour number, as COLORREF
// values (0x00BBGGRR). The normal intensities are 0xA0 and dark grey 0x40 in each channel.
inline constexpr std::array<uint32_t, 16> ConsolePalette = {
    0x000000, 0xA00000, 0x00A000, 0xA0A000, 0x0000A0, 0xA000A0, 0x00A0A0, 0xA0A0A0,
    0x404040, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

// A COLORREF (0x00BBGGRR) as 0xRRGGBB.
constexpr uint32_t ColorRefToRgb(uint32_t colorRef) {
    return (colorRef & 0xFF) << 16 | (colorRef & 0xFF00) | (colorRef >> 16 & 0xFF);
}

// "ColorTable" and the colour number as two digits: "ColorTable07".
std::string ColorTableName(int index);

// Gives the terminal the palette's sixteen colours.
void ApplyConsolePalette(TerminalPalette& palette);

} // namespace tolmix
