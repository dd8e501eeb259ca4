#pragma once

#include <compare>
#include <cstdint>
#include <string>

namespace tolmix {

class OutputBuffer;

// A cell of the scrollback: its row number (as the scrollback counts rows) and its column.
struct TextPlace {
    int64_t Row = 0;
    int Column = 0;

    auto operator<=>(const TextPlace&) const = default;
};

// The columns of one row that a selection takes, [From, To); empty when From == To.
struct ColumnSpan {
    int From = 0;
    int To = 0;

    bool Empty() const { return From >= To; }
};

// What a drag over the output window selects: every cell from the place where it began to the
// place it reached, in reading order (a drag upwards or to the left selects the same cells as
// the drag back), both ends included. Nothing is selected until the drag reaches a place.
class OutputSelection {
  public:
    // A drag begins here; nothing is selected yet.
    void Begin(TextPlace anchor);
    // The drag reached `place`: the cells between it and the anchor are selected.
    void Extend(TextPlace place);
    void Clear() { Selected = false; }

    bool Empty() const { return !Selected; }
    TextPlace Anchor() const { return Start; }
    // The selection's ends in reading order; meaningful only when not empty.
    TextPlace First() const { return Start < End ? Start : End; }
    TextPlace Last() const { return Start < End ? End : Start; }
    // The columns of `row` taken, for a window `width` cells wide.
    ColumnSpan ColumnsOn(int64_t row, int width) const;

  private:
    TextPlace Start;
    TextPlace End;
    bool Selected = false;
};

// The text of the selected cells as the clipboard takes it (console code page): the rows of a
// line wrapped over several are joined as the line they were, lines are separated by CR LF,
// only the cells a line used are taken, and blanks are trimmed where the selection reaches a
// line's end. Rows that have left the scrollback are left out.
std::string SelectedText(const OutputBuffer& output, const OutputSelection& selection);

} // namespace tolmix
