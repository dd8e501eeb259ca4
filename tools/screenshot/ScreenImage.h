#pragma once

#include "PngFile.h"
#include "PsfFont.h"

#include "e2e/harness/TerminalModel.h"

#include <array>

// The terminal model's cells drawn as pixels: each cell's glyph from the bitmap font in its
// console colours, reverse video swapped, the cursor as a bar under its cell.
namespace tolmix::shot {

// 0xRRGGBB of the sixteen console colours (0 black, 1 blue, ... 15 white).
using Palette = std::array<uint32_t, 16>;

RgbImage DrawScreen(const e2e::TerminalModel& screen, const PsfFont& font, const Palette& palette);

} // namespace tolmix::shot
