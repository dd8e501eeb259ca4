#include "app/TClient.h"

#include "app/ConsolePalette.h"
#include "app/FirstRunNotice.h"
#include "app/SystemRegistration.h"

#include "ui/CodePage.h"
#include "ui/ProgramName.h"

namespace tolmix {

namespace {

// The banner's notice after the program's name, Windows-1251:
// " - клиент текстовой игры. F10 - выход, PgUp - прокрутка."
constexpr std::string_view BannerNotice =
    " - \xEA\xEB\xE8\xE5\xED\xF2 \xF2\xE5\xEA\xF1\xF2\xEE\xE2\xEE\xE9 \xE8\xE3\xF0\xFB. F10 - "
    "\xE2\xFB\xF5\xEE\xE4, PgUp - \xEF\xF0\xEE\xEA\xF0\xF3\xF2\xEA\xE0.";

} // namespace

TClient::TClient(TConsole& console, ClientEnvironment& environment, int argc,
                 const char* const* argv)
    : GameClock(environment.Time), Con(console), Env(environment), Files(environment.Files) {
    SettingsPath = ChooseSettingsPath(Files, argc, argv);
    {
        TTolmixStringList list;
        list.LoadFromFile(Files, SettingsPath);
        Settings = ReadClientSettings(list);
    }
    LogPath = AnchorLogPath(Files.CurrentDirectory(),
                            MakeLogPath(SettingsPath, Env.Time.LocalTime(Env.Time.Now())));
    Log = std::make_unique<TOutputLog>(Files, Settings.LogEnabled, LogPath);

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

    StatusPanelOptions panel;
    panel.SizeX = Settings.SizeX;
    panel.SeparatorRow = Layout.SeparatorRow;
    panel.PanelRow = Layout.PanelRow;
    panel.SeparatorLine = Settings.SeparatorLine;
    panel.SeparatorColor = Settings.SeparatorColor;
    panel.NameColor = Settings.NameColor;
    panel.TimeFormat = Settings.TimeFormat;
    panel.TimeColor = Settings.TimeColor;
    panel.InfoPanel = Settings.InfoPanel;
    panel.InfoPanelColor = Settings.InfoPanelColor;
    panel.DecimalSeparator = Env.Locale.DecimalSeparator;
    panel.Names = &LocaleDateNames(Env.Locale.Russian);
    Panel = std::make_unique<StatusPanel>(Con, State, panel);
    Printer = std::make_unique<TextPrinter>(Con, *Output, State, GameClock, *Panel,
                                            Settings.FlashActivity, Env.Locale.DecimalSeparator);
    Printer->Hooks.BeginEditMode = [this](const std::string& text) { BeginEditMode(text); };
    Printer->Hooks.AppendLog = [this](const std::string& text) { AppendLog(text); };

    StatusTimer = Con.Loop().SetTimer(250, [this] {
        if (Running)
            OnStatusTimer();
    });
    CountdownTimer = Con.Loop().SetTimer(100, [this] {
        if (Running)
            OnCountdownTimer();
    });

    State.CharName.clear();
    for (int i = Level; i <= ManaMax; ++i)
        State.Status[i] = 0;
    DrawStatusPanel();

    Output->CurrentAttr = 0x4E;
    PrintLine(std::string(ProgramTitle) + std::string(BannerNotice));
    Output->CurrentAttr = 7;

    ConsoleKeyExisted = RegisterSystem(Env.Registry, Files.ProgramPath());
    ApplyConsolePalette(Con);

    if (IsFirstRun())
        PrintFirstRunNotice([this](std::string_view text) { PrintLine(text); }, *Output);
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

void TClient::PrintLine(std::string_view text) {
    Printer->PrintLine(text);
}

void TClient::AppendLog(const std::string& text) {
    Log->AppendLog(text);
}

void TClient::DrawStatusPanel() {
    Panel->DrawStatusPanel();
}

void TClient::BeginEditMode(const std::string& text) {
    EditText = text;
    State.EditMode = true;
    Settings.EnterSwap = !Settings.EnterSwap;
    DrawStatusPanel();
}

void TClient::OnStatusTimer() {
    Panel->FlashStep();
    Panel->DrawGameClock(GameClock.GameClockNow());
}

void TClient::OnCountdownTimer() {
    Panel->OnCountdownTimer();
}

} // namespace tolmix
