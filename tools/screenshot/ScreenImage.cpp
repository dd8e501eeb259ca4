#include "ScreenImage.h"

namespace tolmix::shot {

namespace {

// The terminal's own default colours stand for the console's light grey on black.
int ConsoleColour(int colour, int fallback) {
    return colour >= 0 && colour < 16 ? colour : fallback;
}

} // namespace

RgbImage DrawScreen(const e2e::TerminalModel& screen, const PsfFont& font, const Palette& palette) {
    const int cw = font.Width();
    const int ch = font.Height();
    RgbImage image(screen.Columns() * cw, screen.Rows() * ch);
    const e2e::CursorPosition cursor = screen.Cursor();
    for (int row = 0; row < screen.Rows(); ++row) {
        for (int column = 0; column < screen.Columns(); ++column) {
            const e2e::ScreenCell cell = screen.Cell(column, row);
            int fg = ConsoleColour(cell.fg, 7);
            int bg = ConsoleColour(cell.bg, 0);
            if (cell.reverse)
                std::swap(fg, bg);
            const bool cursorHere = screen.CursorVisible() && cursor.x == column && cursor.y == row;
            for (int y = 0; y < ch; ++y) {
                for (int x = 0; x < cw; ++x) {
                    bool ink = cell.ch != U' ' && font.Pixel(cell.ch, x, y);
                    if (cursorHere && y >= ch - 2)
                        ink = true;
                    image.Set(column * cw + x, row * ch + y,
                              palette[static_cast<std::size_t>(ink ? fg : bg)]);
                }
            }
        }
    }
    return image;
}

} // namespace tolmix::shot
