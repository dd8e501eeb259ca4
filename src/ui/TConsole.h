#pragma once

#include "platform/Clipboard.h"
#include "platform/EventLoop.h"
#include "platform/Terminal.h"
#include "ui/ConsoleClipboard.h"
#include "ui/ConsoleScreen.h"
#include "ui/InputLoop.h"

namespace tolmix {

// The console driver the main block makes before the client: the screen buffer, the input loop
// and the clipboard over the platform's terminal, event loop and clipboard. It hands each part
// out as the narrow thing its users need, and runs the input loop for the client.
class TConsole {
  public:
    TConsole(Terminal& terminal, EventLoop& loop, Clipboard& clipboard)
        : Term(terminal), Buffer(terminal), Loop(terminal, loop, Buffer), Clip(clipboard) {}
    TConsole(const TConsole&) = delete;
    TConsole& operator=(const TConsole&) = delete;

    ConsoleScreen& Screen() { return Buffer; }
    InputLoop& Input() { return Loop; }
    TextClipboard& Clipboard() { return Clip; }
    TerminalWindow& Window() { return Term; }
    TerminalPalette& Palette() { return Term; }

    // Runs the input loop for the client until the player quits.
    void Run(LoopClient& client) { Loop.Run(client); }

  private:
    Terminal& Term;
    ConsoleScreen Buffer;
    InputLoop Loop;
    ConsoleClipboard Clip;
};

} // namespace tolmix
