#include "ui/ScrollbackMark.h"

namespace tolmix {

ScrollbackMark::ScrollbackMark(ScreenSurface& screen, const OutputBuffer& output,
                               StatusPanel& panel)
    : Surface(screen), Output(output), Panel(panel) {
    Surface.AddView(*this);
}

ScrollbackMark::~ScrollbackMark() {
    Surface.RemoveView(*this);
}

void ScrollbackMark::Refresh() {
    const int64_t rows = Output.RowsBelowWindow();
    if (rows == Shown)
        return;
    Shown = rows;
    Panel.ShowRowsBelow(rows);
}

} // namespace tolmix
