#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Text at the borders of the Windows platform: the system speaks UTF-16, file names cross the
// client as UTF-8, and console cells and keys are code page 866 bytes, texts Windows-1251.
namespace tolmix::win32 {

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

// Windows-1251 bytes as UTF-16 and back; a character without a byte becomes '?'.
std::wstring Cp1251ToWide(std::string_view text);
std::string WideToCp1251(std::wstring_view text);

// The glyph a console cell shows for a code page 866 byte (control bytes as their classic
// pictures, so no cell is ever a control character).
wchar_t Cp866CellGlyph(uint8_t byte);
// The code page 866 byte of a typed character: control characters as themselves, '?' for a
// character code page 866 lacks, 0 for none.
uint8_t TypedCharToCp866(wchar_t c);

// A window title from Windows-1251: control bytes dropped, at most `limit` characters.
std::wstring TitleText(std::string_view text, std::size_t limit = 255);

} // namespace tolmix::win32
