#pragma once

#include "platform/Cell.h"
#include "text/LinePrinter.h"
#include "ui/ScreenViews.h"
#include "ui/TConsole.h"

#include <cstdint>
#include <string_view>
#include <vector>

namespace tolmix {

// The scrollback: a ring of OutputSize rows of SizeX cells holding every printed line wrapped
// into screen rows, and the output window's view of it. Row numbers count every row ever
// appended (64-bit, so they never wrap); row n lives in ring row n mod OutputSize.
class OutputBuffer final : public OutputView, public TextOutput {
  public:
    // The ring starts as black blanks; throws std::bad_alloc when it cannot be had. Its memory
    // is reserved here and filled as rows are first written, so that a long scrollback costs
    // only what it holds.
    OutputBuffer(TConsole& console, int sizeX, int32_t outputSize, int32_t outputRows);

    // Stores one printed line (console code page; colour bytes set CurrentAttr and take no
    // cell). The window follows when it showed the newest rows.
    void AppendOutput(std::string_view text) override;
    void DrawOutput();
    void ScrollOutput(bool down, int64_t count) override;
    void ScrollOutputToEnd() override;

    // The lowest top row the window may scroll to once the bottom is reached.
    int64_t BottomPosition() const;
    // How many rows wait below the window while it is scrolled back; 0 when it follows.
    int64_t RowsBelowWindow() const { return BottomPosition() - ViewTop; }
    const Cell& At(int64_t row, int column) const;

    uint16_t CurrentAttr = 7; // attribute of the cells being stored; carries over lines
    int64_t ViewTop = 0;
    int64_t MinViewTop = 0;
    int64_t LineCount = 0;
    const int32_t OutputRows;

  private:
    // The ring row of a row to be written, made when it is the first time.
    Cell* Row(int64_t row);
    // A ring row as it is shown; a row never written is blank.
    const Cell* ShownRow(int64_t row) const;

    TConsole& Con;
    const int SizeX;
    const int32_t OutputSize;
    std::vector<Cell> Output; // the ring rows written so far, within the reserved whole
    const std::vector<Cell> BlankRow;
};

} // namespace tolmix
