#pragma once

#include "ui/OutputBuffer.h"
#include "ui/ScreenSurface.h"
#include "ui/StatusPanel.h"

namespace tolmix {

// Tells on the separator line how many rows of new text wait below a scrolled-back output
// window, checked once per pass of the input loop and drawn only when the count changed. A
// split window shows the count on its own separator instead.
class ScrollbackMark final : public ScreenView {
  public:
    // Registers with the console until it goes.
    ScrollbackMark(ScreenSurface& screen, const OutputBuffer& output, StatusPanel& panel);
    ~ScrollbackMark() override;
    ScrollbackMark(const ScrollbackMark&) = delete;
    ScrollbackMark& operator=(const ScrollbackMark&) = delete;

    void Refresh() override;
    // The separator line was drawn anew: the count is drawn again at the next refresh.
    void Invalidate() { Shown = 0; }

  private:
    ScreenSurface& Surface;
    const OutputBuffer& Output;
    StatusPanel& Panel;
    int64_t Shown = 0;
};

} // namespace tolmix
