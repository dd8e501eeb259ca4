#pragma once

#include <string>
#include <string_view>

// What goes on the wire to the client: lines and prompts in Windows-1251 with the telnet data
// byte 0xFF ("я") doubled, telnet commands, and the server codes the client acts on.
namespace tolmix::demo::wire {

inline constexpr std::string_view WillEcho = "\xFF\xFB\x01"; // the password is not echoed
inline constexpr std::string_view WontEcho = "\xFF\xFC\x01";
inline constexpr std::string_view GoAhead = "\xFF\xF9";
// The two marker bytes that make a line a server code (and a client's line a client code).
inline constexpr std::string_view Marker = "\x80\x80";
// The separator inside the fields of the editor and game codes.
inline constexpr char Separator = '\x80';

// `text` with every 0xFF doubled.
std::string EscapeIac(std::string_view text);

// A server code line without its line end: the marker, the code letter, the payload.
inline std::string Code(std::string_view letters, std::string_view payload = {}) {
    std::string line(Marker);
    line += letters;
    line += payload;
    return line;
}

} // namespace tolmix::demo::wire
