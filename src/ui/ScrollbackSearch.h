#pragma once

#include "ui/OutputBuffer.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// Console code page text with the capitals of the Latin and Cyrillic letters (Ё, and the
// Ukrainian and Belarusian ones among them) made small.
uint8_t FoldCase(uint8_t c);
std::string FoldCase(std::string_view text);

// A line of the scrollback that holds the text searched for: its rows [First, End), and where
// the text stands in it, counted in cells from the line's start across its rows.
struct SearchHit {
    int64_t First = 0;
    int64_t End = 0;
    int64_t Offset = 0;
    int64_t Length = 0;

    bool operator==(const SearchHit&) const = default;
};

// The nearest line to row `from` (that row's line included) whose text holds `folded` (already
// case-folded), towards the oldest reachable row or towards the newest; nothing for an empty
// text. Linear in the cells searched.
std::optional<SearchHit> FindLine(const OutputBuffer& output, std::string_view folded, int64_t from,
                                  bool older);

// The cells of a hit, row by row.
std::vector<CellSpan> HitSpans(const OutputBuffer& output, const SearchHit& hit);

// The search in the scrollback: the text typed on the search line, the line found and the
// view. It remembers the view it began at, shows each line found with its text highlighted, and
// puts the view back when it ends. A new text is searched from where the view was at the start;
// the same text again goes on from the line found.
class ScrollbackSearch {
  public:
    // The longest text searched for; what would be typed beyond it is dropped.
    static constexpr size_t MaxTextLength = 16384;

    enum class Outcome { Typing, Found, NotFound };

    explicit ScrollbackSearch(OutputBuffer& output) : Output(output) {}

    bool Active() const { return Running; }
    // Starts with an empty text at the present view; nothing while it runs.
    void Begin();
    // Ends the search: the highlight goes and the view is put back where it was at the start.
    void End();

    // The text (console code page) and the cursor in it, 0 to its length.
    const std::string& Text() const { return Typed; }
    size_t Cursor() const { return CursorAt; }
    // Inserts at the cursor what fits; control characters are left out.
    void Insert(std::string_view text);
    void Delete(bool forward);
    void MoveCursor(bool right);
    void MoveToEdge(bool end);

    // The line before the one found (older) or after it; the first search of a text starts at
    // the view the search began at (the newest line when it followed the newest text).
    void Find(bool older);
    Outcome Result() const { return Last; }
    const std::optional<SearchHit>& Hit() const { return Found; }

    // Around a resize, which wraps the lines again: the line found and the view the search
    // began at are kept by their place among the lines.
    void BeforeResize();
    void AfterResize();

  private:
    // Where a row stands among the lines: how many line starts follow it, and its first cell
    // counted from its line's start. It outlives wrapping the lines again.
    struct TextPlace {
        int64_t LinesAfter = 0;
        int64_t Cell = 0;
    };
    TextPlace PlaceOf(int64_t row) const;
    // The row that holds the place's cell; nothing when its line is no longer kept.
    std::optional<int64_t> RowAt(TextPlace place) const;
    void ShowHit();

    OutputBuffer& Output;
    bool Running = false;
    std::string Typed;
    size_t CursorAt = 0;
    Outcome Last = Outcome::Typing;
    // The view at the start: whether it followed the newest text, its top, and the last row it
    // showed of the scrolled-back text.
    bool StartFollowing = true;
    int64_t StartTop = 0;
    int64_t StartBottom = 0;
    // The text last searched for, folded, and the line found for it.
    std::string Searched;
    std::optional<SearchHit> Found;
    // The places kept across a resize.
    TextPlace TopPlace;
    TextPlace BottomPlace;
    std::optional<TextPlace> HitPlace;
};

} // namespace tolmix
