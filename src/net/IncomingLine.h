#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tolmix {

// One received line as the text printer gets it.
struct DecodedLine {
    std::string Text;
    // How many of the first two bytes of Text are code marker bytes (0x80 or 0x10) that came
    // as such from the server; a colour byte made from an ANSI sequence never counts. A line is
    // a server code only with two.
    int WireMarkers = 0;
};

// Ends one ANSI parameter: appends the colour byte 0x80 | state to `decoded` after "0"
// (state 7), "1" (bright) or a two-character parameter (the colour of its last digit) has
// changed the state, and empties the parameter.
void ApplyAnsiParameter(std::string& parameter, uint8_t& state, std::string& decoded);

// Decodes one received line, its telnet commands already read out of it: ANSI colour
// sequences turned into colour bytes 0x80..0x8F; everything else as the server sent it,
// incomplete sequences at the end dropped.
DecodedLine DecodeIncomingLine(std::string_view line);

} // namespace tolmix
