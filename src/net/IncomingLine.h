#pragma once

#include "text/Sgr.h"

#include <cstddef>
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
    // The colours in force after the line.
    SgrState Colours;
    // How many bytes of the line were decoded: all but an escape sequence that the line ends
    // in the middle of, which a piece cut from a longer line may carry on.
    std::size_t Consumed = 0;
};

// Decodes one received line, its telnet commands already read out of it: escape sequences
// dropped whole, except SGR, which changes the colours and becomes their colour byte and
// background mark; the byte 0x98, which Windows-1251 leaves unused, shown as "?"; everything
// else as the server sent it. A sequence the line ends in the middle of is left out with the
// rest: the line is decoded again as it grows. `colours` are those in force before the line;
// the result has those after it (for a server code, what its SGR sequences alone left).
DecodedLine DecodeIncomingLine(std::string_view line, const SgrState& colours = {});
// The same into `result`, whose text's memory is used again (`line` must not be in it).
void DecodeIncomingLine(std::string_view line, const SgrState& colours, DecodedLine& result);

} // namespace tolmix
