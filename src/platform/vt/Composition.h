#pragma once

#include <optional>

// Canonical composition of a letter and a combining mark that follows it, for the letters the
// client's code pages hold: a terminal, an input method or a clipboard may hand over "и" and
// U+0306 where the player meant "й".
namespace tolmix::vt {

// Whether c is a combining diacritical mark (U+0300..U+036F).
bool IsCombiningMark(char32_t c);

// The precomposed character of base + mark, or nothing when the pair has none that a code page
// of the client holds.
std::optional<char32_t> Compose(char32_t base, char32_t mark);

} // namespace tolmix::vt
