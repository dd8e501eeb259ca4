#include "macros/KeyNames.h"

#include <string>

namespace tolmix {

namespace {

struct NamedKey {
    uint8_t Code;
    std::string_view Name;
};

constexpr NamedKey OtherKeys[] = {
    {0x08, "BACK"},  {0x09, "TAB"},   {0x0D, "ENTER"}, {0x13, "PAUSE"},   {0x14, "CAPS"},
    {0x1B, "ESC"},   {0x20, "SPACE"}, {0x21, "PGUP"},  {0x22, "PGDN"},    {0x23, "END"},
    {0x24, "HOME"},  {0x25, "LEFT"},  {0x26, "UP"},    {0x27, "RIGHT"},   {0x28, "DOWN"},
    {0x2D, "INS"},   {0x2E, "DEL"},   {0x5D, "MENU"},  {0x6A, "GRMUL"},   {0x6B, "GRADD"},
    {0x6D, "GRSUB"}, {0x6E, "NP"},    {0x6F, "GRDIV"}, {0x90, "NUMLOCK"}, {0x91, "SCROLL"},
    {0xBA, "COL"},   {0xBB, "PLUS"},  {0xBC, "COMMA"}, {0xBD, "MINUS"},   {0xBE, "POINT"},
    {0xBF, "SLASH"}, {0xC0, "TIL"},   {0xDB, "LB"},    {0xDC, "BACKSL"},  {0xDD, "RB"},
    {0xDE, "QUOTE"},
};

// The names of the runs of codes: "0".."9", "A".."Z", "N0".."N9", "F1".."F24"; the table's
// views point into these literals.
constexpr std::string_view Letters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
constexpr std::string_view DigitChars = "0123456789";
constexpr std::string_view NumpadNames = "N0N1N2N3N4N5N6N7N8N9";
constexpr std::string_view FunctionNames = "F1F2F3F4F5F6F7F8F9"
                                           "F10F11F12F13F14F15F16F17F18F19F20F21F22F23F24";

constexpr std::array<std::string_view, 256> BuildKeyNames() {
    std::array<std::string_view, 256> names{};
    for (size_t i = 0; i < DigitChars.size(); ++i) {
        names[0x30 + i] = DigitChars.substr(i, 1);
        names[0x60 + i] = NumpadNames.substr(2 * i, 2);
    }
    for (size_t i = 0; i < Letters.size(); ++i)
        names[0x41 + i] = Letters.substr(i, 1);
    size_t at = 0;
    for (size_t n = 1; n <= 24; ++n) {
        const size_t length = n < 10 ? 2 : 3;
        names[0x70 + n - 1] = FunctionNames.substr(at, length);
        at += length;
    }
    for (const NamedKey& key : OtherKeys)
        names[key.Code] = key.Name;
    return names;
}

std::string UpperAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - ('a' - 'A'));
    }
    return out;
}

} // namespace

constexpr std::array<std::string_view, 256> KeyNames = BuildKeyNames();

KeyCombination ParseKeyString(std::string_view text) {
    const std::string upper = UpperAscii(text);
    std::string_view rest = upper;
    KeyCombination result;
    for (size_t dash = rest.find('-'); dash != std::string_view::npos; dash = rest.find('-')) {
        const std::string_view part = rest.substr(0, dash);
        rest.remove_prefix(dash + 1);
        for (const ModifierName& modifier : ModifierNames) {
            if (!part.empty() && part == modifier.Name) {
                result.Modifiers |= modifier.Bit;
                break;
            }
        }
    }
    for (size_t code = 0; code < KeyNames.size(); ++code) {
        if (!KeyNames[code].empty() && KeyNames[code] == rest) {
            result.Key = static_cast<uint8_t>(code);
            break;
        }
    }
    return result;
}

} // namespace tolmix
