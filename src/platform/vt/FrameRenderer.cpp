#include "platform/vt/FrameRenderer.h"

#include "platform/vt/Charsets.h"
#include "platform/vt/TerminalText.h"

#include <algorithm>
#include <string_view>

namespace tolmix::vt {

namespace {

constexpr std::string_view SyncBegin = "\x1b[?2026h";
constexpr std::string_view SyncEnd = "\x1b[?2026l";
constexpr std::string_view ShowCursor = "\x1b[?25h";
constexpr std::string_view HideCursor = "\x1b[?25l";
constexpr int Unknown = -1;
// Without synchronized output a cursor that runs over many changed cells flickers; hide it
// while drawing that much.
constexpr int HideCursorCells = 40;

int Digits(int n) {
    int digits = 1;
    for (; n >= 10; n /= 10)
        ++digits;
    return digits;
}

int CursorShape(const Frame& frame) {
    return frame.CursorSize < 50 ? 3 : 1;
}

bool SameCell(const Cell& a, const Cell& b) {
    return a.Char == b.Char && (a.Attr & 0xFF) == (b.Attr & 0xFF);
}

const std::array<std::string, 256>& Utf8Glyphs() {
    static const std::array<std::string, 256> glyphs = [] {
        std::array<std::string, 256> table;
        for (int b = 0; b < 256; ++b)
            AppendUtf8(table[b], ConsoleGlyph(static_cast<uint8_t>(b)));
        return table;
    }();
    return glyphs;
}

// The table comes from the locale's converter; a control byte in it would let a cell become
// a control function, so such entries fall back to '?'.
bool IsSafeGlyph(std::string_view bytes) {
    if (bytes.empty())
        return false;
    return std::none_of(bytes.begin(), bytes.end(), [](char c) {
        const auto b = static_cast<uint8_t>(c);
        return b < 0x20 || b == 0x7F;
    });
}

// Emits into one buffer and remembers where the terminal's cursor is and which attribute is
// set, so that nothing is sent twice.
class Writer {
  public:
    Writer(const Frame& frame, const RenderOptions& options, int width)
        : Shown(frame), Table(options.GlyphBytes), Width(width) {}

    std::string Out;
    int X = Unknown;
    int Y = Unknown;

    void SetAttr(int attr) {
        if (attr == Attr)
            return;
        const int fg = attr & 15;
        const int bg = attr >> 4 & 15;
        Out += "\x1b[";
        if (Attr == Unknown) {
            // Also clears bold, underline and the like that someone else may have left.
            Out += "0;";
            AppendColour(fg, 30);
            Out += ';';
            AppendColour(bg, 40);
        } else {
            const bool fgChanged = fg != (Attr & 15);
            const bool bgChanged = bg != (Attr >> 4 & 15);
            if (fgChanged)
                AppendColour(fg, 30);
            if (fgChanged && bgChanged)
                Out += ';';
            if (bgChanged)
                AppendColour(bg, 40);
        }
        Out += 'm';
        Attr = attr;
    }

    void MoveTo(int x, int y) {
        if (x == X && y == Y)
            return;
        const int cup = CupCost(x, y);
        if (y == Y && X != Unknown && x > X) {
            const int cuf = x - X == 1 ? 3 : 3 + Digits(x - X);
            const int move = std::min(cup, cuf);
            if (CanRewriteUpTo(x, move)) {
                for (int i = X; i < x; ++i)
                    Out += Glyph(Shown.At(i, y).Char);
                X = x;
                return;
            }
            if (cuf < cup) {
                Out += "\x1b[";
                if (x - X > 1)
                    Out += std::to_string(x - X);
                Out += 'C';
                X = x;
                return;
            }
        }
        Out += "\x1b[";
        if (x != 0 || y != 0)
            Out += std::to_string(y + 1);
        if (x != 0) {
            Out += ';';
            Out += std::to_string(x + 1);
        }
        Out += 'H';
        X = x;
        Y = y;
    }

    void Put(uint8_t byte) {
        Out += Glyph(byte);
        // In the last column the terminal's cursor waits to wrap; where it then is depends on
        // the terminal, so the next cell moves there explicitly.
        if (++X >= Width)
            X = Y = Unknown;
    }

  private:
    void AppendColour(int colour, int base) {
        const int ansi = AnsiColourIndex(colour);
        Out += std::to_string(ansi < 8 ? base + ansi : base + 60 + ansi - 8);
    }

    static int CupCost(int x, int y) {
        if (x == 0 && y == 0)
            return 3;
        if (x == 0)
            return 3 + Digits(y + 1);
        return 4 + Digits(y + 1) + Digits(x + 1);
    }

    // Cells already on screen in the current attribute can be written again instead of moving
    // over them, when that is no longer than the move.
    bool CanRewriteUpTo(int x, int budget) const {
        if (Attr == Unknown)
            return false;
        int cost = 0;
        for (int i = X; i < x; ++i) {
            const Cell& cell = Shown.At(i, Y);
            cost += static_cast<int>(Glyph(cell.Char).size());
            if (cost > budget || (cell.Attr & 0xFF) != Attr)
                return false;
        }
        return true;
    }

    std::string_view Glyph(uint8_t byte) const {
        if (Table == nullptr)
            return Utf8Glyphs()[byte];
        const std::string& bytes = (*Table)[byte];
        return IsSafeGlyph(bytes) ? std::string_view(bytes) : std::string_view("?");
    }

    const Frame& Shown;
    const std::array<std::string, 256>* Table;
    int Width;
    int Attr = Unknown;
};

} // namespace

std::string Render(const Frame& before, const Frame& after, const RenderOptions& options) {
    const size_t cellCount = static_cast<size_t>(after.Width) * static_cast<size_t>(after.Height);
    const bool wellFormed = after.Cells.size() == cellCount;
    const int width = wellFormed ? std::max(std::min(after.Width, options.Columns), 0) : 0;
    const int height = wellFormed ? std::max(std::min(after.Height, options.Rows), 0) : 0;
    const bool full = before.Width == 0 || before.Width != after.Width ||
                      before.Height != after.Height || before.Cells.size() != after.Cells.size();

    int changed = 0;
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            if (full || !SameCell(before.At(x, y), after.At(x, y)))
                ++changed;

    Writer out(after, options, width);
    if (options.Synchronized)
        out.Out += SyncBegin;
    const size_t start = out.Out.size();
    out.Out.reserve(start + static_cast<size_t>(changed) * 3 + 64);

    // Whether the terminal shows its cursor right now, as far as this frame's output goes.
    bool cursorShown = before.CursorVisible;
    if (full) {
        out.Out += HideCursor;
        cursorShown = false;
        // Whatever lies beyond the frame on a larger terminal shows as the console's black.
        out.SetAttr(7);
        out.Out += "\x1b[2J";
    } else {
        if (before.CursorVisible && width > 0 && height > 0) {
            out.X = std::clamp(before.CursorX, 0, width - 1);
            out.Y = std::clamp(before.CursorY, 0, height - 1);
        }
        if (cursorShown && !options.Synchronized && changed >= HideCursorCells) {
            out.Out += HideCursor;
            cursorShown = false;
        }
    }

    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Cell& cell = after.At(x, y);
            if (!full && SameCell(before.At(x, y), cell))
                continue;
            out.MoveTo(x, y);
            out.SetAttr(cell.Attr & 0xFF);
            out.Put(cell.Char);
        }
    }

    if (options.CursorShapes && (full || CursorShape(before) != CursorShape(after)))
        out.Out += CursorShapeSequence(after);
    if (after.CursorVisible) {
        if (width > 0 && height > 0)
            out.MoveTo(std::clamp(after.CursorX, 0, width - 1),
                       std::clamp(after.CursorY, 0, height - 1));
        if (!cursorShown)
            out.Out += ShowCursor;
    } else if (cursorShown) {
        out.Out += HideCursor;
    }

    if (out.Out.size() == start)
        return {};
    if (options.Synchronized)
        out.Out += SyncEnd;
    return std::move(out.Out);
}

std::string CursorShapeSequence(const Frame& frame) {
    return "\x1b[" + std::to_string(CursorShape(frame)) + " q";
}

} // namespace tolmix::vt
