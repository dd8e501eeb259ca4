#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tolmix {

// Base64 with the standard alphabet (A-Z, a-z, 0-9, "+", "/"), "=" filling the last group and
// no line breaks.
std::string EncodeBase64(std::string_view data);

// The bytes of a Base64 text, or nothing when the text is not Base64. Blanks and line ends
// between the characters are skipped and the filling "=" may be left out; any other character
// outside the alphabet, a "=" before the end, or a length that no encoding has makes the text
// no Base64.
std::optional<std::string> DecodeBase64(std::string_view text);

} // namespace tolmix
