#pragma once

#include "app/ClientEnvironment.h"
#include "app/ClientSettings.h"
#include "net/GameClock.h"
#include "net/ServerLink.h"
#include "net/TextPrinter.h"
#include "ui/ClientState.h"
#include "ui/InputEditor.h"
#include "ui/KeyDispatch.h"
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
    ClientSettings Settings;
    ScreenLayout Layout;
    // The scrollback and the output window's view of it.
    std::unique_ptr<OutputBuffer> Output;
    // The character's state from the server codes, the game clock, and where they are shown.
    ClientState State;
    TGameClock GameClock;
    std::unique_ptr<StatusPanel> Panel;
    std::unique_ptr<TextPrinter> Printer;
    // The connection to the game server, its messages and everything sent.
    std::unique_ptr<ServerLink> Link;
    // The input editor with the command history (EditText, History, HistoryIndex, EditLines
    // and the cursor are its fields) and the key tables that drive it.
    std::unique_ptr<InputEditor> Editor;
    std::unique_ptr<KeyDispatch> Keys;

    // Prints or dispatches one line of Windows-1251 text.
    void PrintLine(std::string_view text);
    void DrawStatusPanel();
    // Opens the server's text editor with its lines (console code page).
    void BeginEditMode(const std::string& text);
    // Sends the editor's text (or the edited text in edit mode) and prepares for the next one.
    void SendEditor();
    // Empties the editor; in edit mode the server's edit is cancelled.
    void ClearEditor();

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
    // What the server link asks of the client.
    class LinkHost final : public ServerLinkHost {
      public:
        explicit LinkHost(TClient& client) : Client(client) {}
        void PrintLine(const std::string& ansiText) override { Client.PrintLine(ansiText); }
        std::vector<PluginDetails> PluginList() override { return {}; }

      private:
        TClient& Client;
    };

    TConsole& Con;
    ClientEnvironment& Env;
    FileSystem& Files;
    LinkHost Host{*this};
    // Timer procedures do nothing until the constructor has finished and after the destructor
    // has begun.
    bool Running = false;
};

} // namespace tolmix
