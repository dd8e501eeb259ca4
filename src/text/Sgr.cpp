#include "text/Sgr.h"

#include "text/ColourBytes.h"

#include <algorithm>
#include <array>
#include <optional>
#include <utility>

namespace tolmix {

namespace {

// The sixteen colours the client installs in the console, in ANSI order: the normal
// intensities are 0xA0 in each channel, dark grey 0x40.
constexpr std::array<uint32_t, 16> ConsoleRgb = {
    0x000000, 0xA00000, 0x00A000, 0xA0A000, 0x0000A0, 0xA000A0, 0x00A0A0, 0xA0A0A0,
    0x404040, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

constexpr std::array<uint8_t, 6> CubeLevels = {0, 95, 135, 175, 215, 255};

constexpr int DefaultForeground = 7;
constexpr int DefaultBackground = 0;
// Larger numbers mean nothing to SGR; clamping keeps a long digit run from overflowing.
constexpr int MaxNumber = 0xFFFF;
constexpr int MaxSubParameters = 6;

// One parameter with its sub-parameters ("38:2::255:0:0"); an empty number is -1.
struct Parameter {
    std::array<int, MaxSubParameters> Values{};
    int Count = 0;
    bool Colon = false;

    // The number at `i`, an empty or missing one counting as 0.
    int At(int i) const { return i < Count && Values[i] >= 0 ? Values[i] : 0; }
};

// The parameters of a sequence one by one: the extended colours take the ones after them.
class Parameters {
  public:
    explicit Parameters(std::string_view text) : Text(text) {}

    bool Next(Parameter& p) {
        if (Done)
            return false;
        p = Parameter{};
        int value = -1;
        const auto push = [&] {
            if (p.Count < MaxSubParameters)
                p.Values[p.Count++] = value;
            value = -1;
        };
        for (;;) {
            if (At == Text.size() || Text[At] == ';') {
                push();
                if (At == Text.size())
                    Done = true;
                else
                    ++At;
                return true;
            }
            const char c = Text[At++];
            if (c == ':') {
                push();
                p.Colon = true;
            } else if (c >= '0' && c <= '9') {
                value = value < 0 ? 0 : value;
                value = value >= MaxNumber ? MaxNumber : value * 10 + (c - '0');
            }
        }
    }

  private:
    std::string_view Text;
    std::size_t At = 0;
    bool Done = false;
};

std::optional<SgrColour> PaletteColour(int index) {
    if (index < 0 || index > 255)
        return std::nullopt;
    return SgrColour::Palette(index);
}

std::optional<SgrColour> RgbColour(int r, int g, int b) {
    if (r > 255 || g > 255 || b > 255)
        return std::nullopt;
    return SgrColour::FromRgb(static_cast<uint32_t>(r << 16 | g << 8 | b));
}

// The colour of 38, 48 or 58: "5;n" or "2;r;g;b" in the parameters after it, or the same
// after colons ("5:n", "2:r:g:b", "2:space:r:g:b"). Nothing when it is malformed; after an
// unknown kind, `lost` tells that the parameters left cannot be told apart from its own.
std::optional<SgrColour> ExtendedColour(const Parameter& first, Parameters& rest, bool& lost) {
    if (first.Colon) {
        switch (first.At(1)) {
        case 5:
            return first.Count >= 3 ? PaletteColour(first.At(2)) : std::nullopt;
        case 2:
            if (first.Count >= 6)
                return RgbColour(first.At(3), first.At(4), first.At(5));
            if (first.Count == 5)
                return RgbColour(first.At(2), first.At(3), first.At(4));
            return std::nullopt;
        default:
            return std::nullopt;
        }
    }
    Parameter p;
    if (!rest.Next(p))
        return std::nullopt;
    if (p.At(0) == 5)
        return rest.Next(p) ? PaletteColour(p.At(0)) : std::nullopt;
    if (p.At(0) != 2) {
        lost = true;
        return std::nullopt;
    }
    int rgb[3];
    for (int& channel : rgb) {
        if (!rest.Next(p))
            return std::nullopt;
        channel = p.At(0);
    }
    return RgbColour(rgb[0], rgb[1], rgb[2]);
}

int Channel(uint32_t rgb, int shift) {
    return static_cast<int>(rgb >> shift & 0xFF);
}

// A requested colour as a console colour, and whether bold may brighten it.
int Resolve(const SgrColour& colour, int fallback, bool& basic) {
    basic = false;
    switch (colour.Type) {
    case SgrColour::Kind::Default:
        basic = true;
        return fallback;
    case SgrColour::Kind::Palette:
        if (colour.Index < 16) {
            basic = colour.Index < 8;
            return colour.Index;
        }
        return NearestConsoleColour(PaletteRgb(colour.Index));
    case SgrColour::Kind::Rgb:
        return NearestConsoleColour(colour.Rgb);
    }
    return fallback;
}

} // namespace

void ApplySgr(std::string_view parameters, SgrState& state) {
    Parameters all(parameters);
    Parameter p;
    bool lost = false;
    while (!lost && all.Next(p)) {
        const int n = p.At(0);
        if (n >= 30 && n <= 37) {
            state.Foreground = SgrColour::Palette(n - 30);
        } else if (n >= 90 && n <= 97) {
            state.Foreground = SgrColour::Palette(n - 90 + 8);
        } else if (n >= 40 && n <= 47) {
            state.Background = SgrColour::Palette(n - 40);
        } else if (n >= 100 && n <= 107) {
            state.Background = SgrColour::Palette(n - 100 + 8);
        } else {
            switch (n) {
            case 0:
                state = SgrState{};
                break;
            case 1:
                state.Bold = true;
                break;
            case 2: // faint: the console has no such intensity, so normal
            case 22:
                state.Bold = false;
                break;
            case 4: // "4:0" is the colon form of "no underline"
                state.Underline = !(p.Colon && p.Count > 1 && p.At(1) == 0);
                break;
            case 24:
                state.Underline = false;
                break;
            case 7:
                state.Reverse = true;
                break;
            case 27:
                state.Reverse = false;
                break;
            case 39:
                state.Foreground = SgrColour{};
                break;
            case 49:
                state.Background = SgrColour{};
                break;
            case 38:
            case 48:
            case 58: { // the underline's colour: read past, since the console has none
                const std::optional<SgrColour> colour = ExtendedColour(p, all, lost);
                if (colour && n == 38)
                    state.Foreground = *colour;
                else if (colour && n == 48)
                    state.Background = *colour;
                break;
            }
            default: // blink (5, 25), italic, conceal, strike-through, fonts...
                break;
            }
        }
    }
}

SgrState ColourByteState(int colour) {
    SgrState state;
    state.Foreground = SgrColour::Palette(colour & 7);
    state.Bold = (colour & 8) != 0;
    return state;
}

ConsoleColours ShownColours(const SgrState& state) {
    bool basic = false;
    int fg = Resolve(state.Foreground, DefaultForeground, basic);
    if (basic && (state.Bold || state.Underline))
        fg |= 8;
    bool unused = false;
    int bg = Resolve(state.Background, DefaultBackground, unused);
    if (state.Reverse)
        std::swap(fg, bg);
    const bool sameAsked =
        state.Foreground == state.Background && state.Foreground.Type != SgrColour::Kind::Default;
    if (fg == bg && !sameAsked)
        fg ^= 8;
    return {static_cast<uint8_t>(fg), static_cast<uint8_t>(bg)};
}

uint32_t PaletteRgb(int index) {
    if (index < 16)
        return ConsoleRgb[static_cast<std::size_t>(index & 15)];
    if (index < 232) {
        const int cube = index - 16;
        return static_cast<uint32_t>(CubeLevels[static_cast<std::size_t>(cube / 36)] << 16 |
                                     CubeLevels[static_cast<std::size_t>(cube / 6 % 6)] << 8 |
                                     CubeLevels[static_cast<std::size_t>(cube % 6)]);
    }
    const auto grey = static_cast<uint32_t>(8 + 10 * (std::min(index, 255) - 232));
    return grey << 16 | grey << 8 | grey;
}

int NearestConsoleColour(uint32_t rgb) {
    int best = 0;
    int bestDistance = 0;
    for (int i = 0; i < 16; ++i) {
        const uint32_t c = ConsoleRgb[static_cast<std::size_t>(i)];
        int distance = 0;
        for (const int shift : {16, 8, 0}) {
            const int d = Channel(rgb, shift) - Channel(c, shift);
            distance += d * d;
        }
        if (i == 0 || distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

void AppendColourBytes(ConsoleColours colours, std::string& text) {
    text += static_cast<char>(0x80 | (colours.Foreground & 15));
    if ((colours.Background & 15) != 0) {
        text += AnsiBackgroundMark;
        text += static_cast<char>(FirstBackgroundLetter + (colours.Background & 15));
    }
}

} // namespace tolmix
