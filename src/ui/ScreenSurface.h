#pragma once

#include "platform/Cell.h"
#include "ui/Coord.h"
#include "ui/ScreenViews.h"
#include "ui/WindowTitle.h"

#include <cstdint>
#include <string_view>

namespace tolmix {

// What the screen pieces write into: a buffer of cells in console colours with a cursor, under
// the window's title. Writes outside the buffer are clipped. The terminal shows the buffer once
// per pass of the input loop, its registered views refreshed first.
class ScreenSurface : public WindowTitle {
  public:
    // Fills the buffer with the text attribute and puts the cursor home.
    virtual void Clear() = 0;
    virtual void WriteText(std::string_view text, uint16_t attr, Coord pos) = 0;
    // A byte below 0x10 is no character: it replaces the foreground colour of what follows.
    virtual void WriteColoredText(std::string_view text, uint16_t baseAttr, Coord pos) = 0;
    // A block of cells on one row, as they are.
    virtual void WriteCells(const Cell* cells, int count, Coord pos) = 0;
    virtual void FillRect(Coord pos, int width, int height, uint8_t ch, uint16_t attr) = 0;
    // Continues on the next row past the end of a row.
    virtual void FillAttribute(Coord pos, int count, uint16_t attr) = 0;

    virtual Coord GetBufferSize() const = 0;
    // Asks the terminal for this size. The buffer takes the terminal's actual size where the
    // terminal tells it and it is large enough, else this size.
    virtual void SetBufferSize(Coord size) = 0;
    // What Clear and new cells are filled with.
    virtual void SetTextAttr(uint16_t attr) = 0;

    virtual void SetCursorPos(Coord pos) = 0;
    virtual void SetCursorSize(int percent) = 0;
    virtual void SetCursorVisible(bool visible) = 0;

    // Views are refreshed before the screen is shown, in the order they were added; a view
    // is removed before it goes.
    virtual void AddView(ScreenView& view) = 0;
    virtual void RemoveView(ScreenView& view) = 0;
};

} // namespace tolmix
