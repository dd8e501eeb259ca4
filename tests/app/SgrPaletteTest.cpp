#include "app/ConsolePalette.h"
#include "text/ColourBytes.h"
#include "text/Sgr.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

// The nearest colours of 256-colour and RGB sequences are chosen among the colours the client
// installs: each installed colour must be found as itself.
TEST(SgrPalette, EachInstalledColourIsItsOwnNearest) {
    for (int ansi = 0; ansi < 16; ++ansi) {
        const int console = ColourByteAttr(static_cast<uint8_t>(FirstColourByte + ansi));
        const uint32_t rgb = ColorRefToRgb(ConsolePalette[static_cast<std::size_t>(console)]);
        EXPECT_EQ(PaletteRgb(ansi), rgb) << ansi;
        EXPECT_EQ(NearestConsoleColour(rgb), ansi) << ansi;
    }
}

} // namespace
} // namespace tolmix
