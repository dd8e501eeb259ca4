#pragma once

#include "app/ClientSettings.h"
#include "platform/FileSystem.h"
#include "ui/OutputBuffer.h"
#include "ui/ScreenLayout.h"
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
    TClient(TConsole& console, FileSystem& files, int argc, const char* const* argv);
    ~TClient();
    TClient(const TClient&) = delete;
    TClient& operator=(const TClient&) = delete;

    // The settings file in use, kept for later re-reads.
    std::string SettingsPath;
    ClientSettings Settings;
    ScreenLayout Layout;
    // The scrollback and the output window's view of it.
    std::unique_ptr<OutputBuffer> Output;

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
    FileSystem& Files;
    // Timer procedures do nothing until the constructor has finished and after the destructor
    // has begun.
    bool Running = false;
};

} // namespace tolmix
