#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tolmix {

// One colour as the server asked for it: the window's default, a palette entry (0..15 the
// sixteen colours of SGR 30-37 and 90-97, 16..255 the colour cube and grey ramp), or an RGB
// value (0xRRGGBB).
struct SgrColour {
    enum class Kind : uint8_t { Default, Palette, Rgb };
    Kind Type = Kind::Default;
    uint8_t Index = 0;
    uint32_t Rgb = 0;

    static SgrColour Palette(int index) { return {Kind::Palette, static_cast<uint8_t>(index), 0}; }
    static SgrColour FromRgb(uint32_t rgb) { return {Kind::Rgb, 0, rgb}; }
    friend bool operator==(const SgrColour&, const SgrColour&) = default;
};

// The graphic rendition in force: it carries over lines until the server changes it.
struct SgrState {
    SgrColour Foreground;
    SgrColour Background;
    bool Bold = false;
    bool Underline = false;
    bool Reverse = false;
    friend bool operator==(const SgrState&, const SgrState&) = default;
};

// Applies the parameters of one SGR sequence (what stands between CSI and "m": digits, ";"
// and ":") to `state`. Parameters the console cannot show (blink, italic, conceal...) and
// malformed colours leave it as it was.
void ApplySgr(std::string_view parameters, SgrState& state);

// The state that a colour byte of the server's own (colour n, ANSI order, on black) leaves: what
// it shows, so that SGR sequences after it go on from there.
SgrState ColourByteState(int colour);

// The two console colours (ANSI order: 0 black, 1 red... 7 light grey, 8..15 their bright
// forms) that a state shows as. Bold and underline brighten the eight basic colours and the
// default; reverse swaps the two. Text is never invisible unless the server asked for the same
// colour twice: otherwise a foreground equal to the background turns to its other intensity.
struct ConsoleColours {
    uint8_t Foreground = 7;
    uint8_t Background = 0;
    friend bool operator==(const ConsoleColours&, const ConsoleColours&) = default;
};
ConsoleColours ShownColours(const SgrState& state);

// The RGB value of entry 16..255 of the 256-colour palette; of 0..15 the console's own colour.
uint32_t PaletteRgb(int index);
// The console colour (0..15) nearest to an RGB value among the colours the client installs.
int NearestConsoleColour(uint32_t rgb);

// Appends the colours as Windows-1251 text: the colour byte 0x80 + foreground (which also sets
// a black background) and, unless the background is black, a background mark after it (see
// text/ColourBytes.h).
void AppendColourBytes(ConsoleColours colours, std::string& text);

} // namespace tolmix
