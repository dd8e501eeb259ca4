#pragma once

#include <cstdint>

namespace tolmix {

// A screen position: column X, row Y, both from 0 at the top left.
struct Coord {
    int16_t X = 0;
    int16_t Y = 0;

    // X in the low half, Y in the high half.
    uint32_t Packed() const {
        return static_cast<uint16_t>(X) | static_cast<uint32_t>(static_cast<uint16_t>(Y)) << 16;
    }
    bool operator==(const Coord&) const = default;
};

inline Coord MakeCoord(int x, int y) {
    return Coord{static_cast<int16_t>(x), static_cast<int16_t>(y)};
}

} // namespace tolmix
