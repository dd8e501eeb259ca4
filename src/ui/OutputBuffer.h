#pragma once

#include "platform/Cell.h"
#include "text/LinePrinter.h"
#include "ui/ScreenSurface.h"
#include "ui/ScreenViews.h"

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// The scrollback: a ring of OutputSize rows of SizeX cells holding every printed line wrapped
// into screen rows, and the output window's view of it. Row numbers count every row ever
// appended (64-bit, so they never wrap); row n lives in ring row n mod OutputSize. Each row
// also remembers how much of it its line used, so that a new screen width can wrap the lines
// again.
//
// Below the last printed line it may show one unfinished line (the server's prompt before its
// line end): its rows are taken back before every line printed and stored again after it, so
// that it stays at the end until it is removed.
class OutputBuffer final : public OutputView, public TextOutput {
  public:
    // The ring starts as black blanks; throws std::bad_alloc when it cannot be had. Its memory
    // is reserved here and filled as rows are first written, so that a long scrollback costs
    // only what it holds.
    OutputBuffer(ScreenSurface& screen, int sizeX, int32_t outputSize, int32_t outputRows);

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
    void DrawOutput();
    void ScrollOutput(bool down, int64_t count) override;
    void ScrollOutputToEnd() override;
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
    int Width() const { return SizeX; }
    int32_t Size() const { return OutputSize; }
    // The row shown at the window's top.
    int64_t WindowTop() const { return ViewTop; }
    // The lowest top row the window may scroll to.
    int64_t FirstReachableRow() const { return MinViewTop; }
    // How many rows were ever stored; the next row stored gets this number.
    int64_t RowCount() const { return LineCount; }
    int32_t WindowRows() const { return OutputRows; }

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

    // What wrapping a row's line again needs: the cells the line used in it, the attribute of
    // the blanks that closed the line (its colour at the end), and whether the row continues
    // the line of the row before.
    struct RowShape {
        uint16_t Used = 0;
        uint16_t FillAttr = 0;
        bool Continues = false;
    };

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

    ScreenSurface& Con;
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
};

} // namespace tolmix
