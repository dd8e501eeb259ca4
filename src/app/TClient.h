#pragma once

#include "app/ClientEnvironment.h"
#include "app/ClientSettings.h"
#include "app/OutputLog.h"
#include "app/ProgramLayout.h"
#include "app/TextPrinter.h"
#include "macros/AliasFile.h"
#include "macros/MacroSet.h"
#include "music/SoundCommands.h"
#include "net/CharacterStatus.h"
#include "net/GameClock.h"
#include "net/ServerLink.h"
#include "plugins/GameHost.h"
#include "plugins/PluginList.h"
#include "ui/EditorView.h"
#include "ui/InputEditor.h"
#include "ui/KeyDispatch.h"
#include "ui/LoopClient.h"
#include "ui/OutputBuffer.h"
#include "ui/ScreenLayout.h"
#include "ui/ScrollbackMark.h"
#include "ui/StatusPanel.h"
#include "ui/TConsole.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tolmix {

// The one client object: it reads the settings, lays out the screen, owns every part of the
// client and binds them to the console and to each other. Construction runs the start-up steps
// in order (the connection among them, waiting in the console's input loop); an error raised
// there ends the program. The input loop then runs the client.
class TClient final : public ServerLinePrinter,
                      public LoopClient,
                      private ServerEchoListener,
                      private TelnetTerminal,
                      private HostLoop,
                      private PrintedLineTargets {
  public:
    TClient(TConsole& console, ClientEnvironment& environment, int argc, const char* const* argv);
    ~TClient() override;
    TClient(const TClient&) = delete;
    TClient& operator=(const TClient&) = delete;

    // Prints or dispatches one line of Windows-1251 text: the way in for the link, the plugins
    // and the client's own messages.
    void PrintLine(const std::string& text) override;
    // The server link's received text: a line that is no server code, and the unfinished line.
    void PrintTextLine(const std::string& text) override;
    void ShowUnfinishedLine(const std::string& text) override;
    void RemoveUnfinishedLine() override;
    // A plugin's game ends with the connection it was played on.
    void ConnectionEnded() override;
    // What the input loop hands on: keys to the key tables, the idle step to the link (at most
    // one line from the server), a paste to the editor, the wheel to the output window.
    bool HandleKey(const KeyEvent& key) override;
    bool Idle() override;
    void Paste(const std::string& text, uint64_t leftOut) override;
    void Wheel(bool down, int64_t rows) override;
    // The terminal took another size: every part is laid out in it again and drawn whole.
    void ScreenResized() override;

  private:
    // The settings file in use, kept for later re-reads.
    std::string SettingsPath;
    // The output log file of this start, fixed before anything is printed.
    std::string LogPath;
    // The program's folder, with a trailing separator, and where its plugins and the demo
    // world are: beside it, or where it was installed.
    std::string ProgramDir;
    ProgramLayout Placement;
    ClientSettings Settings;
    // The layout's settings; the size in them is what the client asks the terminal for.
    ScreenOptions Screen;
    ScreenLayout Layout;
    // The connection to the game server.
    ServerLink Link;
    // The server's music: the MIDI outputs, the player and its queue.
    std::unique_ptr<MidiDevices> MidiOutputs;
    std::unique_ptr<SoundCommands> Sound;
    // The scrollback and the output window's view of it.
    std::unique_ptr<OutputBuffer> Output;
    // The character's state from the server codes, the game clock, and where they are shown.
    CharacterStatus State;
    GameClock Clock;
    std::unique_ptr<StatusPanel> Panel;
    std::unique_ptr<ScrollbackMark> NewRowsMark;
    std::unique_ptr<TextPrinter> Printer;
    // The input editor, which keeps the text, the cursor and the command history, and the key
    // tables that drive it.
    std::unique_ptr<InputEditor> Editor;
    std::unique_ptr<EditorView> EditorScreen;
    std::unique_ptr<KeyDispatch> Keys;
    std::unique_ptr<OutputLog> Log;
    // The connection whose lines the log wrote last.
    uint64_t LoggedConnection = 0;
    // Whether the console settings of this program location existed before this start; false
    // on the first start from a folder, which shows the first-run notice instead of connecting.
    bool ConsoleKeyExisted = false;
    // The key macros and the aliases (Macros, Aliases), read again on Tab.
    MacroSet MacrosAndAliases;
    // The host operations the game plugins call, and the plugins.
    GameHost Host;
    std::unique_ptr<GamePlugins> Plugins;

    // Writes a printed line (console code page, no colour bytes) to the output log when it is on.
    void AppendLog(const std::string& text) override;
    // An installed program connects at its first start: its package registered it already.
    bool IsFirstRun() const { return !ConsoleKeyExisted && !Placement.Installed; }
    void DrawStatusPanel();
    // Opens the server's text editor with its lines (console code page).
    void BeginEditMode(const std::string& text) override;
    // Empties the editor; in edit mode the server's edit is cancelled.
    void ClearEditor();

    uint64_t WindowHandle() const override;
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
    // The output window's size, which the server may ask for.
    WindowSize OutputWindowSize() const override;

    void StartMusic();
    void StartEditor();
    void StartPlugins();

    // The console's parts, each handed to the pieces that use it.
    ScreenSurface& Surface;
    InputLoop& Input;
    TextClipboard& Clip;
    TerminalWindow& Window;
    TerminalPalette& Palette;
    ClientEnvironment& Env;
    FileSystem& Files;
};

} // namespace tolmix
