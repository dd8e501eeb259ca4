#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tolmix {

// Every client code the client sends: two marker bytes, the code's name, its argument. Each is
// built here, beside SendLine that puts it on the wire, where every marker becomes 0x80.
//
// The codes of the client itself are console text and go out converted; the plugins' codes
// carry the plugins' own Windows-1251 text and go out with their markers raised only.

// The answer to the server's version request (console text).
std::string VersionCode();
// The server's text editor gets its text back: the number of lines, then each line after a
// marker (console text; CR LF breaks the lines).
std::string EditResultCode(std::string_view editText);
// The server's edit is cancelled (console text).
std::string EditCancelCode();

// One loaded plugin for the server's list request (Windows-1251).
std::string PluginListCode(std::string_view name, std::string_view details);
// A plugin's game data, Base64-encoded (the data is any bytes).
std::string GameDataCode(std::string_view data);
// A plugin's text on a channel of the game: 1 to 4; 0 and higher numbers have no code.
bool HasGameTextChannel(uint8_t channel);
std::string GameTextCode(uint8_t channel, std::string_view text);
// A plugin's game has ended.
std::string GameFinishCode();

} // namespace tolmix
