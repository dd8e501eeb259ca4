#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tolmix {

// Windows-1251 (wire, files, clipboard, the program's literals) to and from the console code
// page 866 (everything inside the client). The colour bytes 0x80..0x8F of Windows-1251 become
// 0x10..0x1F; the length of a text never changes.
uint8_t AnsiCharToConsole(uint8_t c);
uint8_t ConsoleCharToAnsi(uint8_t c);
std::string AnsiToConsole(std::string_view text);
std::string ConsoleToAnsi(std::string_view text);

} // namespace tolmix
