#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tolmix {

// One screen line of the editor's text: where it starts (1-based byte position in the text)
// and how many bytes it shows. A display line never holds a CR or a CR LF pair.
struct EditLine {
    int32_t Start = 1;
    int32_t Length = 0;

    bool operator==(const EditLine&) const = default;
};

// Breaks a text into display lines of at most sizeX bytes: at every CR (with the LF after it,
// if any) and wherever a line would grow past the width. A lone LF is an ordinary byte. A final
// line break is followed by an empty line; an empty text has no lines. Linear in the text's
// length; `lines` keeps its capacity from one layout to the next.
void LayoutLines(std::string_view text, int sizeX, std::vector<EditLine>& lines);

} // namespace tolmix
