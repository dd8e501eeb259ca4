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
    // A split window counts them on its own separator, above the newest rows.
    const int64_t rows = Output.Split().LowerRows > 0 ? 0 : Output.RowsBelowWindow();
    if (rows == Shown)
        return;
    Shown = rows;
    Panel.ShowRowsBelow(rows);
}

} // namespace tolmix
