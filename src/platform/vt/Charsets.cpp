#include "platform/vt/Charsets.h"
#include "platform/vt/Composition.h"

#include <unordered_map>

namespace tolmix::vt {

namespace {

template <size_t N>
std::unordered_map<char32_t, uint8_t> Reverse(const std::array<char32_t, N>& table, int first) {
    std::unordered_map<char32_t, uint8_t> map;
    for (int b = 255; b >= first; --b) {
        if (table[b] != 0xFFFD)
            map[table[b]] = static_cast<uint8_t>(b);
    }
    return map;
}

} // namespace

std::optional<uint8_t> UnicodeToCp866(char32_t c) {
    static const auto map = Reverse(Cp866Glyphs, 0x20);
    if (c >= 0x20 && c < 0x7F)
        return static_cast<uint8_t>(c);
    auto it = map.find(c);
    if (it == map.end())
        return std::nullopt;
    return it->second;
}

std::optional<uint8_t> UnicodeToCp1251(char32_t c) {
    static const auto map = Reverse(Cp1251Chars, 0);
    if (c < 0x80)
        return static_cast<uint8_t>(c);
    auto it = map.find(c);
    if (it == map.end())
        return std::nullopt;
    return it->second;
}

std::optional<uint8_t> UnicodeToConsole(char32_t c) {
    static const auto map = [] {
        std::unordered_map<char32_t, uint8_t> m;
        for (int b = 0x80; b < 256; ++b) {
            const char32_t glyph = ConsoleGlyphs[b];
            const std::optional<uint8_t> ansi = UnicodeToCp1251(glyph);
            if (ansi && *ansi >= 0x90)
                m[glyph] = static_cast<uint8_t>(b);
        }
        return m;
    }();
    if (c >= 0x20 && c < 0x7F)
        return static_cast<uint8_t>(c);
    auto it = map.find(c);
    if (it == map.end())
        return std::nullopt;
    return it->second;
}

void AppendUtf8(std::string& out, char32_t c) {
    if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        c = 0xFFFD;
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

size_t DecodeUtf8(std::string_view bytes, char32_t& c) {
    if (bytes.empty())
        return 0;
    const auto b0 = static_cast<uint8_t>(bytes[0]);
    if (b0 < 0x80) {
        c = b0;
        return 1;
    }
    size_t length;
    char32_t value;
    char32_t minimum;
    if ((b0 & 0xE0) == 0xC0) {
        length = 2, value = b0 & 0x1F, minimum = 0x80;
    } else if ((b0 & 0xF0) == 0xE0) {
        length = 3, value = b0 & 0x0F, minimum = 0x800;
    } else if ((b0 & 0xF8) == 0xF0) {
        length = 4, value = b0 & 0x07, minimum = 0x10000;
    } else {
        c = 0xFFFD;
        return 1;
    }
    for (size_t i = 1; i < length; ++i) {
        if (i >= bytes.size())
            return 0;
        const auto b = static_cast<uint8_t>(bytes[i]);
        if ((b & 0xC0) != 0x80) {
            c = 0xFFFD;
            return 1;
        }
        value = (value << 6) | (b & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        c = 0xFFFD;
        return 1;
    }
    c = value;
    return length;
}

std::string Cp1251ToUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (char ch : text)
        AppendUtf8(out, Cp1251ToUnicode(static_cast<uint8_t>(ch)));
    return out;
}

std::string Utf8ToCp1251(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    while (!text.empty()) {
        char32_t c;
        size_t used = DecodeUtf8(text, c);
        if (used == 0) { // cut off at the end
            c = 0xFFFD;
            used = text.size();
        }
        text.remove_prefix(used);
        char32_t mark;
        if (const size_t markUsed = DecodeUtf8(text, mark); markUsed > 0 && IsCombiningMark(mark)) {
            if (const std::optional<char32_t> composed = Compose(c, mark)) {
                c = *composed;
                text.remove_prefix(markUsed);
            }
        }
        out += static_cast<char>(UnicodeToCp1251(c).value_or('?'));
    }
    return out;
}

} // namespace tolmix::vt
