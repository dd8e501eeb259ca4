#pragma once

#include <cstdint>

namespace tolmix {

// How an output window scrolled back is split: its upper rows show the scrolled-back text, a
// separator row follows them, and the lowest rows keep showing the newest text. A window too
// low to split has no lower rows and shows the scrolled-back text in all of them.
struct OutputSplit {
    int32_t UpperRows = 0;
    int32_t LowerRows = 0;

    bool operator==(const OutputSplit&) const = default;
};

// A third of the window (at least three rows) below the separator; split only while at least
// two rows stay above it.
OutputSplit SplitOutputRows(int32_t outputRows);

} // namespace tolmix
