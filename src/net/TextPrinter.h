#pragma once

#include "net/GameClock.h"
#include "ui/ClientState.h"
#include "ui/OutputBuffer.h"
#include "ui/StatusPanel.h"
#include "ui/TConsole.h"

#include <functional>
#include <string>
#include <string_view>

namespace tolmix {

// What the printer hands on to other parts of the client. A code whose hook is not set is
// treated as unsupported.
struct TextPrinterHooks {
    // A printed line without its colour bytes (console code page), for the output log.
    std::function<void(const std::string&)> AppendLog;
    // The server's text editor opens with these lines (console code page, CR LF between).
    std::function<void(const std::string&)> BeginEditMode;
    // The server asks which version this is.
    std::function<void()> SendVersion;
    // "p": a sound command; "P": silence and forget the queued music.
    std::function<void(const std::string&)> PlaySoundCommand;
    std::function<void()> StopMusic;
    // "g": a game code for the plugins, its sub-letter and argument.
    std::function<void(char, const std::string&)> GameCode;
};

// The one door through which every line reaches the output window: the server's lines and
// the client's own messages. A line that is a server code updates the character's state
// instead of being shown.
class TextPrinter {
  public:
    TextPrinter(TConsole& console, OutputBuffer& output, ClientState& state, TGameClock& clock,
                StatusPanel& panel, bool flashActivity, char decimalSeparator);

    // Prints or dispatches one line of Windows-1251 text.
    void PrintLine(std::string_view text);

    TextPrinterHooks Hooks;

  private:
    void HandleServerCode(char code, std::string_view payload);
    void Unsupported(char code, std::string_view payload);
    void SetName(std::string_view name);
    void OpenServerEditor(std::string_view argument);

    TConsole& Con;
    OutputBuffer& Output;
    ClientState& State;
    TGameClock& Clock;
    StatusPanel& Panel;
    const bool FlashActivity;
    const char DecimalSeparator;
};

} // namespace tolmix
