#include "e2e/harness/ClientScreen.h"

namespace tolmix::e2e {

bool FirstFrameDrawn(const TerminalModel& screen) {
    const DefaultLayout layout = DefaultLayout::ForRows(screen.Rows());
    if (layout.separatorRow < 0)
        return false;
    for (int x = 0; x < screen.Columns(); ++x)
        if (screen.Cell(x, layout.separatorRow).ch != U'\u2500')
            return false;
    for (int y = layout.panelRow; y < screen.Rows(); ++y)
        for (int x = 0; x < screen.Columns(); ++x)
            if (screen.Cell(x, y).bg == kDefaultColour)
                return false;
    return true;
}

} // namespace tolmix::e2e
