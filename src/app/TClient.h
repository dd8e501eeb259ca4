#pragma once

#include "app/ClientEnvironment.h"
#include "app/ClientSettings.h"
#include "app/HistoryFile.h"
#include "app/OutputLog.h"
#include "app/ProgramLayout.h"
#include "app/TextPrinter.h"
#include "app/TriggerActions.h"
#include "macros/AliasFile.h"
#include "macros/MacroSet.h"
#include "macros/TriggerSet.h"
#include "music/SoundCommands.h"
#include "net/CharacterStatus.h"
#include "net/GameClock.h"
#include "net/ServerLink.h"
#include "plugins/GameHost.h"
#include "plugins/PluginList.h"
#include "ui/EditorView.h"
#include "ui/InputEditor.h"
#include "ui/KeyDispatch.h"
#include "ui/LogSwitch.h"
#include "ui/LoopClient.h"
#include "ui/MouseCopy.h"
#include "ui/OutputBuffer.h"
#include "ui/ScreenLayout.h"
#include "ui/ScrollbackMark.h"
#include "ui/ScrollbackSearch.h"
#include "ui/SearchLine.h"
#include "ui/StatusPanel.h"
#include "ui/TConsole.h"

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tolmix {

// The one client object: it reads the settings, lays out the screen, owns every part of the
// client and binds them to the console and to each other. Construction runs the start-up steps
// in order (the connection among them, waiting in the console's input loop); an error raised
// there ends the program. The input loop then runs the client.
//
// The parts are made in the order they need each other: the screen, the output window and the
// printer before the link that prints into them, the link before the editor, the macros and
// the plugins that send through it. Where two parts need each other (the link tells the editor
// of the server's echo, the editor sends through the link; the printer hands server codes to
// the editor, the music and the plugins, which print), the client stands between them.
class TClient final : public LoopClient,
                      private ServerEchoListener,
                      private TelnetTerminal,
                      private HostLoop,
                      private PrintedLineTargets,
                      private LogSwitch {
  public:
    TClient(TConsole& console, ClientEnvironment& environment, int argc, const char* const* argv);
    ~TClient() override;
    TClient(const TClient&) = delete;
    TClient& operator=(const TClient&) = delete;

    // What the input loop hands on: keys to the key tables, the idle step to the link (at most
    // one line from the server), a paste to the editor, the wheel to the output window.
    bool HandleKey(const KeyEvent& key) override;
    bool Idle() override;
    void Paste(const std::string& text, uint64_t leftOut) override;
    void Wheel(bool down, int64_t rows) override;
    // A drag over the output window selects its text and copies it.
    void Mouse(const MouseEvent& event) override;
    // The terminal took another size: every part is laid out in it again and drawn whole.
    void ScreenResized() override;
    // The one way in for text (a line of Windows-1251 text, printed or dispatched as a server
    // code), as the link, the plugins and the client's own messages use it.
    LinePrinter& Lines() { return Printer; }

  private:
    // The console's parts, each handed to the pieces that use it.
    ScreenSurface& Surface;
    InputLoop& Input;
    TextClipboard& Clip;
    TerminalWindow& Window;
    TerminalPalette& Palette;
    ClientEnvironment& Env;
    FileSystem& Files;
    // The settings file in use, kept for later re-reads.
    std::string SettingsPath;
    ClientSettings Settings;
    // The output log file of this start, fixed before anything is printed.
    std::string LogPath;
    std::unique_ptr<OutputLog> Log;
    // Where the command history of this settings file lasts between runs; nothing when the
    // system names no folder for it. A failed write is told once a start.
    std::optional<HistoryFile> History;
    bool HistoryFailureTold = false;
    // What the file holds as far as this start knows: a history that did not change since is
    // not written again.
    std::vector<std::string> HistoryKept;
    // The layout's settings; the size in them is what the client asks the terminal for.
    ScreenOptions Screen;
    ScreenLayout Layout;
    // The character's state from the server codes, the game clock, and where they are shown.
    CharacterStatus State;
    GameClock Clock;
    // The scrollback and the output window's view of it.
    std::unique_ptr<OutputBuffer> Output;
    std::unique_ptr<StatusPanel> Panel;
    // The one door of every line to the output window: the server link's printer.
    TextPrinter Printer;
    // The server's music: the MIDI outputs, the player and its queue.
    std::unique_ptr<MidiDevices> MidiOutputs;
    std::unique_ptr<SoundCommands> Sound;
    // The connection to the game server.
    ServerLink Link;
    // The key macros and the aliases (Macros, Aliases), read again on Tab.
    MacroSet MacrosAndAliases;
    // The triggers on the entries of the trigger files (their loop guard counts on the loop's
    // clock), what they set off, and the key step that tells them of a reload.
    LoopTime SteadyTime;
    TriggerSet Triggers;
    TriggerActions TriggerRun;
    TriggerReloads MacroStep;
    // The host operations the game plugins call, and the plugins (none until they start).
    GameHost Host;
    std::unique_ptr<GamePlugins> Plugins;
    // The input editor, which keeps the text, the cursor and the command history, and the key
    // tables that drive it.
    std::unique_ptr<InputEditor> Editor;
    std::unique_ptr<EditorView> EditorScreen;
    // The search in the scrollback, and its line over the editor's rows while it runs.
    std::unique_ptr<ScrollbackSearch> Search;
    std::unique_ptr<SearchLine> SearchRow;
    std::unique_ptr<KeyDispatch> Keys;
    std::unique_ptr<ScrollbackMark> NewRowsMark;
    // The output window's text selected with the mouse, and copied.
    std::unique_ptr<MouseCopy> OutputCopy;
    // The program's folder, with a trailing separator, and where its plugins and the demo
    // world are: beside it, or where it was installed.
    std::string ProgramDir;
    ProgramLayout Placement;
    // Whether the console settings of this program location existed before this start; false
    // on the first start from a folder, which shows the first-run notice instead of connecting.
    bool ConsoleKeyExisted = false;

    // Writes a printed line (console code page, no colour bytes) to the output log when it is on;
    // a write that fails switches the log off with one line saying so.
    void AppendLog(const std::string& text) override;
    bool Logging() const override;
    // Alt+L: the log on or off, one line saying where it writes.
    void ToggleLog() override;
    // The history of an earlier run into the editor, and the editor's history back to its file.
    void LoadHistory();
    void SaveHistory();
    // An installed program connects at its first start: its package registered it already.
    bool IsFirstRun() const { return !ConsoleKeyExisted && !Placement.Installed; }
    // Opens the server's text editor with its lines (console code page).
    void BeginEditMode(const std::string& text) override;

    void RunLoopPass(bool receive) override;
    void SendVersion() override;
    bool HasMusic() const override { return true; }
    bool HasPlugins() const override { return true; }
    void PlaySoundCommand(const std::string& text) override;
    void StopMusic() override;
    void GameCode(char letter, const std::string& argument) override;

    // The link is made before the editor, which sends through it: the server's echo reaches
    // the editor through the client.
    void ServerEchoChanged(bool serverEchoes) override;
    void ServerEchoLost() override;
    // The output window's size, which the server may ask for.
    WindowSize OutputWindowSize() const override;

    // A plugin's game ends with the connection it was played on.
    void ConnectionEnded() override;

    // The start-up's steps that make a part, in the order of the members.
    ScreenLayout StartLayout();
    std::unique_ptr<OutputBuffer> MakeOutput();
    void StartEditor();
    void StartPlugins();
};

} // namespace tolmix
