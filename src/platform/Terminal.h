#pragma once

#include "platform/Clock.h"
#include "platform/Frame.h"
#include "platform/InputRecord.h"
#include "platform/TerminalPalette.h"
#include "platform/TerminalWindow.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolmix {

struct TerminalSize {
    int Columns = 80;
    int Rows = 25;
};

// The text terminal the client draws on and reads keys from, in its window and with its
// colours.
class Terminal : public TerminalWindow, public TerminalPalette {
  public:
    // The terminal's real size, 0 x 0 when it does not tell; a frame larger than this is
    // clipped.
    virtual TerminalSize Size() const = 0;
    // Asks the terminal to take this size; it may refuse.
    virtual void RequestSize(int columns, int rows) = 0;
    // Window title, Windows-1251; cleaned of control bytes before it reaches the terminal.
    virtual void SetTitle(std::string_view title) = 0;
    // Draws the frame, sending only what differs from the last frame drawn.
    virtual void Present(const Frame& frame) = 0;
    // A sequence passed through to the terminal unchanged (clipboard OSC 52); the caller
    // builds it from safe bytes only.
    virtual void WriteRaw(std::string_view bytes) = 0;

    // Takes at most one input record without waiting.
    virtual bool ReadInput(InputRecord& record) = 0;
    // When a partly received key sequence (a lone ESC) must be decided, if one is pending.
    virtual std::optional<TimePoint> InputDeadline() const = 0;
};

} // namespace tolmix
