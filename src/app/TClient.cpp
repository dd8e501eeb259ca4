#include "app/TClient.h"

namespace tolmix {

TClient::TClient(TConsole& console, FileSystem& files, int argc, const char* const* argv)
    : Con(console), Files(files) {
    SettingsPath = ChooseSettingsPath(Files, argc, argv);
    {
        TTolmixStringList list;
        list.LoadFromFile(Files, SettingsPath);
        Settings = ReadClientSettings(list);
    }

    ScreenOptions screen;
    screen.SizeX = Settings.SizeX;
    screen.SizeY = Settings.SizeY;
    screen.FullScreen = Settings.FullScreen;
    screen.InfoPanel = Settings.InfoPanel;
    screen.InfoPanelColor = Settings.InfoPanelColor;
    screen.SeparatorLine = Settings.SeparatorLine;
    screen.SeparatorColor = Settings.SeparatorColor;
    screen.EditorLines = Settings.EditorLines;
    screen.EditorTextColor = Settings.EditorTextColor;
    Layout = StartScreen(Con, screen);
    // A screen too short for the editor gets a smaller one, never a negative output window.
    Settings.EditorLines = Layout.EditorLines;
    Con.OnKey = [this](const KeyEvent& key) { return HandleKey(key); };
    Con.OnIdle = [this] { return PollSocket(); };

    Output = std::make_unique<OutputBuffer>(Con, Settings.SizeX, Settings.OutputSize,
                                            Layout.SeparatorRow);

    StatusTimer = Con.Loop().SetTimer(250, [this] {
        if (Running)
            OnStatusTimer();
    });
    CountdownTimer = Con.Loop().SetTimer(100, [this] {
        if (Running)
            OnCountdownTimer();
    });
    Running = true;
}

TClient::~TClient() {
    Running = false;
    Con.Loop().KillTimer(StatusTimer);
    Con.Loop().KillTimer(CountdownTimer);
    Con.OnKey = nullptr;
    Con.OnIdle = nullptr;
}

bool TClient::HandleKey(const KeyEvent& key) {
    // The key tables come with the editor; until then no key is consumed, so Escape ends the
    // program through the driver's way out.
    (void)key;
    return false;
}

bool TClient::PollSocket() {
    return false;
}

void TClient::OnStatusTimer() {}

void TClient::OnCountdownTimer() {}

} // namespace tolmix
