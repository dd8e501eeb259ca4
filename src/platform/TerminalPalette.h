#pragma once

#include <cstdint>

namespace tolmix {

// The terminal's colours for the sixteen console colours.
class TerminalPalette {
  public:
    virtual ~TerminalPalette() = default;

    // Palette entry of a console colour (0 to 15) as 0xRRGGBB; ResetPalette undoes them all.
    virtual void SetPalette(int consoleColour, uint32_t rgb) = 0;
    virtual void ResetPalette() = 0;
};

} // namespace tolmix
