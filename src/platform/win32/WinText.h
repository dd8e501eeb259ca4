#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Text at the borders of the Windows platform: the system speaks UTF-16, file names cross the
// client as UTF-8, and console cells and keys are console code page bytes, texts Windows-1251.
namespace tolmix::win32 {

std::wstring Utf8ToWide(std::string_view text);
std::string WideToUtf8(std::wstring_view text);

// Windows-1251 bytes as UTF-16 and back; a character without a byte becomes '?'.
std::wstring Cp1251ToWide(std::string_view text);
std::string WideToCp1251(std::wstring_view text);

// The glyph a console cell shows for a console code page byte (control bytes as their classic
// pictures, so no cell is ever a control character).
wchar_t ConsoleCellGlyph(uint8_t byte);
// The console code page byte of a typed character: control characters as themselves, '?' for a
// character that Windows-1251 cannot carry to the server, 0 for none.
uint8_t TypedCharToConsole(wchar_t c);

// A window title from Windows-1251: control bytes dropped, at most `limit` characters.
std::wstring TitleText(std::string_view text, std::size_t limit = 255);

} // namespace tolmix::win32
