#include "app/TClient.h"

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

    // No connection yet.
    Link = std::make_unique<ServerLink>(Host, Env.Net, Con.Loop());
    Link->Address = Settings.Address;
    Link->Port = Settings.Port;
    Link->ProxyAddr = Settings.ProxyAddr;
    Link->ProxyPort = Settings.ProxyPort;
    Link->ProxyUserName = Settings.ProxyUserName;
    Link->ProxyPassword = Settings.ProxyPassword;
    Link->AutoSend = Settings.AutoSend;

    // The editor and its history.
    InputEditorOptions editor;
    editor.SizeX = Settings.SizeX;
    editor.EditorTop = Layout.EditorTop;
    editor.EditorLines = Layout.EditorLines;
    editor.EditorTextColor = Settings.EditorTextColor;
    editor.EditorSelColor = Settings.EditorSelColor;
    editor.HistorySize = Settings.HistorySize;
    editor.EditLockHistory = Settings.EditLockHistory;
    editor.EnterSwap = Settings.EnterSwap;
    Editor = std::make_unique<InputEditor>(Con, State, editor);
    Editor->Hooks.ScrollOutputToEnd = [this] { Output->ScrollOutputToEnd(); };
    Editor->Hooks.DrawStatusPanel = [this] { DrawStatusPanel(); };
    Editor->Hooks.Connected = [this] { return Link->Connected(); };
    Editor->Hooks.ConnectToServer = [this] { Link->ConnectToServer(); };
    Editor->Hooks.SendLine = [this](const std::string& text) { Link->SendLine(text, true); };
    Keys = std::make_unique<KeyDispatch>(*Editor, Layout.OutputRows);
    Keys->Hooks.ScrollOutput = [this](bool down, int64_t count) {
        Output->ScrollOutput(down, count);
    };
    Keys->Hooks.Terminate = [this] { Con.Terminated = true; };
    Keys->Hooks.Connected = [this] { return Link->Connected(); };
    Keys->Hooks.Disconnect = [this] { Link->Disconnect(); };
    // A paste from the terminal goes in like the clipboard's text, its lines ended by CR LF.
    Con.OnPaste = [this](const std::string& text) { Editor->InsertText(NormaliseLineEnds(text)); };

    StatusTimer = Con.Loop().SetTimer(250, [this] {
        if (Running)
            OnStatusTimer();
    });
    CountdownTimer = Con.Loop().SetTimer(100, [this] {
        if (Running)
            OnCountdownTimer();
    });
    ClearEditor();

    State.CharName.clear();
    for (int i = Level; i <= ManaMax; ++i)
        State.Status[i] = 0;
    DrawStatusPanel();

    Output->CurrentAttr = 0x4E;
    PrintLine(std::string(ProgramTitle) + std::string(BannerNotice));
    Output->CurrentAttr = 7;
    Running = true;
}

TClient::~TClient() {
    Running = false;
    Con.Loop().KillTimer(StatusTimer);
    Con.Loop().KillTimer(CountdownTimer);
    Con.OnKey = nullptr;
    Con.OnIdle = nullptr;
    Con.OnPaste = nullptr;
}

bool TClient::HandleKey(const KeyEvent& key) {
    return Keys->HandleKey(key);
}

void TClient::SendEditor() {
    Editor->SendEditor();
}

void TClient::ClearEditor() {
    Editor->ClearEditor();
}

bool TClient::PollSocket() {
    return Link->PollSocket();
}

void TClient::PrintLine(std::string_view text) {
    Printer->PrintLine(text);
}

void TClient::DrawStatusPanel() {
    Panel->DrawStatusPanel();
}

void TClient::BeginEditMode(const std::string& text) {
    Editor->BeginEditMode(text);
}

void TClient::OnStatusTimer() {
    Panel->FlashStep();
    Panel->DrawGameClock(GameClock.GameClockNow());
}

void TClient::OnCountdownTimer() {
    Panel->OnCountdownTimer();
}

} // namespace tolmix
