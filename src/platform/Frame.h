#pragma once

#include "platform/Cell.h"

#include <cstddef>

#include <vector>

namespace tolmix {

// Everything the terminal shows: the cell grid, the cursor and its shape. The console driver
// composes into one Frame and the terminal backend draws it, emitting only what changed.
struct Frame {
    int Width = 0;
    int Height = 0;
    std::vector<Cell> Cells; // row-major, Width * Height
    int CursorX = 0;
    int CursorY = 0;
    bool CursorVisible = true;
    int CursorSize = 25; // percent of the cell height

    void Resize(int width, int height, Cell fill = {}) {
        Width = width < 0 ? 0 : width;
        Height = height < 0 ? 0 : height;
        Cells.assign(static_cast<size_t>(Width) * static_cast<size_t>(Height), fill);
    }
    bool Contains(int x, int y) const { return x >= 0 && y >= 0 && x < Width && y < Height; }
    Cell& At(int x, int y) { return Cells[static_cast<size_t>(y) * Width + x]; }
    const Cell& At(int x, int y) const { return Cells[static_cast<size_t>(y) * Width + x]; }

    bool operator==(const Frame&) const = default;
};

} // namespace tolmix
