#include "app/TClient.h"

#include "app/ConsolePalette.h"
#include "app/FirstRunNotice.h"
#include "app/PartOptions.h"
#include "app/SystemRegistration.h"
#include "text/CodePage.h"
#include "text/ProgramName.h"
#include "util/FilePaths.h"

#include <new>
#include <stdexcept>
#include <string>

namespace tolmix {

namespace {

// The banner's notice after the program's name, Windows-1251:
// " - клиент текстовой игры. F10 - выход, PgUp - прокрутка."
constexpr std::string_view BannerNotice =
    " - \xEA\xEB\xE8\xE5\xED\xF2 \xF2\xE5\xEA\xF1\xF2\xEE\xE2\xEE\xE9 \xE8\xE3\xF0\xFB. F10 - "
    "\xE2\xFB\xF5\xEE\xE4, PgUp - \xEF\xF0\xEE\xEA\xF0\xF3\xF2\xEA\xE0.";

// The settings file's values; a name that is no file gives the defaults (the macro files'
// reading, which reads the settings again, says so).
ClientSettings ReadSettingsFile(FileSystem& files, const std::string& path) {
    TTolmixStringList list;
    list.LoadFromFile(files, path);
    return ReadClientSettings(list);
}

// The start-up's largest blocks of memory follow the settings; when one cannot be had the
// player learns which settings to lower, and in which file.
[[noreturn]] void OutOfMemoryFor(const std::string& what, const std::string& settingsPath) {
    throw std::runtime_error("out of memory for " + what + " set in " + settingsPath);
}

} // namespace

TClient::TClient(TConsole& console, ClientEnvironment& environment, int argc,
                 const char* const* argv)
    : Surface(console.Screen()), Input(console.Input()), Clip(console.Clipboard()),
      Window(console.Window()), Palette(console.Palette()), Env(environment),
      Files(environment.Files), SettingsPath(ChooseSettingsPath(Files, argc, argv)),
      Settings(ReadSettingsFile(Files, SettingsPath)),
      // Fixed in the folder of the start: the current folder changes before the first line
      // from the server is logged, and one start's log must stay one file.
      LogPath(ExpandFileName(Files.CurrentDirectory(),
                             MakeLogPath(SettingsPath, Env.Time.LocalTime(Env.Time.Now())))),
      Log(std::make_unique<OutputLog>(Files, Settings.LogEnabled, LogPath)),
      Screen(MakeScreenOptions(Settings)), Layout(StartLayout()), Clock(environment.Time),
      Output(MakeOutput()),
      Panel(std::make_unique<StatusPanel>(
          Surface, Window, Input.Loop(), State, Clock,
          MakePanelOptions(Settings, Layout, Surface.GetBufferSize().X, Env.Locale))),
      Printer(Surface, *Output, State, Clock, *Panel, *this, Settings.FlashActivity,
              Env.Locale.DecimalSeparator),
      MidiOutputs(Env.Midi.OpenMidi(Settings.Midi)),
      Sound(std::make_unique<SoundCommands>(Input, *MidiOutputs, Printer)),
      // Connecting and sending wait in the input loop, which keeps watching the keys and signals.
      Link(Printer, *this, Input, Env.Net, Input.Loop(), Settings.Server,
           {.Terminal = *this,
            .TerminalType = Env.TerminalType,
            .Inflaters = ZlibInflaters()}),
      MacrosAndAliases(Files, SettingsPath, Link, Printer, Env.CpuTime), SteadyTime(Input.Loop()),
      Triggers(MacrosAndAliases.Triggers, SteadyTime, Env.CpuTime),
      TriggerRun(Triggers, {.Aliases = MacrosAndAliases,
                            .Link = Link,
                            .Printer = Printer,
                            .Sound = *Sound,
                            .Loop = Input.Loop()}),
      MacroStep(MacrosAndAliases, TriggerRun),
      // A plugin's text on channel 0 is taken like the server's.
      Host(*this, Window, Link, Printer.PluginLines(), State.CharName),
      // Empty until the plugins start; the game codes find none before.
      Plugins(std::make_unique<GamePlugins>(Files, Env.Modules, Link, *Output, Env.Diagnostics,
                                            Env.PluginWatch)) {
    const std::vector<std::string> macroMessages = MacrosAndAliases.Load();
    Printer.UseTriggers(&TriggerRun);
    if (!Settings.MouseWheel)
        Window.SetMouseReporting(false);

    StartEditor();

    Editor->ClearEditor();

    State.CharName.clear();
    for (int i = Level; i <= ManaMax; ++i)
        State.Status[i] = 0;
    Panel->DrawStatusPanel();

    Output->UseAttr(0x4E);
    Printer.PrintLine(std::string(ProgramTitle) + std::string(BannerNotice));
    Output->UseAttr(7);
    // A mistyped settings file is told before anything is connected to.
    if (const std::optional<std::string> missing = MissingSettingsFileLine(Files, argc, argv))
        Printer.PrintLine(*missing);
    // What went wrong with the macro and alias files, below the banner.
    for (const std::string& line : macroMessages)
        Printer.PrintLine(line);
    for (const std::string& line : Settings.Notes)
        Printer.PrintLine(line);

    ProgramDir = ExtractFilePath(Files.ProgramPath());
    if (ProgramDir.empty())
        ProgramDir = JoinPath(Files.CurrentDirectory(), "");
    Placement = LocateProgram(Files, ProgramDir, Env.UserDataFolder);
    // The file types and the console palette, at every start; the first start from this
    // folder asks for a new start instead of connecting. An installed program's package
    // registers its file types and desktop entry for every user. A failed write is one red line.
    const RegistrationOutcome registration = RegisterSystemOrReport(
        Env.Registry, Files.ProgramPath(),
        Placement.Installed ? FileTypes::LeftToPackage : FileTypes::Register);
    ConsoleKeyExisted = registration.ConsoleKeyExisted;
    if (!registration.Failure.empty())
        Printer.PrintLine("\x89" + registration.Failure);
    ApplyConsolePalette(Palette);

    StartPlugins();
    if (IsFirstRun())
        PrintFirstRunNotice([this](const std::string& text) { Printer.PrintLine(text); }, *Output,
                            Env.DemoWorld ? FirstRunWorld::DemoWorld : FirstRunWorld::Server);
    else
        Link.ConnectToServer();
}

TClient::~TClient() {
    if (Plugins)
        Plugins->UnloadPlugins();
    // What the link prints while it goes reaches no triggers.
    Printer.UseTriggers(nullptr);
    MacrosAndAliases.Aliases.clear();
    // The player waits for its stream to close, running the message pump: no pass of the input
    // loop serves the half-destroyed client any more, so the input it reads is only kept.
    Sound.reset();
    MidiOutputs.reset();
}

ScreenLayout TClient::StartLayout() {
    // A screen too short for the editor gets a smaller one, never a negative output window;
    // the setting stays, for a terminal that grows.
    try {
        return StartScreen(Surface, Window, Screen);
    } catch (const std::bad_alloc&) {
        OutOfMemoryFor("a screen of SizeX=" + std::to_string(Settings.SizeX) +
                           " by SizeY=" + std::to_string(Settings.SizeY),
                       ExpandFileName(Files.CurrentDirectory(), SettingsPath));
    }
}

std::unique_ptr<OutputBuffer> TClient::MakeOutput() {
    const int width = Surface.GetBufferSize().X;
    try {
        return std::make_unique<OutputBuffer>(Surface, width, Settings.OutputSize,
                                              Layout.SeparatorRow);
    } catch (const std::bad_alloc&) {
        OutOfMemoryFor("the output window's OutputSize=" + std::to_string(Settings.OutputSize) +
                           " rows of " + std::to_string(width) + " columns",
                       ExpandFileName(Files.CurrentDirectory(), SettingsPath));
    }
}

void TClient::StartEditor() {
    Editor =
        std::make_unique<InputEditor>(MakeEditorOptions(Settings, Layout, Surface.GetBufferSize().X),
                                      Clip, Link, MacrosAndAliases, *Output, *Panel);
    EditorScreen = std::make_unique<EditorView>(Surface, *Editor);
    Keys = std::make_unique<KeyDispatch>(Input, *Editor, *Output, Link, MacroStep,
                                         Layout.OutputRows);
    NewRowsMark = std::make_unique<ScrollbackMark>(Surface, *Output, *Panel);
}

void TClient::StartPlugins() {
    // From here on the program's folder is the current one: names that were relative to the
    // folder the program started in are fixed now, so that reading the settings file again
    // finds the same file.
    const std::string startFolder = Files.CurrentDirectory();
    if (!startFolder.empty())
        SettingsPath = ExpandFileName(startFolder, SettingsPath);
    Plugins->StartPlugins(Placement.PluginFolders, ProgramDir, Host);
}

void TClient::ScreenResized() {
    Layout = DrawLayout(Surface, Screen);
    const int width = Surface.GetBufferSize().X;
    Output->Resize(width, Layout.OutputRows);
    Output->DrawOutput();
    Keys->SetOutputRows(Layout.OutputRows);
    Panel->Relayout(width, Layout.SeparatorRow, Layout.PanelRow);
    Panel->DrawStatusPanel();
    Panel->DrawGameClock(Clock.GameClockNow());
    Panel->DrawCountdown();
    NewRowsMark->Invalidate();
    Editor->Relayout(width, Layout.EditorTop, Layout.EditorLines);
    Link.OutputWindowResized();
}

WindowSize TClient::OutputWindowSize() const {
    return {Surface.GetBufferSize().X, Layout.OutputRows};
}

void TClient::RunLoopPass(bool receive) {
    // Called by a plugin: the client's own loop runs here, while the plugin's code waits
    // further up the stack.
    {
        const PluginLoopPassScope pass(Env.PluginWatch);
        Input.Pass(*this, receive);
    }
    if (Input.LoopEnded())
        Env.PluginWatch.QuitPending();
}

void TClient::SendVersion() {
    Link.SendVersion();
}

void TClient::PlaySoundCommand(const std::string& text) {
    Sound->PlaySoundCommand(text);
}

void TClient::StopMusic() {
    Sound->StopMusic();
}

void TClient::GameCode(char letter, const std::string& argument) {
    Plugins->HandleGameCode(letter, argument);
}

bool TClient::HandleKey(const KeyEvent& key) {
    return Keys->HandleKey(key);
}

bool TClient::Idle() {
    return Link.PollSocket();
}

void TClient::Paste(const std::string& text, uint64_t leftOut) {
    Editor->Paste(text, leftOut);
}

void TClient::Wheel(bool down, int64_t rows) {
    Output->ScrollOutput(down, rows);
}

void TClient::ServerEchoChanged(bool serverEchoes) {
    Editor->ServerEchoChanged(serverEchoes);
}

void TClient::ServerEchoLost() {
    Editor->ServerEchoLost();
}

void TClient::ConnectionEnded() {
    if (Plugins)
        Plugins->EndGameWithConnection();
}

void TClient::AppendLog(const std::string& text) {
    // A log that keeps failing is reported again on every connection.
    if (Link.ConnectionNumber() != LoggedConnection) {
        LoggedConnection = Link.ConnectionNumber();
        Log->NewConnection();
    }
    Log->AppendLog(text);
}

void TClient::BeginEditMode(const std::string& text) {
    Editor->BeginEditMode(text);
}

} // namespace tolmix
