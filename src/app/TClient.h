#pragma once

#include "app/ClientEnvironment.h"
#include "app/ClientSettings.h"
#include "app/OutputLog.h"
#include "net/GameClock.h"
#include "net/TextPrinter.h"
#include "ui/ClientState.h"
#include "ui/OutputBuffer.h"
#include "ui/ScreenLayout.h"
#include "ui/StatusPanel.h"
#include "ui/TConsole.h"

#include <cstdint>
#include <memory>
#include <string>

namespace tolmix {

// The one client object: it reads the settings, lays out the screen, owns every part of the
// client and binds them to the console driver. Construction runs the start-up steps in order;
// an error raised there ends the program.
class TClient {
  public:
    TClient(TConsole& console, ClientEnvironment& environment, int argc, const char* const* argv);
    ~TClient();
    TClient(const TClient&) = delete;
    TClient& operator=(const TClient&) = delete;

    // The settings file in use, kept for later re-reads.
    std::string SettingsPath;
    // The output log file of this start, fixed before anything is printed.
    std::string LogPath;
    ClientSettings Settings;
    ScreenLayout Layout;
    // The scrollback and the output window's view of it.
    std::unique_ptr<OutputBuffer> Output;
    // The character's state from the server codes, the game clock, and where they are shown.
    ClientState State;
    TGameClock GameClock;
    std::unique_ptr<StatusPanel> Panel;
    std::unique_ptr<TextPrinter> Printer;
    std::unique_ptr<TOutputLog> Log;
    // Whether the console settings of this program location existed before this start; false
    // on the first start from a folder, which shows the first-run notice instead of connecting.
    bool ConsoleKeyExisted = false;
    // The server editor's text while edit mode is on.
    std::string EditText;

    // Prints or dispatches one line of Windows-1251 text.
    void PrintLine(std::string_view text);
    // Writes a printed line (console code page, no colour bytes) to the output log when it is on.
    void AppendLog(const std::string& text);
    bool IsFirstRun() const { return !ConsoleKeyExisted; }
    void DrawStatusPanel();
    // Opens the server's text editor with its lines (console code page).
    void BeginEditMode(const std::string& text);

    // Every key event of the console; true when consumed.
    bool HandleKey(const KeyEvent& key);
    // The idle step of the input loop; true while more work is ready at once.
    bool PollSocket();
    // The 250 ms and 100 ms timer handlers.
    void OnStatusTimer();
    void OnCountdownTimer();

    uint32_t StatusTimer = 0;
    uint32_t CountdownTimer = 0;

  private:
    TConsole& Con;
    ClientEnvironment& Env;
    FileSystem& Files;
    // Timer procedures do nothing until the constructor has finished and after the destructor
    // has begun.
    bool Running = false;
};

} // namespace tolmix
