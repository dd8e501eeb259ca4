#include "text/CodePage.h"

#include <array>

namespace tolmix {

namespace {

// The console bytes of Windows-1251 0x90..0xBF: code page 866's byte where it has the
// character (no-break space, short U, currency sign, Yo, Ukrainian Ye, Yi, degree sign, middle
// dot, numero sign), else the box-drawing byte 0x20 above.
// clang-format off
constexpr std::array<uint8_t, 0x30> UpperSymbols = {{
    0xB0, 0xB1, 0xB2, 0xB3, 0xB4, 0xB5, 0xB6, 0xB7, 0xB8, 0xB9, 0xBA, 0xBB, 0xBC, 0xBD, 0xBE, 0xBF,
    0xFF, 0xF6, 0xF7, 0xC3, 0xFD, 0xC5, 0xC6, 0xC7, 0xF0, 0xC9, 0xF2, 0xCB, 0xCC, 0xCD, 0xCE, 0xF4,
    0xF8, 0xD1, 0xD2, 0xD3, 0xD4, 0xD5, 0xD6, 0xFA, 0xF1, 0xFC, 0xF3, 0xDB, 0xDC, 0xDD, 0xDE, 0xF5,
}};
// clang-format on

constexpr std::array<uint8_t, 256> MakeAnsiToConsole() {
    std::array<uint8_t, 256> table{};
    for (int c = 0; c < 256; ++c) {
        if (c >= 0x80 && c <= 0x8F)
            table[c] = static_cast<uint8_t>(c - 0x70); // colour bytes
        else if (c >= 0x90 && c <= 0xBF)
            table[c] = UpperSymbols[c - 0x90];
        else if (c >= 0xC0 && c <= 0xEF)
            table[c] = static_cast<uint8_t>(c - 0x40); // capital A to small pe
        else if (c >= 0xF0)
            table[c] = static_cast<uint8_t>(c - 0x10); // small er to small ya
        else
            table[c] = static_cast<uint8_t>(c);
    }
    return table;
}

constexpr std::array<uint8_t, 256> ToConsole = MakeAnsiToConsole();

constexpr std::array<uint8_t, 256> MakeConsoleToAnsi() {
    std::array<uint8_t, 256> table{};
    for (int c = 0; c < 0x80; ++c)
        table[c] = static_cast<uint8_t>(c);
    for (int c = 0x80; c < 256; ++c)
        table[c] = '?'; // a console character Windows-1251 lacks
    for (int c = 0x90; c < 256; ++c)
        table[ToConsole[c]] = static_cast<uint8_t>(c);
    for (int c = 0x80; c <= 0x8F; ++c)
        table[c - 0x70] = static_cast<uint8_t>(c);
    return table;
}

constexpr std::array<uint8_t, 256> ToAnsi = MakeConsoleToAnsi();

} // namespace

uint8_t AnsiCharToConsole(uint8_t c) {
    return ToConsole[c];
}

uint8_t ConsoleCharToAnsi(uint8_t c) {
    return ToAnsi[c];
}

std::string AnsiToConsole(std::string_view text) {
    std::string out;
    AnsiToConsole(text, out);
    return out;
}

void AnsiToConsole(std::string_view text, std::string& out) {
    out.resize(text.size());
    for (std::size_t i = 0; i < text.size(); ++i)
        out[i] = static_cast<char>(AnsiCharToConsole(static_cast<uint8_t>(text[i])));
}

std::string ConsoleToAnsi(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(ConsoleCharToAnsi(static_cast<uint8_t>(c)));
    return out;
}

} // namespace tolmix
