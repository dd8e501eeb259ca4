#include "ui/ScrollbackMark.h"

namespace tolmix {

ScrollbackMark::ScrollbackMark(TConsole& console, const OutputBuffer& output, StatusPanel& panel)
    : Con(console), Output(output), Panel(panel) {
    Con.AddView(*this);
}

ScrollbackMark::~ScrollbackMark() {
    Con.RemoveView(*this);
}

void ScrollbackMark::Refresh() {
    const int64_t rows = Output.RowsBelowWindow();
    if (rows == Shown)
        return;
    Shown = rows;
    Panel.ShowRowsBelow(rows);
}

} // namespace tolmix
