#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// How the player's own commands are shown in the output: at all (LocalEcho), and in which
// console colour (EchoColor, 0..15).
struct EchoOptions {
    bool On = true;
    uint16_t Colour = 8;
};

// The lines of a command as it is shown (console code page): one per line it sends, CR LF
// between them; none for nothing sent.
std::vector<std::string_view> CommandLines(std::string_view command);

// One line of a command as the output shows it: the colour byte of `colour` first, then the
// text, in which bytes that would set colours (colour bytes, background marks) are shown as
// '?': a typed command never colours what follows it.
std::string EchoText(std::string_view commandLine, uint16_t colour);

// The attribute in force after console text that begins under `before`: its colour bytes and
// background marks followed through.
uint16_t AttrAfter(std::string_view consoleText, uint16_t before);

} // namespace tolmix
