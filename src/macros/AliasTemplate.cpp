#include "macros/AliasTemplate.h"

namespace tolmix {

namespace {

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A group number of decimal digits, saturated above the group limit so that a long run of
// digits cannot overflow; NoGroup means "inserts nothing".
constexpr int NoGroup = MaxAliasGroups + 1;

int ReadGroupNumber(std::string_view text, size_t& i) {
    int number = 0;
    while (i < text.size() && IsDigit(text[i])) {
        if (number < NoGroup)
            number = number * 10 + (text[i] - '0');
        ++i;
    }
    return number < NoGroup ? number : NoGroup;
}

} // namespace

AliasTemplate::AliasTemplate(std::string_view text) {
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            AddLiteral(text.substr(i + 1, 1));
            i += 2;
        } else if (c == '$' && i + 1 < text.size() && IsDigit(text[i + 1])) {
            ++i;
            AddGroup(ReadGroupNumber(text, i));
        } else if (c == '$' && i + 1 < text.size() && text[i + 1] == '&') {
            AddGroup(0);
            i += 2;
        } else if (c == '$' && i + 2 < text.size() && text[i + 1] == '{' && IsDigit(text[i + 2])) {
            size_t j = i + 2;
            const int group = ReadGroupNumber(text, j);
            if (j < text.size() && text[j] == '}') {
                AddGroup(group);
                i = j + 1;
            } else {
                AddLiteral("$");
                ++i;
            }
        } else {
            // A lone backslash at the very end has nothing to escape and stays.
            AddLiteral(text.substr(i, 1));
            ++i;
        }
    }
}

void AliasTemplate::AddLiteral(std::string_view text) {
    if (Pieces.empty() || Pieces.back().Group >= 0)
        Pieces.push_back({});
    Pieces.back().Literal += text;
}

void AliasTemplate::AddGroup(int group) {
    Pieces.push_back({{}, group});
}

void AliasTemplate::Substitute(std::string_view subject, const RegexMatch& match,
                               std::string& out) const {
    for (const Piece& piece : Pieces) {
        if (piece.Group < 0) {
            out += piece.Literal;
            continue;
        }
        if (piece.Group >= match.Count)
            continue;
        const RegexMatch::Group& g = match.Groups[static_cast<size_t>(piece.Group)];
        if (g.Start >= 0)
            out.append(
                subject.substr(static_cast<size_t>(g.Start), static_cast<size_t>(g.End - g.Start)));
    }
}

} // namespace tolmix
