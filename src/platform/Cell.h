#pragma once

#include <cstdint>

namespace tolmix {

// One character cell of the console screen: a console code page byte and a console attribute
// (background * 16 + foreground, console colour numbers 0 to 15).
struct Cell {
    uint8_t Char = ' ';
    uint16_t Attr = 7;

    bool operator==(const Cell&) const = default;
};

} // namespace tolmix
