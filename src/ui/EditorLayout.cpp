#include "ui/EditorLayout.h"

#include <algorithm>
#include <cstring>

namespace tolmix {

void LayoutLines(std::string_view text, int sizeX, std::vector<EditLine>& lines) {
    lines.clear();
    const size_t width = static_cast<size_t>(std::max(sizeX, 1));
    const size_t n = text.size();
    size_t start = 0; // 0-based here; stored 1-based
    size_t i = 0;
    bool lastBreakWasCr = false;
    while (i < n) {
        // The next CR within this line's reach; a CR right at the width still ends the line as
        // a line break, not a width break.
        const size_t reach = std::min(n, start + width + 1) - i;
        const void* cr = std::memchr(text.data() + i, '\r', reach);
        if (cr != nullptr) {
            i = static_cast<size_t>(static_cast<const char*>(cr) - text.data());
            lines.push_back({static_cast<int32_t>(start + 1), static_cast<int32_t>(i - start)});
            ++i;
            if (i < n && text[i] == '\n')
                ++i;
            lastBreakWasCr = true;
            start = i;
            continue;
        }
        if (start + width >= n) {
            i = n;
            break;
        }
        i = start + width;
        lines.push_back({static_cast<int32_t>(start + 1), static_cast<int32_t>(width)});
        lastBreakWasCr = false;
        start = i;
    }
    if (lastBreakWasCr || start < n)
        lines.push_back({static_cast<int32_t>(start + 1), static_cast<int32_t>(n - start)});
}

} // namespace tolmix
