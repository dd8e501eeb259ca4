#pragma once

#include <string>
#include <string_view>

// The world's texts are written in the source as UTF-8 and go on the wire in Windows-1251.
namespace tolmix::demo {

// UTF-8 to Windows-1251, with a small markup for the server's colour bytes: "^" and a hex digit
// n stands for the byte 0x80 + n, "^^" for "^" itself. Characters outside Windows-1251 become
// "?".
std::string Cp1251(std::string_view utf8);

// Lower case of Windows-1251 text (Latin and Cyrillic letters).
std::string Lower1251(std::string_view text);

// A player's text made safe to show to players: no control bytes and no colour bytes, so it
// can neither colour nor frame a server code; at most `limit` bytes.
std::string CleanPlayerText(std::string_view text, std::size_t limit);

// Blanks off both ends.
std::string_view Trim(std::string_view text);

// Whether `word` starts with `prefix` and is at least `shortest` bytes long: command words may
// be shortened ("север", "сев").
bool Abbreviates(std::string_view word, std::string_view full, std::size_t shortest = 1);

} // namespace tolmix::demo
