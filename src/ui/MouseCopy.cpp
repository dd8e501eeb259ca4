#include "ui/MouseCopy.h"

#include "platform/Cell.h"
#include "platform/VirtualKeys.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tolmix {

namespace {

// Foreground and background exchanged.
uint16_t Reversed(uint16_t attr) {
    return static_cast<uint16_t>((attr & 0xFF00) | ((attr & 0x0F) << 4) | ((attr >> 4) & 0x0F));
}

} // namespace

MouseCopy::MouseCopy(ScreenSurface& screen, OutputBuffer& output, TextClipboard& clipboard)
    : Surface(screen), Output(output), Clip(clipboard) {
    Surface.AddView(*this);
}

MouseCopy::~MouseCopy() {
    Surface.RemoveView(*this);
}

std::optional<TextPlace> MouseCopy::PlaceAt(const MouseEvent& event) const {
    const int last = Output.Width() - 1;
    const int32_t rows = Output.WindowRows();
    if (event.Row >= rows) {
        // Below the window: up to the end of its last row.
        const std::optional<int64_t> row = Output.RowOnWindow(rows - 1);
        if (!row)
            return std::nullopt;
        return TextPlace{*row, last};
    }
    const std::optional<int64_t> row = Output.RowOnWindow(std::max(event.Row, 0));
    if (!row)
        return std::nullopt;
    return TextPlace{*row, std::clamp(event.Column, 0, last)};
}

void MouseCopy::HandleMouse(const MouseEvent& event) {
    switch (event.Type) {
    case MouseEvent::Action::Press:
        Clear();
        // Only a press on the window's text begins a drag.
        if (event.Row < Output.WindowRows()) {
            if (const std::optional<TextPlace> place = PlaceAt(event)) {
                Selection.Begin(*place);
                Dragging = true;
            }
        }
        return;
    case MouseEvent::Action::Drag:
        if (!Dragging)
            return;
        if (const std::optional<TextPlace> place = PlaceAt(event)) {
            Selection.Extend(*place);
            Stale = true;
        }
        return;
    case MouseEvent::Action::Release:
        if (!Dragging)
            return;
        Dragging = false;
        // A terminal without motion reports tells only where the button went up; a release
        // where it went down, with no drag between, is a click.
        if (const std::optional<TextPlace> place = PlaceAt(event);
            place && (!Selection.Empty() || *place != Selection.Anchor())) {
            Selection.Extend(*place);
            Stale = true;
        }
        // Blanks alone leave the clipboard as it was.
        if (const std::string text = SelectedText(Output, Selection); !text.empty())
            Clip.CopyToClipboard(text);
        return;
    }
}

void MouseCopy::KeyPressed(const KeyEvent& key) {
    if (!key.KeyDown)
        return;
    switch (key.VirtualKey) {
    case VkShift:
    case VkControl:
    case VkMenu:
    case VkCapital:
    case VkLWin:
    case VkLWin + 1: // the right Windows key
    case VkNumLock:
    case VkScroll:
        return;
    default:
        Clear();
    }
}

void MouseCopy::Clear() {
    Dragging = false;
    if (Selection.Empty())
        return;
    Selection.Clear();
    Stale = true;
}

void MouseCopy::Refresh() {
    if (!Stale && Output.Draws() == PaintedOver)
        return;
    // The window drawn again takes an old highlight off.
    if (Stale && Painted && Output.Draws() == PaintedOver)
        Output.DrawOutput();
    Stale = false;
    Painted = !Selection.Empty();
    if (Painted)
        Paint();
    PaintedOver = Output.Draws();
}

void MouseCopy::Paint() {
    const int width = Output.Width();
    std::vector<Cell> cells(static_cast<size_t>(width));
    for (int32_t y = 0; y < Output.WindowRows(); ++y) {
        const std::optional<int64_t> row = Output.RowOnWindow(y);
        if (!row)
            continue;
        const ColumnSpan span = Selection.ColumnsOn(*row, width);
        if (span.Empty())
            continue;
        for (int x = span.From; x < span.To; ++x) {
            const Cell& cell = Output.At(*row, x);
            cells[static_cast<size_t>(x - span.From)] = Cell{cell.Char, Reversed(cell.Attr)};
        }
        Surface.WriteCells(cells.data(), span.To - span.From, MakeCoord(span.From, y));
    }
}

} // namespace tolmix
