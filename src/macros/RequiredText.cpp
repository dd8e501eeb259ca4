#include "macros/RequiredText.h"

#include <algorithm>

namespace tolmix {

std::string RequiredText(std::string_view pattern) {
    constexpr std::string_view SimpleEscapes = "bBdDwWsShHvVRXAzZGK";
    constexpr std::string_view Quantifiers = "?*+{";
    std::string best, run;
    auto endRun = [&] {
        if (run.size() > best.size())
            best = run;
        run.clear();
    };
    int depth = 0;
    size_t i = 0;
    while (i < pattern.size()) {
        const char c = pattern[i];
        if (c == '\\') {
            if (i + 1 >= pattern.size())
                return {};
            const auto next = static_cast<unsigned char>(pattern[i + 1]);
            const bool alnum = (next >= '0' && next <= '9') || (next >= 'a' && next <= 'z') ||
                               (next >= 'A' && next <= 'Z');
            if (alnum && SimpleEscapes.find(static_cast<char>(next)) == std::string_view::npos)
                return {};
            endRun();
            i += 2;
            continue;
        }
        if (c == '[') {
            if (pattern.substr(i).find("[:") != std::string_view::npos)
                return {};
            endRun();
            ++i;
            if (i < pattern.size() && pattern[i] == '^')
                ++i;
            if (i < pattern.size() && pattern[i] == ']')
                ++i;
            while (i < pattern.size() && pattern[i] != ']')
                i += pattern[i] == '\\' ? 2 : 1;
            ++i;
            continue;
        }
        if (c == '(') {
            if (i + 1 < pattern.size() &&
                (pattern[i + 1] == '*' ||
                 (pattern[i + 1] == '?' && (i + 2 >= pattern.size() || pattern[i + 2] != ':'))))
                return {};
            endRun();
            ++depth;
            ++i;
            continue;
        }
        if (c == ')') {
            endRun();
            --depth;
            ++i;
            continue;
        }
        if (depth > 0) {
            ++i;
            continue;
        }
        if (c == '|')
            return {};
        if (Quantifiers.find(c) != std::string_view::npos) {
            // The character before is optional or repeated: it does not belong to the run.
            if (!run.empty())
                run.pop_back();
            endRun();
            if (c == '{')
                i = std::min(pattern.find('}', i), pattern.size());
            ++i;
            continue;
        }
        if (c == '.' || c == '^' || c == '$' || c == '}' || c == ']' || c == '#') {
            endRun();
            ++i;
            continue;
        }
        run += c;
        ++i;
    }
    endRun();
    return depth == 0 ? best : std::string();
}

} // namespace tolmix
