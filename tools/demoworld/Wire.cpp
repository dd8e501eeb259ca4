#include "Wire.h"

namespace tolmix::demo::wire {

std::string EscapeIac(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 8);
    for (const char c : text) {
        out += c;
        if (c == '\xFF')
            out += c;
    }
    return out;
}

} // namespace tolmix::demo::wire
