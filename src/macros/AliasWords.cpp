#include "macros/AliasWords.h"

namespace tolmix {

namespace {

char LowerAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c + ('a' - 'A')) : c;
}

size_t SkipBlanks(std::string_view text, size_t i) {
    while (i < text.size() && text[i] == ' ')
        ++i;
    return i;
}

size_t SkipWord(std::string_view text, size_t i) {
    while (i < text.size() && text[i] != ' ')
        ++i;
    return i;
}

} // namespace

std::string FirstWord(std::string_view text) {
    const size_t start = SkipBlanks(text, 0);
    return std::string(text.substr(start, SkipWord(text, start) - start));
}

void DropFirstWord(std::string& text) {
    text.erase(0, SkipBlanks(text, SkipWord(text, SkipBlanks(text, 0))));
}

void DropFirstWord(std::string_view& text) {
    text.remove_prefix(SkipBlanks(text, SkipWord(text, SkipBlanks(text, 0))));
}

bool IsAbbreviation(std::string_view word, std::string_view keyword) {
    if (word.empty() || word.size() > keyword.size())
        return false;
    for (size_t i = 0; i < word.size(); ++i) {
        if (LowerAscii(word[i]) != LowerAscii(keyword[i]))
            return false;
    }
    return true;
}

} // namespace tolmix
