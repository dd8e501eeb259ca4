#pragma once

#include "macros/AliasRegex.h"
#include "macros/AliasTemplate.h"

#include <string>
#include <string_view>

namespace tolmix {

// An alias's pattern and template, compiled when the alias is first tried and kept.
struct CompiledAlias {
    CompiledAlias(std::string_view pattern, std::string_view text)
        : Regex(pattern), Template(text) {}
    AliasRegex Regex;
    AliasTemplate Template;
};

struct ReplaceResult {
    RegexSearchResult Status = RegexSearchResult::NotFound; // Found: at least one match
    std::string Text;                                       // the rewritten text when Found
    std::string Error;                                      // the engine's message when Failed
};

// Every match of regex in text, from left to right, each search starting where the previous
// match ended (one character further on after an empty match), replaced by the template; the
// text between and after the matches is copied. The searches share one step budget; a limit
// hit on any of them fails the whole replacement, so the caller can treat the pattern as not
// matching.
ReplaceResult ReplaceMatches(const AliasRegex& regex, const AliasTemplate& templ,
                             std::string_view text, RegexScratch& scratch);

// The pattern compiled for this one call: does it match somewhere in text? A pattern that
// does not compile, or a search stopped by a limit, does not match.
bool RegexMatches(std::string_view pattern, std::string_view text);
// The pattern compiled for this one call, every match replaced by the template; text as it
// was when the pattern does not compile or a limit stops a search.
std::string RegexReplace(std::string_view pattern, std::string_view text, std::string_view templ);

} // namespace tolmix
