#pragma once

#include <string>
#include <string_view>

namespace tolmix {

// Words of an alias header are separated by blanks (0x20) only; a tab belongs to its word.

// The characters after the leading blanks up to the next blank or the end; empty when only
// blanks remain.
std::string FirstWord(std::string_view text);
// Removes the leading blanks, the first word and the blanks after it.
void DropFirstWord(std::string& text);
// The same on a view, which only moves its start: a walk over a long line stays linear.
void DropFirstWord(std::string_view& text);
// True when word is not empty, no longer than keyword and equal to its first characters,
// ignoring the case of ASCII letters.
bool IsAbbreviation(std::string_view word, std::string_view keyword);

} // namespace tolmix
