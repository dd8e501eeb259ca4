#include "macros/RegexReplace.h"

#include <algorithm>

namespace tolmix {

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
