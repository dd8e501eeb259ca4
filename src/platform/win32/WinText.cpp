#include "platform/win32/WinText.h"
#include "platform/vt/Charsets.h"

namespace tolmix::win32 {

namespace {

void AppendUtf16(std::wstring& out, char32_t c) {
    if (c >= 0x10000 && c <= 0x10FFFF) {
        c -= 0x10000;
        out += static_cast<wchar_t>(0xD800 + (c >> 10));
        out += static_cast<wchar_t>(0xDC00 + (c & 0x3FF));
    } else if (c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) {
        out += static_cast<wchar_t>(0xFFFD);
    } else {
        out += static_cast<wchar_t>(c);
    }
}

// One UTF-16 character at `i`, advancing past it; a lone surrogate is U+FFFD.
char32_t NextUtf16(std::wstring_view text, std::size_t& i) {
    const char32_t first = static_cast<char16_t>(text[i++]);
    if (first >= 0xD800 && first <= 0xDBFF && i < text.size()) {
        const char32_t second = static_cast<char16_t>(text[i]);
        if (second >= 0xDC00 && second <= 0xDFFF) {
            ++i;
            return 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00);
        }
    }
    return first >= 0xD800 && first <= 0xDFFF ? 0xFFFD : first;
}

} // namespace

std::wstring Utf8ToWide(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    while (!text.empty()) {
        char32_t c = 0;
        std::size_t used = vt::DecodeUtf8(text, c);
        if (used == 0) { // cut short at the end
            c = 0xFFFD;
            used = text.size();
        }
        AppendUtf16(out, c);
        text.remove_prefix(used);
    }
    return out;
}

std::string WideToUtf8(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();)
        vt::AppendUtf8(out, NextUtf16(text, i));
    return out;
}

std::wstring Cp1251ToWide(std::string_view text) {
    std::wstring out;
    out.reserve(text.size());
    for (const char byte : text)
        AppendUtf16(out, vt::Cp1251ToUnicode(static_cast<uint8_t>(byte)));
    return out;
}

std::string WideToCp1251(std::wstring_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size();) {
        const std::optional<uint8_t> byte = vt::UnicodeToCp1251(NextUtf16(text, i));
        out += byte ? static_cast<char>(*byte) : '?';
    }
    return out;
}

wchar_t ConsoleCellGlyph(uint8_t byte) {
    return static_cast<wchar_t>(vt::ConsoleGlyph(byte));
}

uint8_t TypedCharToConsole(wchar_t c) {
    if (c == 0)
        return 0;
    if (c < 0x20 || c == 0x7F)
        return static_cast<uint8_t>(c);
    const std::optional<uint8_t> byte = vt::UnicodeToConsole(static_cast<char16_t>(c));
    return byte ? *byte : static_cast<uint8_t>('?');
}

std::wstring TitleText(std::string_view text, std::size_t limit) {
    std::wstring out;
    for (const char byte : text) {
        const auto b = static_cast<uint8_t>(byte);
        if (b < 0x20 || b == 0x7F)
            continue;
        if (out.size() >= limit)
            break;
        AppendUtf16(out, vt::Cp1251ToUnicode(b));
    }
    return out;
}

} // namespace tolmix::win32
