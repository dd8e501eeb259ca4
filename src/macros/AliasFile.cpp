#include "macros/AliasFile.h"
#include "text/CodePage.h"

namespace tolmix {

namespace {

constexpr std::string_view HeaderWord = "alias:";
constexpr std::string_view RegexSpecials = "^$.[()|?+*\\{]}";
constexpr std::string_view LineBreak = "\r\n";

} // namespace

bool IsAliasHeader(std::string_view line) {
    size_t i = 0;
    while (i < line.size() && line[i] == ' ')
        ++i;
    if (line.size() - i < HeaderWord.size())
        return false;
    for (size_t k = 0; k < HeaderWord.size(); ++k) {
        char c = line[i + k];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c + ('a' - 'A'));
        if (c != HeaderWord[k])
            return false;
    }
    const size_t after = i + HeaderWord.size();
    return after == line.size() || line[after] == ' ';
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

void ParseAliasFile(TAliasArray& aliases, const TTolmixStringList& lines) {
    const int count = lines.Count();
    int i = 0;
    while (i < count) {
        if (!IsAliasHeader(lines[i])) {
            ++i;
            continue;
        }
        const TAliasOptions options = ParseAliasOptions(lines[i]);
        if (i + 2 >= count)
            return; // no pattern line, or no line for the text
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
        if (options.Has(aoEasy))
            pattern = WildcardsToGroups(EscapeRegex(pattern));
        if (options.Has(aoFull))
            pattern = "^" + pattern + "$";
        TAlias alias;
        alias.Options = options;
        alias.Pattern = AnsiToConsole(pattern);
        alias.Text = AnsiToConsole(text);
        aliases.push_back(std::move(alias));
    }
}

} // namespace tolmix
