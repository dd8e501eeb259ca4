#include "Text1251.h"

#include <cstdint>

namespace tolmix::demo {

namespace {

// One code point from UTF-8; malformed input reads as one byte of U+FFFD.
char32_t NextCodePoint(std::string_view text, std::size_t& i) {
    const auto byte = [&](std::size_t k) { return static_cast<uint8_t>(text[k]); };
    const uint8_t lead = byte(i);
    std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : 0;
    if (length == 0 || i + length > text.size()) {
        ++i;
        return lead < 0x80 ? lead : U'\uFFFD';
    }
    char32_t c = length == 1 ? lead : length == 2 ? (lead & 0x1F) : (lead & 0x0F);
    for (std::size_t k = 1; k < length; ++k)
        c = (c << 6) | (byte(i + k) & 0x3F);
    i += length;
    return c;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// Letters only: guillemets and dashes become their ASCII cousins, which keeps the world's text
// plain for clients and logs that show no more than code page 866 has.
char ToCp1251(char32_t c) {
    if (c < 0x80)
        return static_cast<char>(c);
    if (c >= U'А' && c <= U'я')
        return static_cast<char>(0xC0 + (c - U'А'));
    switch (c) {
    case U'Ё':
        return '\xA8';
    case U'ё':
        return '\xB8';
    case U'«':
    case U'»':
        return '"';
    case U'–':
    case U'—':
        return '-';
    default:
        return '?';
    }
}

} // namespace

std::string Cp1251(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size();) {
        if (utf8[i] == '^' && i + 1 < utf8.size()) {
            if (utf8[i + 1] == '^') {
                out += '^';
                i += 2;
                continue;
            }
            if (const int n = HexDigit(utf8[i + 1]); n >= 0) {
                out += static_cast<char>(0x80 + n);
                i += 2;
                continue;
            }
        }
        out += ToCp1251(NextCodePoint(utf8, i));
    }
    return out;
}

std::string Lower1251(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        const auto b = static_cast<uint8_t>(c);
        if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDF))
            c = static_cast<char>(b + 0x20);
        else if (b == 0xA8)
            c = '\xB8';
    }
    return out;
}

std::string CleanPlayerText(std::string_view text, std::size_t limit) {
    std::string out;
    for (const char c : text) {
        const auto b = static_cast<uint8_t>(c);
        if (b < 0x20 || b == 0x7F || (b >= 0x80 && b <= 0x8F))
            continue;
        if (out.size() == limit)
            break;
        out += c;
    }
    return out;
}

std::string_view Trim(std::string_view text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

bool Abbreviates(std::string_view word, std::string_view full, std::size_t shortest) {
    return word.size() >= shortest && word.size() <= full.size() && full.starts_with(word);
}

} // namespace tolmix::demo
