#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tolmix {

// The telnet negotiations (IAC WILL, WONT, DO, DONT and an option) that the decoder meets in a
// line, in order. The decoder answers nothing itself: a line may be decoded more than once
// while it is still arriving, and each negotiation is answered once.
class TelnetNegotiation {
  public:
    virtual ~TelnetNegotiation() = default;
    // `command` is WILL, WONT, DO or DONT; the negotiation's last byte is byte end - 1 of the
    // line.
    virtual void Negotiate(uint8_t command, uint8_t option, std::size_t end) = 0;
};

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

// Decodes one received line: telnet negotiations reported to `negotiation` (when given) and
// dropped, IAC IAC made one 0xFF, the other telnet commands (GA, EOR, NOP...) dropped, ANSI
// colour sequences turned into colour bytes 0x80..0x8F; everything else as the server sent
// it, incomplete sequences at the end dropped.
DecodedLine DecodeIncomingLine(std::string_view line, TelnetNegotiation* negotiation = nullptr);

} // namespace tolmix
