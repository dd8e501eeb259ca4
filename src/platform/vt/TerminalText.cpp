#include "platform/vt/TerminalText.h"

#include "platform/vt/Charsets.h"

#include <array>

namespace tolmix::vt {

namespace {

constexpr std::string_view StringTerminator = "\x1b\\";

// Anything a terminal could take as part of a control function, or that shows as a box.
bool IsUnsafeInTitle(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0xFFFD;
}

std::string Base64(std::string_view bytes) {
    static constexpr std::string_view Alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t v = static_cast<uint8_t>(bytes[i]) << 16 |
                           static_cast<uint8_t>(bytes[i + 1]) << 8 |
                           static_cast<uint8_t>(bytes[i + 2]);
        out += Alphabet[v >> 18];
        out += Alphabet[v >> 12 & 63];
        out += Alphabet[v >> 6 & 63];
        out += Alphabet[v & 63];
    }
    const size_t rest = bytes.size() - i;
    if (rest > 0) {
        uint32_t v = static_cast<uint8_t>(bytes[i]) << 16;
        if (rest == 2)
            v |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        out += Alphabet[v >> 18];
        out += Alphabet[v >> 12 & 63];
        out += rest == 2 ? Alphabet[v >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

void AppendHexByte(std::string& out, uint32_t value) {
    static constexpr std::string_view Digits = "0123456789abcdef";
    out += Digits[value >> 4 & 15];
    out += Digits[value & 15];
}

} // namespace

int AnsiColourIndex(int consoleColour) {
    static constexpr std::array<int, 8> ConsoleToAnsi = {0, 4, 2, 6, 1, 5, 3, 7};
    if (consoleColour < 0 || consoleColour > 15)
        return -1;
    return (consoleColour & 8) | ConsoleToAnsi[consoleColour & 7];
}

std::string SanitizedTitle(std::string_view cp1251Title) {
    std::string out;
    size_t chars = 0;
    for (const char byte : cp1251Title) {
        const char32_t c = Cp1251ToUnicode(static_cast<uint8_t>(byte));
        if (IsUnsafeInTitle(c))
            continue;
        if (chars == MaxTitleChars)
            break;
        AppendUtf8(out, c);
        ++chars;
    }
    return out;
}

std::string TitleSequence(std::string_view cp1251Title) {
    std::string out = "\x1b]2;";
    out += SanitizedTitle(cp1251Title);
    out += StringTerminator;
    return out;
}

std::string PaletteSequence(int consoleColour, uint32_t rgb) {
    const int index = AnsiColourIndex(consoleColour);
    if (index < 0)
        return {};
    std::string out = "\x1b]4;" + std::to_string(index) + ";rgb:";
    AppendHexByte(out, rgb >> 16);
    out += '/';
    AppendHexByte(out, rgb >> 8);
    out += '/';
    AppendHexByte(out, rgb);
    out += StringTerminator;
    return out;
}

std::string PaletteResetSequence() {
    return "\x1b]104\x1b\\";
}

std::string PaletteEntryResetSequence(int consoleColour) {
    const int index = AnsiColourIndex(consoleColour);
    if (index < 0)
        return {};
    std::string out = "\x1b]104;" + std::to_string(index);
    out += StringTerminator;
    return out;
}

std::string PaletteQuerySequence() {
    std::string out;
    for (int index = 0; index < 16; ++index) {
        out += "\x1b]4;" + std::to_string(index) + ";?";
        out += StringTerminator;
    }
    return out;
}

std::string CursorStyleSequence(int style) {
    return "\x1b[" + std::to_string(style) + " q";
}

std::string ClipboardSequence(std::string_view cp1251Text) {
    // Converted one character at a time so the cap never splits a character.
    std::string utf8;
    for (const char byte : cp1251Text) {
        const size_t before = utf8.size();
        AppendUtf8(utf8, Cp1251ToUnicode(static_cast<uint8_t>(byte)));
        if (utf8.size() > MaxClipboardBytes) {
            utf8.resize(before);
            break;
        }
    }
    std::string out = "\x1b]52;c;";
    out += Base64(utf8);
    out += StringTerminator;
    return out;
}

} // namespace tolmix::vt
