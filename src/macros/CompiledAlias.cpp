#include "macros/CompiledAlias.h"

#include <algorithm>

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

ReplaceResult ReplaceMatches(const AliasRegex& regex, const AliasTemplate& templ,
                             std::string_view text, RegexScratch& scratch) {
    ReplaceResult result;
    RegexMatch match;
    scratch.ResetBudget();
    size_t copied = 0; // text before this offset is already in the result
    size_t offset = 0; // where the next search starts
    while (offset <= text.size()) {
        const RegexSearchResult found = regex.Search(text, offset, scratch, match, result.Error);
        if (found == RegexSearchResult::Failed) {
            result.Status = RegexSearchResult::Failed;
            result.Text.clear();
            return result;
        }
        if (found == RegexSearchResult::NotFound)
            break;
        result.Status = RegexSearchResult::Found;
        const size_t start = static_cast<size_t>(match.Groups[0].Start);
        const size_t end = static_cast<size_t>(match.Groups[0].End);
        if (start > copied)
            result.Text.append(text.substr(copied, start - copied));
        templ.Substitute(text, match, result.Text);
        copied = std::max(copied, end);
        offset = end > start ? end : end + 1;
        // After an empty match the character at its position is copied unchanged.
        if (end == start && end < text.size()) {
            result.Text += text[end];
            copied = end + 1;
        }
    }
    if (result.Status == RegexSearchResult::Found && copied < text.size())
        result.Text.append(text.substr(copied));
    return result;
}

bool RegexMatches(std::string_view pattern, std::string_view text) {
    const AliasRegex regex(pattern);
    RegexScratch scratch;
    RegexMatch match;
    std::string failure;
    return regex.Search(text, 0, scratch, match, failure) == RegexSearchResult::Found;
}

std::string RegexReplace(std::string_view pattern, std::string_view text, std::string_view templ) {
    const AliasRegex regex(pattern);
    RegexScratch scratch;
    ReplaceResult result = ReplaceMatches(regex, AliasTemplate(templ), text, scratch);
    if (result.Status != RegexSearchResult::Found)
        return std::string(text);
    return std::move(result.Text);
}

} // namespace tolmix
