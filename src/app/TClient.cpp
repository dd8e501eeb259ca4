#include "app/TClient.h"

#include "app/ConsolePalette.h"
#include "app/FirstRunNotice.h"
#include "app/SystemRegistration.h"
#include "macros/ExpandAliases.h"
#include "macros/MacroFiles.h"
#include "macros/RunKeyMacro.h"
#include "platform/MonotonicClock.h"
#include "platform/SoftwareMidiDevices.h"
#include "plugins/PluginCall.h"
#include "ui/CodePage.h"
#include "ui/ProgramName.h"
#include "util/FilePaths.h"

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
    : Link(*this, environment.Net, console.Loop()), GameClock(environment.Time), Host(console),
      Plugins(environment.Files, environment.Modules), Con(console), Env(environment),
      Files(environment.Files) {
    SettingsPath = ChooseSettingsPath(Files, argc, argv);
    {
        TTolmixStringList list;
        list.LoadFromFile(Files, SettingsPath);
        Settings = ReadClientSettings(list);
    }
    // Fixed in the folder of the start: the current folder changes before the first line from
    // the server is logged, and one start's log must stay one file.
    LogPath = ExpandFileName(Files.CurrentDirectory(),
                             MakeLogPath(SettingsPath, Env.Time.LocalTime(Env.Time.Now())));
    Log = std::make_unique<TOutputLog>(Files, Settings.LogEnabled, LogPath);

    Link.Address = Settings.Address;
    Link.Port = Settings.Port;
    Link.ProxyAddr = Settings.ProxyAddr;
    Link.ProxyPort = Settings.ProxyPort;
    Link.ProxyUserName = Settings.ProxyUserName;
    Link.ProxyPassword = Settings.ProxyPassword;
    Link.AutoSend = Settings.AutoSend;

    const std::vector<std::string> macroMessages =
        tolmix::LoadMacrosAndAliases(Files, SettingsPath, Macros, Aliases);

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

    StartMusic();

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
    Printer->Hooks.SendVersion = [this] { Link.SendVersion(); };
    Printer->Hooks.PlaySoundCommand = [this](const std::string& text) {
        Sound->PlaySoundCommand(text);
    };
    Printer->Hooks.StopMusic = [this] { Sound->StopMusic(); };
    Printer->Hooks.GameCode = [this](char letter, const std::string& argument) {
        Plugins.HandleGameCode(letter, argument);
    };

    StartEditor();

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
    // What went wrong with the macro and alias files, below the banner.
    for (const std::string& line : macroMessages)
        PrintLine(line);

    // The file types and the console palette, at every start; the first start from this
    // folder asks for a new start instead of connecting.
    ConsoleKeyExisted = RegisterSystem(Env.Registry, Files.ProgramPath());
    ApplyConsolePalette(Con);

    StartPlugins();
    Running = true;
    if (IsFirstRun())
        PrintFirstRunNotice([this](const std::string& text) { PrintLine(text); }, *Output);
    else
        Link.ConnectToServer();
}

TClient::~TClient() {
    Running = false;
    Plugins.UnloadPlugins();
    Con.Loop().KillTimer(StatusTimer);
    Con.Loop().KillTimer(CountdownTimer);
    Con.OnKey = nullptr;
    Con.OnIdle = nullptr;
    Con.OnPaste = nullptr;
    Aliases.clear();
    // The player waits for its stream to close, running the message pump: no key or idle
    // step reaches the half-destroyed client any more.
    Sound.reset();
    MidiOutputs.reset();
}

void TClient::StartMusic() {
    if (Env.OpenMidi)
        MidiOutputs = Env.OpenMidi(Settings.Midi);
    if (!MidiOutputs) {
        // No output at all: no device, so nothing sounds.
        static const MonotonicClock clock;
        MidiOutputs = std::make_unique<SoftwareMidiDevices>(nullptr, clock);
    }
    Sound = std::make_unique<SoundCommands>(Con, *MidiOutputs);
    Sound->Report = [this](const std::string& line) { PrintLine(line); };
}

void TClient::StartEditor() {
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
    Editor->Hooks.Connected = [this] { return Link.Connected(); };
    Editor->Hooks.ConnectToServer = [this] { Link.ConnectToServer(); };
    Editor->Hooks.SendLine = [this](const std::string& text) { Link.SendLine(text, true); };
    Editor->Hooks.ExpandAliases = [this](const std::string& text) {
        TExpandedText expanded = ExpandAliases(text);
        return ExpandedCommand{std::move(expanded.SendText), std::move(expanded.EditText)};
    };
    Editor->Hooks.DrawStatusPanel = [this] { DrawStatusPanel(); };

    Keys = std::make_unique<KeyDispatch>(*Editor, Layout.OutputRows);
    Keys->Hooks.RunKeyMacro = [this](const KeyEvent& key) { return RunKeyMacro(key); };
    Keys->Hooks.ScrollOutput = [this](bool down, int64_t count) {
        Output->ScrollOutput(down, count);
    };
    Keys->Hooks.LoadMacrosAndAliases = [this] { LoadMacrosAndAliases(); };
    Keys->Hooks.Connected = [this] { return Link.Connected(); };
    Keys->Hooks.Disconnect = [this] { Link.Disconnect(); };
    Keys->Hooks.Terminate = [this] { Con.Terminated = true; };
    // A paste from the terminal goes in like the clipboard's text, its lines ended by CR LF.
    Con.OnPaste = [this](const std::string& text) { Editor->InsertText(NormaliseLineEnds(text)); };
}

void TClient::StartPlugins() {
    // From here on the program's folder is the current one: names that were relative to the
    // folder the program started in are fixed now, so that reading the settings file again
    // finds the same file.
    const std::string startFolder = Files.CurrentDirectory();
    if (!startFolder.empty())
        SettingsPath = ExpandFileName(startFolder, SettingsPath);
    ProgramDir = ExtractFilePath(Files.ProgramPath());
    if (ProgramDir.empty())
        ProgramDir = JoinPath(startFolder, "");
    PluginsDir = ProgramDir + "Plugins/";

    Host.Connected = [this] { return Link.Connected(); };
    Host.SendLine = [this](const std::string& text, bool convert) { Link.SendLine(text, convert); };
    Host.PrintLine = [this](const std::string& text) { PrintLine(text); };
    Host.CharName = [this] { return State.CharName; };
    Plugins.AppendOutput = [this](const std::string& text) { Output->AppendOutput(text); };
    Plugins.SendPluginList = [this] { Link.SendPluginList(); };
    Plugins.StartPlugins(PluginsDir, ProgramDir, *this);
}

void TClient::LoadMacrosAndAliases() {
    for (const std::string& line :
         tolmix::LoadMacrosAndAliases(Files, SettingsPath, Macros, Aliases, MissingFiles::Report))
        PrintLine(line);
}

bool TClient::RunKeyMacro(const KeyEvent& key) {
    KeyMacroHooks hooks;
    hooks.Connected = [this] { return Link.Connected(); };
    hooks.SendLine = [this](const std::string& text) { Link.SendLine(text, true); };
    hooks.ReplaceEditText = [this](const std::string& text) { Editor->ReplaceEditText(text); };
    hooks.Report = [this](const std::string& line) { PrintLine(line); };
    return tolmix::RunKeyMacro(key, Macros, Aliases, hooks);
}

TExpandedText TClient::ExpandAliases(std::string_view text) {
    return tolmix::ExpandAliases(Aliases, text,
                                 [this](const std::string& line) { PrintLine(line); });
}

std::vector<PluginDetails> TClient::PluginList() {
    std::vector<PluginDetails> list;
    for (const TPluginEntry& entry : Plugins.LoadedPlugins) {
        TGamePlugin* plugin = entry.Plugin.get();
        if (plugin)
            list.push_back({CallPlugin([&] { return plugin->GetName(); }),
                            CallPlugin([&] { return plugin->GetDetails(); })});
    }
    return list;
}

uint64_t TClient::GetWindowHandle() {
    return Host.GetWindowHandle();
}

std::string TClient::GetCharName() {
    return Host.GetCharName();
}

void TClient::ProcessIdle() {
    Host.ProcessIdle();
}

void TClient::SendGameData(const std::string& data) {
    Host.SendGameData(data);
}

void TClient::SendGameText(uint8_t channel, const std::string& text) {
    Host.SendGameText(channel, text);
}

void TClient::SendGameFinish() {
    Host.SendGameFinish();
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
    return Link.PollSocket();
}

void TClient::PrintLine(const std::string& text) {
    Printer->PrintLine(text);
}

void TClient::AppendLog(const std::string& text) {
    Log->AppendLog(text);
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
