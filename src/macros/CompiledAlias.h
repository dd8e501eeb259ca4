#pragma once

// An alias ready to rewrite lines: its pattern compiled and its replacement template read into
// pieces, and the replacing of every match in a line.
#include "macros/AliasRegex.h"

#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// The replacement template of an alias, read once into pieces:
//   $n or ${n}  capture group n (all digits are read: $12 is group 12)
//   $&          the whole match, like $0
//   \c          the character c alone
//   $ followed by anything else, or at the end, is "$" itself.
// A group that took no part in the match, or a number of 15 or more, inserts nothing.
class AliasTemplate {
  public:
    explicit AliasTemplate(std::string_view text);

    // Appends the template for one match of subject to out.
    void Substitute(std::string_view subject, const RegexMatch& match, std::string& out) const;

  private:
    struct Piece {
        std::string Literal; // copied as it stands when Group < 0
        int Group = -1;
    };
    void AddLiteral(std::string_view text);
    void AddGroup(int group);

    std::vector<Piece> Pieces;
};

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
