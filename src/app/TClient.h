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
// client and binds them to the console driver and to each other. Construction runs the start-up
// steps in order; an error raised there ends the program.
class TClient final : public ServerLinePrinter,
                      private ServerEchoListener,
                      private HostLoop,
                      private PrintedLineTargets,
                      private ScreenResizeTarget {
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
    // The console's OnKey: every key event; true when consumed.
    bool HandleKey(const KeyEvent& key);
    // The console's OnIdle: at most one line from the server; true while another is ready at
    // once.
    bool PollSocket();

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
    // The input editor with the command history (EditText, History, HistoryIndex, EditLines
    // and the cursor are its fields) and the key tables that drive it.
    std::unique_ptr<InputEditor> Editor;
    std::unique_ptr<EditorView> EditorScreen;
    std::unique_ptr<KeyDispatch> Keys;
    std::unique_ptr<TOutputLog> Log;
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

    // The 250 ms and 100 ms timer handlers.
    void OnStatusTimer();
    void OnCountdownTimer();
    // Runs each timer only while something it draws can change: the status timer while the
    // game clock runs or new text waits to flash the window, the countdown timer while a
    // countdown runs and until its end is drawn. An idle client sleeps.
    void KeepTimers();

    uint32_t StatusTimer = 0; // 0 while stopped
    uint32_t CountdownTimer = 0;
    // The countdown was drawn as running at the last countdown tick.
    bool CountdownShown = false;

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

    // The terminal took another size: every part is laid out in it again and drawn whole.
    void ScreenResized() override;

    void StartMusic();
    void StartEditor();
    void StartPlugins();

    TConsole& Con;
    ClientEnvironment& Env;
    FileSystem& Files;
    // Timer procedures do nothing until the constructor has finished and after the destructor
    // has begun.
    bool Running = false;
};

} // namespace tolmix
