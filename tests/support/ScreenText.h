#pragma once

#include "platform/Frame.h"

#include <string>

namespace tolmix::test {

// One row of a frame as its character bytes.
inline std::string RowText(const Frame& frame, int y) {
    std::string row;
    for (int x = 0; x < frame.Width; ++x)
        row += static_cast<char>(frame.At(x, y).Char);
    return row;
}

// True when every cell of the row holds this character and attribute.
inline bool RowIs(const Frame& frame, int y, uint8_t ch, uint16_t attr) {
    for (int x = 0; x < frame.Width; ++x) {
        if (!(frame.At(x, y) == Cell{ch, attr}))
            return false;
    }
    return true;
}

} // namespace tolmix::test
