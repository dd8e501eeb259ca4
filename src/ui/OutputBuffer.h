#pragma once

#include "platform/Cell.h"
#include "text/LinePrinter.h"
#include "ui/LineWrapper.h"
#include "ui/OutputSplit.h"
#include "ui/ScreenSurface.h"
#include "ui/ScreenViews.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// Cells From up to, not including, To of one row, shown in reverse colours.
struct CellSpan {
    int64_t Row = 0;
    int From = 0;
    int To = 0;

    bool operator==(const CellSpan&) const = default;
};

// The scrollback: a ring of OutputSize rows of SizeX cells holding every printed line wrapped
// into screen rows, and the output window's view of it. Row numbers count every row ever
// appended (64-bit, so they never wrap); row n lives in ring row n mod OutputSize. A line too
// long for a row is broken at the screen's edge or between words (WrapMode); each row also
// remembers its part of the line (RowShape), so that a new screen width can wrap the lines
// again by the same rule.
//
// Below the last printed line it may show one unfinished line (the server's prompt before its
// line end): its rows are taken back before every line printed and stored again after it, so
// that it stays at the end until it is removed.
//
// With the split view on, a window scrolled back keeps its lowest rows for the newest text,
// below a separator row that counts the rows waiting below (see OutputSplit); scrolling to the
// bottom joins the two again.
//
// While lines stream in, the window is drawn once per pass of the loop (as a screen view), not
// once per line; whatever else moves it draws it at once.
class OutputBuffer final : public OutputView, public TextOutput, public ScreenView {
  public:
    // The ring starts as black blanks; throws std::bad_alloc when it cannot be had. Its memory
    // is reserved here and filled as rows are first written, so that a long scrollback costs
    // only what it holds.
    OutputBuffer(ScreenSurface& screen, int sizeX, int32_t outputSize, int32_t outputRows,
                 WrapMode wrap = WrapMode::AtEdge);
    ~OutputBuffer() override;
    OutputBuffer(const OutputBuffer&) = delete;
    OutputBuffer& operator=(const OutputBuffer&) = delete;

    // Stores one printed line (console code page; colour bytes and background marks set the
    // attribute in force and take no cell). The window follows when it showed the newest rows.
    void AppendOutput(std::string_view text) override;
    void AppendMessage(std::string_view text) override;
    // Shows `text` (console code page) as the unfinished line, in place of the one shown.
    void ShowUnfinished(std::string_view text);
    // Takes the unfinished line's rows back, and the colour it set.
    void RemoveUnfinished();
    // Takes back the newest line's rows, from `firstRow` on, and puts back the colour in force
    // before it, so that it can be stored again with more on its row (a prompt and the
    // player's answer). False, changing nothing, while an unfinished line is shown or when the
    // rows are not all within the scrollback's reach.
    bool TakeBackLine(int64_t firstRow, uint16_t attrBefore);
    bool ShowsUnfinished() const { return Unfinished.has_value(); }
    // Draws the window now.
    void DrawOutput();
    // Draws the window if a line printed since the last drawing moved it.
    void Refresh() override;
    void ScrollOutput(bool down, int64_t count) override;
    void ScrollOutputToEnd() override;
    // Puts `top` (kept within the rows the window may show) at the window's top.
    void ScrollOutputTo(int64_t top);
    // Scrolls so that `row` stands in the middle of the rows that show the scrolled-back text.
    void ShowRow(int64_t row);
    // The cells shown reversed from now on, in place of those before; none after
    // ClearHighlight. Draws the window.
    void Highlight(std::vector<CellSpan> spans);
    void ClearHighlight() { Highlight({}); }
    // The split view on or off, with the colours of its separator row and of the count on it.
    // Draws nothing.
    void UseSplitView(bool on, uint16_t lineAttr, uint16_t countAttr);
    // The split of the window as it is drawn now: no lower rows unless split.
    OutputSplit Split() const;
    void ShowNotice(std::string_view consoleText) override { AppendMessage(consoleText); }
    // A new screen width or window height: the lines the window can still reach are wrapped
    // again at the new width, a following window keeps following and a scrolled-back one keeps
    // the text at its top in view. The ring grows to at least twice the window; nothing is
    // drawn.
    void Resize(int sizeX, int32_t outputRows);

    // The lowest top row the window may scroll to once the bottom is reached.
    int64_t BottomPosition() const;
    // How many rows wait below the window while it is scrolled back; 0 when it follows.
    int64_t RowsBelowWindow() const { return BottomPosition() - ViewTop; }
    const Cell& At(int64_t row, int column) const;
    // A row's cells as shown (blanks for a row never written), how many of them its line uses,
    // how much of its line it holds (those and the blanks of a break hidden beyond its edge),
    // and whether it continues the line of the row before.
    const Cell* RowCells(int64_t row) const { return ShownRow(row); }
    int UsedCells(int64_t row) const { return Shapes[Slot(row)].Used; }
    int LineCells(int64_t row) const {
        const RowShape& shape = Shapes[Slot(row)];
        return shape.Used + shape.Hidden;
    }
    bool ContinuesLine(int64_t row) const { return Shapes[Slot(row)].Continues; }
    int Width() const { return SizeX; }
    int32_t Size() const { return OutputSize; }
    // The row shown at the window's top.
    int64_t WindowTop() const { return ViewTop; }
    // The lowest top row the window may scroll to.
    int64_t FirstReachableRow() const { return MinViewTop; }
    // How many rows were ever stored; the next row stored gets this number.
    int64_t RowCount() const { return LineCount; }
    int32_t WindowRows() const { return OutputRows; }
    // How a reachable row holds its part of its line: the cells of the line in it, the blanks
    // of a break hidden beyond its edge, whether it continues the row before.
    const RowShape& Shape(int64_t row) const { return Shapes[Slot(row)]; }
    // The row of the scrollback shown on a row of the output window (0 at its top); nothing
    // for a window row that shows none (the split view's separator).
    std::optional<int64_t> RowOnWindow(int32_t windowRow) const;
    // How many times the window was drawn: what is drawn over it draws again when this moves.
    uint64_t Draws() const { return DrawCount; }

    // The attribute of the cells stored next; colour bytes change it, and it carries over
    // lines.
    uint16_t TextAttr() const { return CurrentAttr; }
    // Stores what follows in `attr` until a colour byte changes it (the banner's colours, the
    // light grey after a notice).
    void UseAttr(uint16_t attr) { CurrentAttr = attr; }

  private:
    uint16_t CurrentAttr = 7;
    int64_t ViewTop = 0;
    int64_t MinViewTop = 0;
    int64_t LineCount = 0;
    int32_t OutputRows;
    uint64_t DrawCount = 0;
    // A line printed moved the window; it is drawn at the next refresh.
    bool DrawPending = false;

    size_t Slot(int64_t row) const { return static_cast<size_t>(row % OutputSize); }
    // The ring row of a row to be written, made when it is the first time.
    Cell* Row(int64_t row);
    // A ring row as it is shown; a row never written is blank.
    const Cell* ShownRow(int64_t row) const;
    // Stores the text's rows after the last one, at most `maxRows` of them; the window is
    // left as it is.
    void StoreRows(std::string_view text,
                   int64_t maxRows = std::numeric_limits<int64_t>::max() / 2);
    // Whether the window shows the newest rows, so that it follows what is stored next.
    bool Following() const { return ViewTop >= LineCount - OutputRows; }
    void KeepInView(bool following);
    void TakeBackUnfinished();
    // Resize without the unfinished line.
    void WrapAgain(int sizeX, int32_t outputRows);
    void StoreUnfinished();
    // One row of the scrollback on screen row `y`, with its highlighted cells reversed.
    void DrawRow(int64_t row, int y);
    // The separator row and the newest rows below it, while the window is split.
    void DrawNewest(OutputSplit split);

    ScreenSurface& Con;
    const WrapMode Wrap;
    int SizeX;
    int32_t OutputSize;
    std::vector<Cell> Output;     // the ring rows written so far, within the reserved whole
    std::vector<RowShape> Shapes; // one per ring row
    std::vector<Cell> BlankRow;
    // The ring as it was before the last resize, kept for the next one.
    std::vector<Cell> SpareOutput;
    std::vector<RowShape> SpareShapes;
    // The unfinished line's text, its first row, and the colour and the scrollback's top in
    // force before it.
    std::optional<std::string> Unfinished;
    int64_t UnfinishedRow = 0;
    uint16_t UnfinishedAttr = 7;
    int64_t UnfinishedMinViewTop = 0;
    // The highlighted cells, ordered by row, and a row drawn with them.
    std::vector<CellSpan> Highlighted;
    std::vector<Cell> HighlightRow;
    bool SplitOn = false;
    uint16_t SplitLineAttr = 7;
    uint16_t SplitCountAttr = 15;
};

} // namespace tolmix
