#pragma once

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

} // namespace tolmix
