#pragma once

#include "app/CommandEcho.h"
#include "app/TriggerActions.h"
#include "net/CharacterStatus.h"
#include "net/GameClock.h"
#include "net/ServerLinePrinter.h"
#include "ui/OutputBuffer.h"
#include "ui/StatusPanel.h"
#include "ui/WindowTitle.h"
#include "util/ReusedString.h"

#include <optional>
#include <string>
#include <string_view>

namespace tolmix {

// Where the printer hands on what is not the screen's: the log, and the server codes of the
// other parts.
class PrintedLineTargets {
  public:
    virtual ~PrintedLineTargets() = default;
    // A printed line without its colour bytes and background marks (console code page), for
    // the output log.
    virtual void AppendLog(const std::string& text) = 0;
    // Whether AppendLog keeps anything: while it does not, the printer need not call it.
    virtual bool Logging() const { return true; }
    // The server's text editor opens with these lines (console code page, CR LF between).
    virtual void BeginEditMode(const std::string& text) = 0;
    // The server asks which version this is.
    virtual void SendVersion() = 0;
    // Whether the client plays music and has plugins; without them their codes are shown as
    // unsupported.
    virtual bool HasMusic() const = 0;
    virtual bool HasPlugins() const = 0;
    // "p": a sound command; "P": silence and forget the queued music.
    virtual void PlaySoundCommand(const std::string& text) = 0;
    virtual void StopMusic() = 0;
    // "g": a game code for the plugins, its sub-letter and argument.
    virtual void GameCode(char letter, const std::string& argument) = 0;
    // The connection was dropped: what lives only as long as one connection (a plugin's game)
    // ends. Raises nothing.
    virtual void ConnectionEnded() {}
};

// The one door through which every line reaches the output window: the server's lines and
// the client's own messages. A line that is a server code updates the character's state
// instead of being shown, or goes to the part it is for. It lives with the client that
// assembles the parts because a received line fans out to nearly all of them: the screen
// pieces, the editor, the music, the plugins, the link and the log.
class TextPrinter final : public ServerLinePrinter {
  public:
    // The window's title follows the character's name.
    TextPrinter(WindowTitle& title, OutputBuffer& output, CharacterStatus& state, GameClock& clock,
                StatusPanel& panel, PrintedLineTargets& targets, bool flashActivity,
                char decimalSeparator, EchoOptions echo = {});

    // Prints or dispatches one line of Windows-1251 text.
    void PrintLine(const std::string& text) override;
    // Prints one line of Windows-1251 text, never taking it for a server code.
    void PrintTextLine(const std::string& text) override;
    // The server's unfinished line at the end of the output window: shown (in place of the one
    // shown before), or taken away. It is not logged.
    void ShowUnfinishedLine(const std::string& text) override;
    void RemoveUnfinishedLine() override;
    // A line the server sent: matched by the triggers, which may hide it or colour it, and
    // whose actions follow it. A status code sets off the conditions on the status.
    void PrintReceivedLine(const std::string& ansiText, bool mayBeCode) override;
    void ConnectionStarted() override;
    void ConnectionEnded() override;
    // The player's commands in the echo colour, printed and logged but never matched by the
    // triggers; the colour in force afterwards is the one before them.
    void PrintAnsweredPrompt(const std::string& ansiPrompt, bool mayBeCode,
                             std::string_view command) override;
    void EchoCommand(std::string_view command) override;
    // A prompt ended by GA or EOR: shown and matched at once, logged once it is clear whether
    // the player's command joins its row.
    void PrintPromptLine(const std::string& ansiText, bool mayBeCode) override;
    // The prompt printed last is logged as it stands and no command joins it any more (a new
    // screen width wraps its rows again; the program ends).
    void EndOpenPrompt();

    // The triggers to run (none: every line is printed as it came).
    void UseTriggers(TriggerActions* triggers) { Triggers = triggers; }
    // Where the plugins print their text of channel 0: taken like a line from the server.
    LinePrinter& PluginLines() { return PluginText; }

  private:
    class ReceivedLines final : public LinePrinter {
      public:
        explicit ReceivedLines(TextPrinter& printer) : Printer(printer) {}
        void PrintLine(const std::string& ansiText) override {
            Printer.PrintReceivedLine(ansiText, true);
        }

      private:
        TextPrinter& Printer;
    };

    void PrintText(const std::string& consoleText);
    void PrintServerText(const std::string& consoleText);
    // Prints the text with `echo` after it on its row; the colour after it is the text's.
    void PrintWithEcho(const std::string& consoleText, std::string_view echo);
    // The first line of a command: on the open prompt's row when nothing came after it.
    void EchoFirstLine(std::string_view echo);
    // The line without its colours to the log, when it is on.
    void LogText(const std::string& consoleText);
    void HandleServerCode(char code, std::string_view payload);
    void Unsupported(char code, std::string_view payload);
    void SetName(std::string_view name);
    void OpenServerEditor(std::string_view argument);

    WindowTitle& Title;
    OutputBuffer& Output;
    CharacterStatus& State;
    GameClock& Clock;
    StatusPanel& Panel;
    PrintedLineTargets& Targets;
    const bool FlashActivity;
    const char DecimalSeparator;
    const EchoOptions Echo;
    // The prompt printed last, while no other line followed it: its text as printed, the
    // colour before it and its rows.
    struct OpenPromptRows {
        std::string Text;
        uint16_t AttrBefore = 7;
        int64_t FirstRow = 0;
        int64_t EndRow = 0;
    };
    std::optional<OpenPromptRows> OpenPrompt;
    // The memory of a received line in the console code page, used again line after line.
    ReusedString ConsoleText;
    TriggerActions* Triggers = nullptr;
    ReceivedLines PluginText{*this};
};

} // namespace tolmix
