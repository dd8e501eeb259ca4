#pragma once

#include "platform/FileSystem.h"

#include <cstdint>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// A file that exists but cannot be read.
class EFOpenError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// What LoadFromFile found under the name.
enum class ListSource { File, Missing, NotAFile };

// The reader of the settings, key-macro, alias and trigger files: name=value lines of
// Windows-1251 text (a file saved as UTF-8 is converted as it is read, see FileText).
// Names are everything before the first "=", compared without regard to letter case and never
// trimmed; the first matching line wins.
class TTolmixStringList {
  public:
    // Replaces the contents with the file's lines; a missing file, and a name that is no
    // regular file (a named pipe, a device, a folder), give an empty list, the latter never
    // read. A file that exists but cannot be read raises EFOpenError.
    ListSource LoadFromFile(const FileSystem& files, const std::string& path);
    // Lines end at CR LF, a lone CR or a lone LF; a zero byte ends the text.
    void SetText(std::string_view text);

    std::string ValueOf(std::string_view key) const;
    std::string ReadString(std::string_view key, std::string_view defaultValue) const;
    int32_t ReadInteger(std::string_view key, int32_t defaultValue) const;
    bool ReadBool(std::string_view key, bool defaultValue) const;

    // The text after the first "=" of the line at index; empty for an index out of range.
    std::string ValueAt(int index) const;
    // The text before the first "=" of the line at index; a line without "=" has an empty name.
    std::string NameAt(int index) const;
    int Count() const { return static_cast<int>(Lines.size()); }
    const std::string& operator[](int index) const { return Lines[static_cast<size_t>(index)]; }

  private:
    const std::string* FindValueLine(std::string_view key) const;

    std::vector<std::string> Lines;
};

// The value of a hexadecimal digit of either case; -1 for any other character.
int HexDigit(char c);

// A 32-bit integer as the settings write it: optional leading blanks and sign, then decimal
// digits, or hexadecimal ones after "$", "x", "X", "0x" or "0X". Nothing else may follow.
bool ParseSettingsInteger(std::string_view text, int32_t& value);
// The same at 64 bits.
bool ParseSettingsInteger64(std::string_view text, int64_t& value);

// Letter-case-insensitive equality of two Windows-1251 texts.
bool SameTextAnsi(std::string_view a, std::string_view b);

} // namespace tolmix
