#pragma once

#include "e2e/harness/TerminalModel.h"

// Facts about the client's screen that scenarios and benchmarks share.
namespace tolmix::e2e {

inline constexpr const char* kClientTitle = "Tolmix Client v1.4.0";

// Rows of the fixed parts with the default settings: one editor row, the separator line and
// the two-row status panel on.
struct DefaultLayout {
    int separatorRow;
    int editorTop;
    int panelRow;

    static DefaultLayout ForRows(int rows) { return {rows - 4, rows - 3, rows - 2}; }
};

// The first whole frame is on screen: the separator row is a line of U+2500 across the width
// and both status panel rows are painted in a colour of their own.
bool FirstFrameDrawn(const TerminalModel& screen);

} // namespace tolmix::e2e
