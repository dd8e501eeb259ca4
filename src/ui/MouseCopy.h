#pragma once

#include "platform/KeyEvent.h"
#include "platform/MouseEvent.h"
#include "ui/OutputBuffer.h"
#include "ui/OutputSelection.h"
#include "ui/ScreenSurface.h"
#include "ui/ScreenViews.h"

#include <cstdint>
#include <optional>

namespace tolmix {

// Copying from the output window with the mouse: a drag with the left button selects the text
// under it, shown in reversed colours while dragging and after, and copies it to the clipboard
// when the button is let go; a click, or a key, clears it. A drag that goes below the window
// selects to the end of its last row; the separator, the editor and the status rows are never
// part of it. The highlight is drawn over the window once per pass of the input loop, again
// whenever the window was drawn.
class MouseCopy final : public ScreenView {
  public:
    // Registers with the console until it goes.
    MouseCopy(ScreenSurface& screen, OutputBuffer& output, TextClipboard& clipboard);
    ~MouseCopy() override;
    MouseCopy(const MouseCopy&) = delete;
    MouseCopy& operator=(const MouseCopy&) = delete;

    void HandleMouse(const MouseEvent& event);
    // A key clears the selection; Shift, Ctrl, Alt, the Windows keys and the locks pressed
    // alone, and key releases, leave it.
    void KeyPressed(const KeyEvent& key);
    // A key was pressed, or the rows were numbered anew (a resize): the selection goes.
    void Clear();
    bool Selects() const { return !Selection.Empty(); }
    const OutputSelection& Selected() const { return Selection; }

    void Refresh() override;

  private:
    // The scrollback's place under a cell of the screen while dragging; nothing where the
    // window shows no row.
    std::optional<TextPlace> PlaceAt(const MouseEvent& event) const;
    void Paint();

    ScreenSurface& Surface;
    OutputBuffer& Output;
    TextClipboard& Clip;
    OutputSelection Selection;
    bool Dragging = false;
    // The selection changed since it was painted, and whether a highlight is on the window.
    bool Stale = false;
    bool Painted = false;
    // The window's drawing the highlight was painted over.
    uint64_t PaintedOver = 0;
};

} // namespace tolmix
