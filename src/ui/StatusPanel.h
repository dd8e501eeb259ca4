#pragma once

#include "net/CharacterStatus.h"
#include "platform/TerminalWindow.h"
#include "text/DateNames.h"
#include "ui/ScreenSurface.h"
#include "ui/ScreenViews.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tolmix {

// Where the panel draws and in which colours, from the settings and the screen layout.
struct StatusPanelOptions {
    int SizeX = 80;
    // The width the client asked the terminal for; a narrower screen drops what no longer fits.
    int RequestedSizeX = 80;
    int SeparatorRow = 21;
    int PanelRow = 23;
    bool SeparatorLine = true;
    uint16_t SeparatorColor = 7;
    uint16_t NameColor = 15;
    std::string TimeFormat = "dd mmm yyyy, hh:nn:ss";
    uint16_t TimeColor = 10;
    bool InfoPanel = true;
    uint16_t InfoPanelColor = 135;
    char DecimalSeparator = '.';
    const DateNames* Names = nullptr; // English when none
};

// A label (Windows-1251) with current/maximum, the current value coloured by how full it is
// and the maximum in cyan (console text with foreground bytes below 0x10).
std::string FormatGauge(std::string_view label, int32_t current, int32_t maximum);

// The separator line's name, caption, clock and countdown, and the two-row info panel.
class StatusPanel final : public StatusView {
  public:
    // The window is flashed while new text waits unseen.
    StatusPanel(ScreenSurface& screen, TerminalWindow& window, CharacterStatus& state,
                StatusPanelOptions options);

    // The name part of the separator line and the whole info panel.
    void DrawStatusPanel();
    // The edit caption instead of the name while the server's edit mode is on; redraws.
    void ShowEditMode(bool on) override;
    // The game time at the right end of the separator line; nothing for 0 (no time known).
    void DrawGameClock(int64_t gameTime);
    // Puts the separator line back where the clock was, once the clock is switched off.
    void HideGameClock();
    // New text was printed: an unseen window flashes until the player looks at it.
    void NoteActivity() { Activity = true; }
    bool ActivityPending() const { return Activity; }
    // The 250 ms step of the window flash while new text waits unseen.
    void FlashStep();
    // The countdown ending at column 54 (in columns 50 to 54 up to 999.9); nothing once it has
    // run out, nor while it would reach the clock.
    void DrawCountdown();
    // While the output is scrolled back, the number of newer rows below the window, as an arrow
    // and the number in columns 44 to 49 of the separator line; nothing for 0.
    void ShowRowsBelow(int64_t rows);
    // A new screen size: where the separator line and the panel are now, and how wide. Draws
    // nothing; the screen is drawn whole afterwards.
    void Relayout(int sizeX, int separatorRow, int panelRow);

    const StatusPanelOptions& Options() const { return Opt; }

  private:
    ScreenSurface& Surface;
    TerminalWindow& Window;
    CharacterStatus& State;
    StatusPanelOptions Opt;
    // The first column of the clock as last drawn; SizeX while none is shown.
    int ClockStart;
    // The countdown ends before this column; it began at CountdownStart when last drawn.
    static constexpr int CountdownEnd = 55;
    int CountdownStart = CountdownEnd;
    bool EditMode = false;
    bool Activity = false;
    // The window was flashed for the text waiting now; once is enough until the player looks.
    bool Flashed = false;
};

} // namespace tolmix
