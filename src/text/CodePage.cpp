#include "text/CodePage.h"

namespace tolmix {

uint8_t AnsiCharToConsole(uint8_t c) {
    if (c >= 0x80 && c <= 0x8F)
        return c - 0x70;
    if (c == 0xA8)
        return 0xF0;
    if (c == 0xB8)
        return 0xF1;
    if (c >= 0xC0 && c <= 0xEF)
        return c - 0x40;
    if (c >= 0xF0)
        return c - 0x10;
    return c;
}

uint8_t ConsoleCharToAnsi(uint8_t c) {
    if (c >= 0x10 && c <= 0x1F)
        return c + 0x70;
    if (c >= 0x80 && c <= 0xAF)
        return c + 0x40;
    if (c >= 0xE0 && c <= 0xEF)
        return c + 0x10;
    if (c == 0xF0)
        return 0xA8;
    if (c == 0xF1)
        return 0xB8;
    return c;
}

std::string AnsiToConsole(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(AnsiCharToConsole(static_cast<uint8_t>(c)));
    return out;
}

std::string ConsoleToAnsi(std::string_view text) {
    std::string out(text);
    for (char& c : out)
        c = static_cast<char>(ConsoleCharToAnsi(static_cast<uint8_t>(c)));
    return out;
}

} // namespace tolmix
