#include "util/TolmixStringList.h"

#include "text/FileText.h"

#include <limits>
#include <type_traits>

namespace tolmix {

namespace {

// Upper case of a Windows-1251 byte: Latin and Cyrillic letters.
uint8_t UpperAnsi(uint8_t c) {
    if (c >= 'a' && c <= 'z')
        return c - 0x20;
    if (c >= 0xE0) // small a to ya
        return c - 0x20;
    if (c == 0xB8) // small yo
        return 0xA8;
    return c;
}

} // namespace

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool SameTextAnsi(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (size_t i = 0; i < a.size(); ++i) {
        if (UpperAnsi(static_cast<uint8_t>(a[i])) != UpperAnsi(static_cast<uint8_t>(b[i])))
            return false;
    }
    return true;
}

namespace {

// The integer syntax of the settings at a given width. Hexadecimal gives the bits as written
// ($FFFFFFFF is -1 at 32 bits); decimal must fit the signed range.
template <typename Signed> bool ParseInteger(std::string_view text, Signed& value) {
    using Unsigned = std::make_unsigned_t<Signed>;
    constexpr Unsigned maxBits = std::numeric_limits<Unsigned>::max();
    constexpr Unsigned maxPositive = static_cast<Unsigned>(std::numeric_limits<Signed>::max());
    size_t i = 0;
    while (i < text.size() && text[i] == ' ')
        ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    bool hex = false;
    if (i < text.size() && (text[i] == '$' || text[i] == 'x' || text[i] == 'X')) {
        hex = true;
        ++i;
    } else if (i + 1 < text.size() && text[i] == '0' &&
               (text[i + 1] == 'x' || text[i + 1] == 'X')) {
        hex = true;
        i += 2;
    }
    if (i >= text.size())
        return false;
    const Unsigned base = hex ? 16 : 10;
    Unsigned magnitude = 0;
    for (; i < text.size(); ++i) {
        const int digit =
            hex ? HexDigit(text[i]) : (text[i] >= '0' && text[i] <= '9' ? text[i] - '0' : -1);
        if (digit < 0)
            return false;
        if (magnitude > (maxBits - static_cast<Unsigned>(digit)) / base)
            return false;
        magnitude = magnitude * base + static_cast<Unsigned>(digit);
    }
    if (hex) {
        const Unsigned bits = negative ? static_cast<Unsigned>(0 - magnitude) : magnitude;
        value = static_cast<Signed>(bits);
        return true;
    }
    const Unsigned limit = negative ? maxPositive + 1 : maxPositive;
    if (magnitude > limit)
        return false;
    value = negative ? static_cast<Signed>(0 - magnitude) : static_cast<Signed>(magnitude);
    return true;
}

} // namespace

bool ParseSettingsInteger(std::string_view text, int32_t& value) {
    return ParseInteger(text, value);
}

bool ParseSettingsInteger64(std::string_view text, int64_t& value) {
    return ParseInteger(text, value);
}

ListSource TTolmixStringList::LoadFromFile(const FileSystem& files, const std::string& path) {
    Lines.clear();
    const EntryKind kind = files.Kind(path);
    if (kind == EntryKind::Missing)
        return ListSource::Missing;
    if (kind != EntryKind::File)
        return ListSource::NotAFile;
    FileReadResult file = files.ReadFile(path);
    if (file.NotAFile)
        return ListSource::NotAFile;
    if (!file.Ok)
        throw EFOpenError("Cannot open file \"" + path + "\". " + file.Error);
    SetText(FileTextToAnsi(file.Data));
    return ListSource::File;
}

void TTolmixStringList::SetText(std::string_view text) {
    Lines.clear();
    const size_t end = text.find('\0');
    if (end != std::string_view::npos)
        text = text.substr(0, end);
    size_t start = 0;
    while (start < text.size()) {
        size_t stop = text.find_first_of("\r\n", start);
        if (stop == std::string_view::npos) {
            Lines.emplace_back(text.substr(start));
            break;
        }
        Lines.emplace_back(text.substr(start, stop - start));
        start = stop + 1;
        if (text[stop] == '\r' && start < text.size() && text[start] == '\n')
            ++start;
    }
}

const std::string* TTolmixStringList::FindValueLine(std::string_view key) const {
    for (const std::string& line : Lines) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos && SameTextAnsi(std::string_view(line).substr(0, eq), key))
            return &line;
    }
    return nullptr;
}

std::string TTolmixStringList::ValueOf(std::string_view key) const {
    const std::string* line = FindValueLine(key);
    return line ? line->substr(line->find('=') + 1) : std::string();
}

std::string TTolmixStringList::ReadString(std::string_view key,
                                          std::string_view defaultValue) const {
    const std::string* line = FindValueLine(key);
    return line ? line->substr(line->find('=') + 1) : std::string(defaultValue);
}

int32_t TTolmixStringList::ReadInteger(std::string_view key, int32_t defaultValue) const {
    int32_t value;
    return ParseSettingsInteger(ValueOf(key), value) ? value : defaultValue;
}

bool TTolmixStringList::ReadBool(std::string_view key, bool defaultValue) const {
    return ReadInteger(key, defaultValue ? 1 : 0) != 0;
}

std::string TTolmixStringList::ValueAt(int index) const {
    if (index < 0 || index >= Count())
        return {};
    const std::string& line = Lines[static_cast<size_t>(index)];
    const size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(eq + 1);
}

std::string TTolmixStringList::NameAt(int index) const {
    if (index < 0 || index >= Count())
        return {};
    const std::string& line = Lines[static_cast<size_t>(index)];
    const size_t eq = line.find('=');
    return eq == std::string::npos ? std::string() : line.substr(0, eq);
}

} // namespace tolmix
