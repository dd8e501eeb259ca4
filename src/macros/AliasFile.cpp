#include "macros/AliasFile.h"
#include "text/CodePage.h"

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

constexpr std::string_view HeaderWord = "alias:";
constexpr std::string_view RegexSpecials = "^$.[()|?+*\\{]}";
constexpr std::string_view LineBreak = "\r\n";

size_t AliasBytes(const TAliasArray& aliases) {
    size_t bytes = 0;
    for (const TAlias& alias : aliases)
        bytes += alias.Pattern.size() + alias.Text.size();
    return bytes;
}

// The needle of an easy pattern (Windows-1251, as written): for a whole-line alias the text
// before the first wildcard, which starts every line it matches; otherwise, or when that is
// empty, the longest piece between wildcards.
void FindNeedle(TAlias& alias, std::string_view pattern) {
    const size_t firstStar = pattern.find('*');
    if (alias.Options.Has(aoFull) && firstStar != 0) {
        alias.Needle = AnsiToConsole(pattern.substr(0, firstStar));
        alias.NeedleAtStart = true;
        return;
    }
    std::string_view longest;
    size_t start = 0;
    while (start <= pattern.size()) {
        size_t stop = pattern.find('*', start);
        if (stop == std::string_view::npos)
            stop = pattern.size();
        if (stop - start > longest.size())
            longest = pattern.substr(start, stop - start);
        start = stop + 1;
    }
    alias.Needle = AnsiToConsole(longest);
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

AliasOption OpposedAliasOption(AliasOption option) {
    switch (option) {
    case aoFull:
        return aoPart;
    case aoPart:
        return aoFull;
    case aoSend:
        return aoEdit;
    case aoEdit:
        return aoSend;
    case aoEasy:
        return aoPure;
    case aoPure:
        return aoEasy;
    case aoNone:
        break;
    }
    return aoNone;
}

int FindAliasOption(std::string_view word) {
    for (size_t i = aoFull; i < AliasOptionNames.size(); ++i) {
        if (IsAbbreviation(word, AliasOptionNames[i]))
            return static_cast<int>(i);
    }
    return 0;
}

TAliasOptions ParseAliasOptions(std::string_view line) {
    TAliasOptions options = DefaultAliasOptions;
    std::string_view rest = line;
    for (std::string word = FirstWord(rest); !word.empty(); word = FirstWord(rest)) {
        const int index = FindAliasOption(word);
        if (index != 0) {
            const auto option = static_cast<AliasOption>(index);
            options.Include(option);
            options.Exclude(OpposedAliasOption(option));
        }
        DropFirstWord(rest);
    }
    return options;
}

bool MayMatch(const TAlias& alias, std::string_view line) {
    if (alias.NeedleAtStart)
        return line.starts_with(alias.Needle);
    return alias.Needle.empty() || line.find(alias.Needle) != std::string_view::npos;
}

bool IsAliasHeader(std::string_view line) {
    const size_t start = SkipBlanks(line, 0);
    const std::string_view word = line.substr(start, SkipWord(line, start) - start);
    return word.size() == HeaderWord.size() && IsAbbreviation(word, HeaderWord);
}

std::string EscapeRegex(std::string_view text) {
    std::string out;
    out.reserve(text.size() * 2);
    for (const char c : text) {
        if (RegexSpecials.find(c) != std::string_view::npos)
            out += '\\';
        out += c;
    }
    return out;
}

std::string WildcardsToGroups(std::string_view escaped) {
    std::string out;
    out.reserve(escaped.size() + escaped.size() / 2);
    size_t i = 0;
    while (i < escaped.size()) {
        if (escaped[i] == '\\' && i + 1 < escaped.size() && escaped[i + 1] == '*') {
            out += "(.*?)";
            i += 2;
        } else {
            out += escaped[i];
            ++i;
        }
    }
    return out;
}

bool ParseAliasFile(TAliasArray& aliases, const TTolmixStringList& lines) {
    size_t bytes = AliasBytes(aliases);
    const int count = lines.Count();
    int i = 0;
    while (i < count) {
        if (!IsAliasHeader(lines[i])) {
            ++i;
            continue;
        }
        const TAliasOptions options = ParseAliasOptions(lines[i]);
        if (i + 2 >= count)
            return true; // no pattern line, or no line for the text
        std::string pattern = lines[i + 1];
        std::string text;
        int next = i + 2;
        for (; next < count && !IsAliasHeader(lines[next]); ++next) {
            // A blank first text line leaves no trace; blank lines after it each add a break.
            if (!text.empty())
                text += LineBreak;
            text += lines[next];
        }
        i = next;
        if (pattern.empty() || text.empty())
            continue;
        TAlias alias;
        alias.Options = options;
        if (options.Has(aoEasy)) {
            FindNeedle(alias, pattern);
            pattern = WildcardsToGroups(EscapeRegex(pattern));
        }
        if (options.Has(aoFull))
            pattern = "^" + pattern + "$";
        alias.Pattern = AnsiToConsole(pattern);
        alias.Text = AnsiToConsole(text);
        bytes += alias.Pattern.size() + alias.Text.size();
        if (bytes > AliasBytesLimit)
            return false;
        aliases.push_back(std::move(alias));
    }
    return true;
}

} // namespace tolmix
