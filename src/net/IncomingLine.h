#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace tolmix {

// Bytes the decoder answers the server with, without a line end (a telnet refusal).
using TelnetAnswer = std::function<void(std::string_view bytes)>;

// Ends one ANSI parameter: appends the colour byte 0x80 | state to `decoded` after "0"
// (state 7), "1" (bright) or a two-character parameter (the colour of its last digit) has
// changed the state, and empties the parameter.
void ApplyAnsiParameter(std::string& parameter, uint8_t& state, std::string& decoded);

// One received line as the text printer gets it: telnet commands answered (WILL gets DONT
// through `answer`) or dropped, IAC IAC made one 0xFF, ANSI colour sequences turned into
// colour bytes 0x80..0x8F; everything else, and incomplete sequences at the end, as the
// server sent it or dropped.
std::string DecodeIncomingLine(std::string_view line, const TelnetAnswer& answer);

} // namespace tolmix
