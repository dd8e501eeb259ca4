#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tolmix {

// Inside the client a line break is CR LF, in the editor, the macros and what is sent.

// The text with every separator replaced by CR LF ("|" in macros and the auto-send text).
std::string BarsToLineBreaks(std::string_view text, char separator = '|');

// The number of lines of a text broken at CR LF, CR or LF; a final break adds no line and the
// empty text has none.
int32_t CountTextLines(std::string_view text);

// A pasted text with every line end (CR LF, a lone CR, a lone LF) made CR LF.
std::string NormaliseLineEnds(std::string_view text);

} // namespace tolmix
