#include "ui/ConsoleScreen.h"

#include "ui/SmallScreenNotice.h"

#include <algorithm>

namespace tolmix {

ConsoleScreen::ConsoleScreen(Terminal& terminal) : Term(terminal) {
    const TerminalSize size = Term.Size();
    Buffer.Resize(size.Columns, size.Rows, Cell{' ', TextAttr});
}

void ConsoleScreen::Clear() {
    Dirty = true;
    std::fill(Buffer.Cells.begin(), Buffer.Cells.end(), Cell{' ', TextAttr});
    SetCursorPos(MakeCoord(0, 0));
}

void ConsoleScreen::WriteText(std::string_view text, uint16_t attr, Coord pos) {
    Dirty = true;
    int x = pos.X;
    for (char c : text) {
        if (Buffer.Contains(x, pos.Y))
            Buffer.At(x, pos.Y) = Cell{static_cast<uint8_t>(c), attr};
        ++x;
    }
}

void ConsoleScreen::WriteColoredText(std::string_view text, uint16_t baseAttr, Coord pos) {
    Dirty = true;
    int x = pos.X;
    uint16_t attr = baseAttr;
    for (char ch : text) {
        const auto c = static_cast<uint8_t>(ch);
        if (c < 0x10) {
            attr = static_cast<uint16_t>((baseAttr & 0xFFF0) | c);
            continue;
        }
        if (Buffer.Contains(x, pos.Y))
            Buffer.At(x, pos.Y) = Cell{c, attr};
        ++x;
    }
}

void ConsoleScreen::WriteCells(const Cell* cells, int count, Coord pos) {
    Dirty = true;
    if (pos.Y < 0 || pos.Y >= Buffer.Height)
        return;
    // The output window is written whole after every printed line: clip once, copy the run.
    const int first = std::max(0, -static_cast<int>(pos.X));
    const int last = std::min(count, Buffer.Width - pos.X);
    if (first < last)
        std::copy(cells + first, cells + last, &Buffer.At(pos.X + first, pos.Y));
}

void ConsoleScreen::FillRect(Coord pos, int width, int height, uint8_t ch, uint16_t attr) {
    Dirty = true;
    for (int y = pos.Y; y < pos.Y + height; ++y) {
        for (int x = pos.X; x < pos.X + width; ++x) {
            if (Buffer.Contains(x, y))
                Buffer.At(x, y) = Cell{ch, attr};
        }
    }
}

void ConsoleScreen::FillAttribute(Coord pos, int count, uint16_t attr) {
    Dirty = true;
    if (!Buffer.Contains(pos.X, pos.Y) || count <= 0)
        return;
    const size_t start = static_cast<size_t>(pos.Y) * Buffer.Width + pos.X;
    const size_t end = std::min(Buffer.Cells.size(), start + static_cast<size_t>(count));
    for (size_t i = start; i < end; ++i)
        Buffer.Cells[i].Attr = attr;
}

void ConsoleScreen::SetTitle(std::string_view title) {
    // Shown with the next frame: a server that renames the character many times in one burst
    // costs the terminal one title, not one per line.
    Title = std::string(title.substr(0, 260));
    TitleChanged = true;
    Dirty = true;
}

Coord ConsoleScreen::GetBufferSize() const {
    return MakeCoord(Buffer.Width, Buffer.Height);
}

void ConsoleScreen::SetBufferSize(Coord size) {
    if (size.X <= 0 || size.Y <= 0)
        return;
    Term.RequestSize(size.X, size.Y);
    // Most terminals keep their size (tmux, tiled and maximised windows): the screen is laid
    // out in the size they have.
    const TerminalSize actual = Term.Size();
    int width = size.X;
    int height = size.Y;
    Small = false;
    if (actual.Columns > 0 && actual.Rows > 0) {
        Small = !IsUsableScreen(actual.Columns, actual.Rows);
        if (!Small) {
            width = std::min(actual.Columns, MaxColumns);
            height = std::min(actual.Rows, MaxRows);
        }
    }
    Frame resized;
    resized.Resize(width, height, Cell{' ', TextAttr});
    for (int y = 0; y < std::min(height, Buffer.Height); ++y) {
        for (int x = 0; x < std::min(width, Buffer.Width); ++x)
            resized.At(x, y) = Buffer.At(x, y);
    }
    resized.CursorX = Buffer.CursorX;
    resized.CursorY = Buffer.CursorY;
    resized.CursorVisible = Buffer.CursorVisible;
    resized.CursorSize = Buffer.CursorSize;
    Buffer = std::move(resized);
    Dirty = true;
}

bool ConsoleScreen::FollowTerminalSize() {
    Dirty = true;
    const TerminalSize size = Term.Size();
    if (size.Columns <= 0 || size.Rows <= 0)
        return false;
    Small = !IsUsableScreen(size.Columns, size.Rows);
    const int width = std::min(size.Columns, MaxColumns);
    const int height = std::min(size.Rows, MaxRows);
    // Below the smallest size the buffer keeps its size: what the client draws meanwhile is
    // there when the terminal grows back.
    if (Small || (width == Buffer.Width && height == Buffer.Height))
        return false;
    Buffer.Resize(width, height, Cell{' ', TextAttr});
    return true;
}

void ConsoleScreen::SetCursorPos(Coord pos) {
    Dirty = true;
    Buffer.CursorX = pos.X;
    Buffer.CursorY = pos.Y;
}

void ConsoleScreen::SetCursorSize(int percent) {
    Buffer.CursorSize = std::clamp(percent, 1, 100);
    Dirty = true;
}

void ConsoleScreen::SetCursorVisible(bool visible) {
    CursorWanted = visible;
    Buffer.CursorVisible = visible;
    Dirty = true;
}

void ConsoleScreen::RefreshViews() {
    for (ScreenView* view : Views)
        view->Refresh();
}

void ConsoleScreen::Show() {
    RefreshViews();
    Dirty = false;
    if (TitleChanged) {
        TitleChanged = false;
        if (Title != ShownTitle) {
            ShownTitle = Title;
            Term.SetTitle(Title);
        }
    }
    const TerminalSize size = Term.Size();
    if (Small) {
        Term.Present(
            SmallScreenNotice(std::min(size.Columns, MaxColumns), std::min(size.Rows, MaxRows)));
        return;
    }
    // A cursor whose cell is off the screen is hidden rather than shown at the edge.
    const bool known = size.Columns > 0 && size.Rows > 0;
    Buffer.CursorVisible =
        CursorWanted && Buffer.Contains(Buffer.CursorX, Buffer.CursorY) &&
        (!known || (Buffer.CursorX < size.Columns && Buffer.CursorY < size.Rows));
    Term.Present(Buffer);
}

} // namespace tolmix
