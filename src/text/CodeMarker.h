#pragma once

#include <string_view>

namespace tolmix {

// The marker byte of the in-band codes, in console text (0x80 in Windows-1251, on the wire).
// Two of them open a server code or a client code; inside a code one separates fields or lines.
inline constexpr char CodeMarker = 0x10;

// A console-text line that is a server code: longer than two bytes and opened by the marker
// twice.
inline bool IsServerCode(std::string_view text) {
    return text.size() > 2 && text[0] == CodeMarker && text[1] == CodeMarker;
}

} // namespace tolmix
