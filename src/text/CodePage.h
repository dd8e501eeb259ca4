#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tolmix {

// Windows-1251 (wire, files, clipboard, the program's literals) to and from the console code
// page (everything inside the client). The colour bytes 0x80..0x8F of Windows-1251 become
// 0x10..0x1F; the length of a text never changes.
//
// The console code page is code page 866 for every character the two share. The characters of
// Windows-1251 that code page 866 lacks (quotes, dashes, the Ukrainian and Belarusian letters
// and the like, 0x90..0xBF) take the box-drawing bytes 0xB0..0xDF that Windows-1251 has no use
// for, 0x20 above their Windows-1251 byte, and the screen draws them as themselves. So every
// character of Windows-1251 goes in and comes back out as itself, and a console byte that
// Windows-1251 cannot carry (the line character 0xC4 and the other box drawings left, and
// 0xF9, 0xFB, 0xFE) goes out as '?'.
uint8_t AnsiCharToConsole(uint8_t c);
uint8_t ConsoleCharToAnsi(uint8_t c);
std::string AnsiToConsole(std::string_view text);
// The same into `out`, whose memory is used again (`text` must not be in it).
void AnsiToConsole(std::string_view text, std::string& out);
std::string ConsoleToAnsi(std::string_view text);

} // namespace tolmix
