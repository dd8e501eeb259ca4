#include "text/LineEnds.h"

namespace tolmix {

std::string BarsToLineBreaks(std::string_view text, char separator) {
    std::string out;
    out.reserve(text.size());
    for (const char c : text) {
        if (c == separator)
            out += "\r\n";
        else
            out += c;
    }
    return out;
}

std::string NormaliseLineEnds(std::string_view text) {
    std::string out;
    out.reserve(text.size() + text.size() / 16);
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r') {
            out += "\r\n";
            if (i + 1 < text.size() && text[i + 1] == '\n')
                ++i;
        } else if (c == '\n') {
            out += "\r\n";
        } else {
            out += c;
        }
    }
    return out;
}

int32_t CountTextLines(std::string_view text) {
    int32_t count = 0;
    size_t i = 0;
    while (i < text.size()) {
        const size_t brk = text.find_first_of("\r\n", i);
        ++count;
        if (brk == std::string_view::npos)
            break;
        i = brk + 1;
        if (text[brk] == '\r' && i < text.size() && text[i] == '\n')
            ++i;
    }
    return count;
}

} // namespace tolmix
