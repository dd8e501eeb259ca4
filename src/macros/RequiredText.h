#pragma once

#include <string>
#include <string_view>

namespace tolmix {

// Text that every match of a regular expression (as alias and trigger patterns are compiled)
// holds: the longest run of plain characters outside groups and classes, none of them made
// optional by a quantifier. Empty when the pattern has alternatives at its top, inline options
// or escapes that take arguments, or anything else this reading does not follow: a line
// without the text can be skipped without searching it.
std::string RequiredText(std::string_view pattern);

} // namespace tolmix
