#pragma once

#include "text/LinePrinter.h"

#include <string>

namespace tolmix {

// Where the server link puts what it receives. PrintLine takes its own messages and the lines
// that may be server codes; besides that it needs:
class ServerLinePrinter : public LinePrinter {
  public:
    // A received line that is no server code, whatever its first bytes look like (colour bytes
    // made from ANSI sequences may look like the code marker): always printed as text.
    virtual void PrintTextLine(const std::string& ansiText) = 0;
    // A line the server sent: a server code when `mayBeCode` and it looks like one, else text.
    // Unlike the link's own messages, it is what the server said.
    virtual void PrintReceivedLine(const std::string& ansiText, bool mayBeCode) {
        if (mayBeCode)
            PrintLine(ansiText);
        else
            PrintTextLine(ansiText);
    }
    // The line the server has begun but not ended (a prompt waiting for an answer), shown at
    // the end of the output window in place of the one shown before; neither logged nor taken
    // for a server code.
    virtual void ShowUnfinishedLine(const std::string& ansiText) = 0;
    // Takes the unfinished line off the window again: its line end came, and the whole line
    // is printed in its place, or the connection ended without it.
    virtual void RemoveUnfinishedLine() = 0;
    // The connection was dropped (for any reason), before the reconnect prompt is printed:
    // what lives only as long as one connection ends here. Raises nothing.
    virtual void ConnectionEnded() {}
    // A connection was opened: what runs while connected starts here.
    virtual void ConnectionStarted() {}
};

} // namespace tolmix
