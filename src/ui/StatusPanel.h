#pragma once

#include "net/CharacterStatus.h"
#include "net/GameClock.h"
#include "platform/EventLoop.h"
#include "platform/Timer.h"
#include "platform/TerminalWindow.h"
#include "text/DateNames.h"
#include "ui/ScreenSurface.h"
#include "ui/ScreenViews.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tolmix {

// Where the panel draws and in which colours. The client fills it from its settings, which
// hold every setting's default, the screen layout and the locale; zero until filled.
struct StatusPanelOptions {
    int SizeX{};
    // The width the client asked the terminal for; a narrower screen drops what no longer fits.
    int16_t RequestedSizeX{};
    int SeparatorRow{};
    int PanelRow{};
    bool SeparatorLine{};
    uint16_t SeparatorColor{};
    uint16_t NameColor{};
    std::string TimeFormat;
    uint16_t TimeColor{};
    bool InfoPanel{};
    uint16_t InfoPanelColor{};
    char DecimalSeparator = '.';
    const DateNames* Names = nullptr; // English when none

    bool operator==(const StatusPanelOptions&) const = default;
};

// A label (Windows-1251) with current/maximum, the current value coloured by how full it is
// and the maximum in cyan (console text with foreground bytes below 0x10).
std::string FormatGauge(std::string_view label, int32_t current, int32_t maximum);

// The separator line's name, caption, clock and countdown, and the two-row info panel, with
// the timers that keep them current: every 250 ms the game clock and the window flash for new
// text, every 100 ms the countdown. An idle client sleeps: each timer runs only while something
// it draws can change (the clock runs, new text waits unseen, a countdown runs or its end is
// not drawn yet).
class StatusPanel final : public StatusView {
  public:
    // The window is flashed while new text waits unseen.
    StatusPanel(ScreenSurface& screen, TerminalWindow& window, EventLoop& loop,
                CharacterStatus& state, GameClock& clock,
                StatusPanelOptions options);

    // The name part of the separator line and the whole info panel.
    void DrawStatusPanel();
    // The character's state, the game clock or the countdown changed: draws the panel and runs
    // the timers that keep the clock and the countdown current.
    void StatusChanged();
    // The edit caption instead of the name while the server's edit mode is on; redraws.
    void ShowEditMode(bool on) override;
    // The game time at the right end of the separator line; nothing for 0 (no time known).
    void DrawGameClock(int64_t gameTime);
    // Puts the separator line back where the clock was, once the clock is switched off.
    void HideGameClock();
    // New text was printed: an unseen window flashes until the player looks at it.
    void NoteActivity();
    bool ActivityPending() const { return Activity; }
    // The status timer's step of the window flash while new text waits unseen.
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
    void OnStatusTimer();
    void OnCountdownTimer();
    // Starts or stops each timer by whether something it draws can change now.
    void KeepTimers();

    ScreenSurface& Surface;
    TerminalWindow& Window;
    CharacterStatus& State;
    GameClock& Clock;
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
    // The countdown was drawn as running at the last countdown tick.
    bool CountdownShown = false;
    Timer StatusTimer;
    Timer CountdownTimer;
};

} // namespace tolmix
