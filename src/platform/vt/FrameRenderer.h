#pragma once

// Frame.h uses size_t without including it.
#include <cstddef>

#include "platform/Frame.h"

#include <array>
#include <climits>
#include <string>

namespace tolmix::vt {

struct RenderOptions {
    // The terminal's real size. Cells beyond it are not drawn and the cursor is kept inside it.
    // A change of size leaves the screen unknown: render the next frame from an empty one.
    int Columns = INT_MAX;
    int Rows = INT_MAX;
    // Wrap the output in synchronized-output marks, for terminals that understand them.
    bool Synchronized = false;
    // The bytes of each console code page glyph in the terminal's character set when that is not
    // UTF-8; null for UTF-8. An empty entry, or one holding a control byte, is drawn as '?'.
    const std::array<std::string, 256>* GlyphBytes = nullptr;
    // Set the cursor's shape from the frame's cursor size; off, the terminal's shape stays as
    // it is (for a terminal whose shape could not be learnt, and so not put back).
    bool CursorShapes = true;
};

// The bytes that turn a terminal showing `before` into one showing `after`; empty when
// nothing differs. A `before` that is empty or of another size means the screen is unknown:
// it is cleared and every cell drawn. Only the low byte of a cell's attribute counts. The
// writer relies on nothing but the terminal's autowrap being on or off and its origin mode off.
std::string Render(const Frame& before, const Frame& after, const RenderOptions& options = {});

// The DECSCUSR sequence for the frame's cursor: a blinking underline below half a cell, a
// blinking block from there.
std::string CursorShapeSequence(const Frame& frame);

} // namespace tolmix::vt
