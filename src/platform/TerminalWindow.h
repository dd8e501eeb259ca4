#pragma once

#include <cstdint>

namespace tolmix {

// The window the terminal shows the client in, as the desktop sees it: its handle, whether the
// player looks at it, the attention signal, full screen, and who gets the mouse.
class TerminalWindow {
  public:
    virtual ~TerminalWindow() = default;

    // The terminal's window as the desktop knows it; 0 when unknown.
    virtual uint64_t WindowId() const = 0;
    // Whether the terminal is in front, from its focus reports.
    virtual bool HasFocus() const = 0;
    // Attention signal for a terminal that is not in front (one bell).
    virtual void Flash() = 0;
    virtual bool SetFullScreen(bool on) = 0;
    // Mouse reports (the wheel) instead of the terminal's own use of the mouse; on while the
    // client runs unless turned off. A terminal without a mouse ignores it.
    virtual void SetMouseReporting(bool on) { (void)on; }
};

} // namespace tolmix
