#pragma once

#include "platform/Cell.h"

#include <algorithm>
#include <cstdint>
#include <limits>

namespace tolmix {

// Where a line too long for a row is broken: at the screen's edge, or after the last blank
// that fits, so that words stay whole.
enum class WrapMode : uint8_t { AtEdge, AtWords };

// How a stored row holds its part of a printed line; what wrapping the line again at another
// width needs. The line is, row after row, the `Used` cells and then `Hidden` blanks in
// `HiddenAttr`: the blanks of a break between words that fell beyond the row's edge, kept out
// of sight so that the next row starts with the word.
struct RowShape {
    uint16_t Used = 0;
    // The attribute of the blanks after the used cells; on a line's last row, the colour in
    // force when the line ended.
    uint16_t FillAttr = 0;
    uint16_t Hidden = 0;
    uint16_t HiddenAttr = 0;
    // Whether the row continues the line of the row before.
    bool Continues = false;
};

// Lays the cells of one line into rows of `width` cells. AtWords ends a row after the last blank
// that fits and starts the next one with the word that did not; a word longer than the row is
// cut at the edge, as AtEdge cuts everything. Blanks at a break stay at the end of their row,
// shown where they fit and hidden beyond the edge, so that the next row begins with the word.
//
// `Rows` gives the memory: `Cell* Open(int64_t index)`, room for the line's index-th row, or
// nullptr when the line may have no more rows; and `void Close(int64_t index, const RowShape&)`
// once that row's cells are final. Open(i + 1) comes before Close(i), since a word that did not
// fit moves between them. Every cell is looked at once and moved at most once: the work is
// linear in the line.
template <typename Rows> class LineWrapper {
  public:
    LineWrapper(Rows& rows, int width, WrapMode mode)
        : Target(rows), Width(width), Words(mode == WrapMode::AtWords), Row(rows.Open(0)) {}

    // The column where the next cell goes, 0 when it starts a new row.
    int NextColumn() const { return Column == Width ? 0 : Column; }
    // The index of the row where the next cell goes (unless a word moves with it).
    int64_t NextRow() const { return Column == Width ? Index + 1 : Index; }

    // Adds a cell; false when it needed a row the line may not have (it is not stored).
    bool Put(Cell cell) {
        if (Column == Width) [[unlikely]]
            return Break(cell);
        Row[Column] = cell;
        if (cell.Char == ' ')
            LastBlank = Column;
        ++Column;
        return true;
    }

    // Adds `count` cells; false as Put.
    bool Put(const Cell* cells, int64_t count) {
        while (count > 0) {
            if (Column == Width) {
                if (!Break(*cells))
                    return false;
                ++cells;
                --count;
                continue;
            }
            const int n = static_cast<int>(std::min<int64_t>(count, Width - Column));
            std::copy(cells, cells + n, Row + Column);
            if (Words) {
                for (int i = n - 1; i >= 0; --i) {
                    if (cells[i].Char == ' ') {
                        LastBlank = Column + i;
                        break;
                    }
                }
            }
            Column += n;
            cells += n;
            count -= n;
        }
        return true;
    }

    // Adds `count` characters in one attribute, as Put of each would; false as Put.
    bool Put(const uint8_t* chars, int64_t count, uint16_t attr) {
        while (count > 0) {
            if (Column == Width) {
                if (!Break(Cell{*chars, attr}))
                    return false;
                ++chars;
                --count;
                continue;
            }
            const int n = static_cast<int>(std::min<int64_t>(count, Width - Column));
            Cell* out = Row + Column;
            for (int i = 0; i < n; ++i)
                out[i] = Cell{chars[i], attr};
            if (Words) {
                for (int i = n - 1; i >= 0; --i) {
                    if (chars[i] == ' ') {
                        LastBlank = Column + i;
                        break;
                    }
                }
            }
            Column += n;
            chars += n;
            count -= n;
        }
        return true;
    }

    // Closes the last row, its free cells blanks in `fillAttr`, the colour in force at the
    // line's end; answers how many rows the line took.
    int64_t Finish(uint16_t fillAttr) {
        std::fill(Row + Column, Row + Width, Cell{' ', fillAttr});
        Target.Close(Index,
                     {static_cast<uint16_t>(Column), fillAttr, Hidden, HiddenAttr, Index > 0});
        return Index + 1;
    }

  private:
    static constexpr uint16_t MostHidden = std::numeric_limits<uint16_t>::max();

    // The row is full and `cell` comes: a blank is hidden, anything else starts the next row,
    // taking along the word it ends when that word began after a blank of this row. Hidden
    // blanks share one attribute, so that the line is laid again exactly: a blank of another
    // (a colour changed inside a run of blanks, just at the edge) starts the next row.
    bool Break(Cell cell) {
        if (Words && cell.Char == ' ' && Hidden < MostHidden &&
            (Hidden == 0 || cell.Attr == HiddenAttr)) {
            if (Hidden++ == 0)
                HiddenAttr = cell.Attr;
            return true;
        }
        Cell* next = Target.Open(Index + 1);
        if (next == nullptr)
            return false;
        int used = Width;
        uint16_t fill = 0;
        Column = 0;
        if (Words && Hidden == 0 && LastBlank >= 0 && LastBlank < Width - 1) {
            used = LastBlank + 1;
            fill = Row[LastBlank].Attr;
            // A left shift when both rows are the same memory (a ring of one row).
            std::copy(Row + used, Row + Width, next);
            if (next != Row)
                std::fill(Row + used, Row + Width, Cell{' ', fill});
            Column = Width - used;
        }
        Target.Close(Index, {static_cast<uint16_t>(used), fill, Hidden, HiddenAttr, Index > 0});
        Row = next;
        ++Index;
        LastBlank = -1;
        Hidden = 0;
        HiddenAttr = 0;
        Row[Column] = cell;
        if (cell.Char == ' ')
            LastBlank = Column;
        ++Column;
        return true;
    }

    Rows& Target;
    const int Width;
    const bool Words;
    Cell* Row;
    int64_t Index = 0;
    int Column = 0;
    // The column of the row's last blank, -1 when it has none.
    int LastBlank = -1;
    uint16_t Hidden = 0;
    uint16_t HiddenAttr = 0;
};

} // namespace tolmix
