#pragma once

#include "text/LinePrinter.h"

#include <string>
#include <string_view>

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
    // A line the server ended as a prompt (GA or EOR): printed at once as PrintReceivedLine
    // prints it; the command that answers it may still join its row.
    virtual void PrintPromptLine(const std::string& ansiText, bool mayBeCode) {
        PrintReceivedLine(ansiText, mayBeCode);
    }
    // The line that held the prompt a command answers, printed as PrintReceivedLine prints it,
    // with the command (console code page, CR LF between its lines) after it on its row; the
    // command is the player's own: no trigger sees it.
    virtual void PrintAnsweredPrompt(const std::string& ansiPrompt, bool mayBeCode,
                                     std::string_view command) {
        PrintReceivedLine(ansiPrompt, mayBeCode);
        EchoCommand(command);
    }
    // A command the player sent while no line was left unfinished: after the prompt printed
    // last (PrintPromptLine) when nothing came after it, else on rows of its own.
    virtual void EchoCommand(std::string_view /*command*/) {}
    // The connection was dropped (for any reason), before the reconnect prompt is printed:
    // what lives only as long as one connection ends here. Raises nothing.
    virtual void ConnectionEnded() {}
    // A connection was opened: what runs while connected starts here.
    virtual void ConnectionStarted() {}
};

} // namespace tolmix
