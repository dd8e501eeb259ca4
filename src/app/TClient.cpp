#include "app/TClient.h"

#include "app/ConsolePalette.h"
#include "app/FirstRunNotice.h"
#include "app/InOutError.h"
#include "app/PartOptions.h"
#include "app/SystemRegistration.h"
#include "text/CodePage.h"
#include "text/ProgramName.h"
#include "text/ServerCodePage.h"
#include "util/FilePaths.h"

#include <new>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

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

// A file name (UTF-8, as the system gives it) as a line of Windows-1251 text shows it.
std::string PathForScreen(std::string_view path) {
    static const ServerCodePage Utf8(ServerEncoding::Utf8);
    std::string storage;
    return std::string(Utf8.DecodeReceived(path, true, storage));
}

// "Журнал: "
constexpr std::string_view LogOnText = "\xC6\xF3\xF0\xED\xE0\xEB: ";
// "Журнал выключен."
constexpr std::string_view LogOffText =
    "\xC6\xF3\xF0\xED\xE0\xEB \xE2\xFB\xEA\xEB\xFE\xF7\xE5\xED.";
// "Журнал не пишется: "
constexpr std::string_view LogFailedText =
    "\xC6\xF3\xF0\xED\xE0\xEB \xED\xE5 \xEF\xE8\xF8\xE5\xF2\xF1\xFF: ";
// "История команд не прочитана: ", "История команд не сохранена: "
constexpr std::string_view HistoryUnreadText =
    "\xC8\xF1\xF2\xEE\xF0\xE8\xFF \xEA\xEE\xEC\xE0\xED\xE4 \xED\xE5 "
    "\xEF\xF0\xEE\xF7\xE8\xF2\xE0\xED\xE0: ";
constexpr std::string_view HistoryUnsavedText =
    "\xC8\xF1\xF2\xEE\xF0\xE8\xFF \xEA\xEE\xEC\xE0\xED\xE4 \xED\xE5 "
    "\xF1\xEE\xF5\xF0\xE0\xED\xE5\xED\xE0: ";

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
      Log(std::make_unique<OutputLog>(Files, Settings.LogEnabled, LogPath,
                                      Files.Style() == PathStyle::Windows ? "\r\n" : "\n")),
      Screen(MakeScreenOptions(Settings)), Layout(StartLayout()), Clock(environment.Time),
      Output(MakeOutput()),
      Panel(std::make_unique<StatusPanel>(
          Surface, Window, Input.Loop(), State, Clock,
          MakePanelOptions(Settings, Layout, Surface.GetBufferSize().X, Env.Locale))),
      Printer(Surface, *Output, State, Clock, *Panel, *this, Settings.FlashActivity,
              Env.Locale.DecimalSeparator,
              {.On = Settings.LocalEcho, .Colour = Settings.EchoColor}),
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

    if (!Env.StateFolder.empty())
        History.emplace(Files, Env.StateFolder,
                        ExpandFileName(Files.CurrentDirectory(), SettingsPath, Files.Style()));
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
    LoadHistory();

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
    try {
        Printer.EndOpenPrompt();
        SaveHistory();
    } catch (...) {
        // The program ends anyway; the file keeps what it had.
    }
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
        auto output = std::make_unique<OutputBuffer>(
            Surface, width, Settings.OutputSize, Layout.SeparatorRow,
            Settings.WordWrap ? WrapMode::AtWords : WrapMode::AtEdge);
        output->UseSplitView(Settings.SplitView, Settings.SeparatorColor, Settings.NameColor);
        return output;
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
    Search = std::make_unique<ScrollbackSearch>(*Output);
    SearchRow = std::make_unique<SearchLine>(Surface, *Search, *Editor, *EditorScreen);
    Keys = std::make_unique<KeyDispatch>(Input, *Editor, *Output, Link, MacroStep, *SearchRow,
                                         Layout.OutputRows, static_cast<LogSwitch&>(*this));
    NewRowsMark = std::make_unique<ScrollbackMark>(Surface, *Output, *Panel);
    OutputCopy = std::make_unique<MouseCopy>(Surface, *Output, Clip);
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
    // The rows of the prompt printed last are wrapped again: no command joins them now.
    Printer.EndOpenPrompt();
    Layout = DrawLayout(Surface, Screen);
    const int width = Surface.GetBufferSize().X;
    Search->BeforeResize();
    // The rows are numbered anew: what was selected is no longer where it was.
    OutputCopy->Clear();
    Output->Resize(width, Layout.OutputRows);
    Search->AfterResize();
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
    OutputCopy->KeyPressed(key);
    return Keys->HandleKey(key);
}

bool TClient::Idle() {
    return Link.PollSocket();
}

void TClient::Paste(const std::string& text, uint64_t leftOut) {
    if (Search->Active())
        Search->Insert(text);
    else
        Editor->Paste(text, leftOut);
}

void TClient::Wheel(bool down, int64_t rows) {
    Output->ScrollOutput(down, rows);
}

void TClient::Mouse(const MouseEvent& event) {
    OutputCopy->HandleMouse(event);
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
    // What was typed for a connection lasts from its end on, should the program never get to
    // its own end.
    try {
        SaveHistory();
    } catch (...) {
        // Nothing here raises: the connection's end goes on.
    }    // A log a failure switched off tries again, and tells again when it fails, once a
    // connection: lines are never lost without a word.
    Log->TryAgainAfterFailure();
}

bool TClient::Logging() const {
    return Log->On();
}

void TClient::AppendLog(const std::string& text) {
    const int error = Log->AppendLog(text);
    if (error == 0)
        return;
    // Shown but not logged: the log is off now.
    Output->AppendMessage(AnsiToConsole("\x89" + std::string(LogFailedText) +
                                        PathForScreen(Log->Path()) + ": " +
                                        InOutErrorText(error) + "\x87"));
}

void TClient::ToggleLog() {
    if (Log->On()) {
        // The last line the log keeps.
        Printer.PrintLine(std::string(LogOffText));
        Log->SwitchOff();
        return;
    }
    Log->SwitchOn();
    Printer.PrintLine(std::string(LogOnText) + PathForScreen(Log->Path()));
}

void TClient::LoadHistory() {
    if (!History)
        return;
    HistoryFile::Reading reading = History->Load();
    if (!reading.Problem.empty()) {
        Printer.PrintLine("\x89" + std::string(HistoryUnreadText) +
                          PathForScreen(History->Path()) + ": " + reading.Problem + "\x87");
        return;
    }
    Editor->LoadHistory(reading.Entries);
    for (int32_t i = 0; i < Editor->History().Count(); ++i)
        HistoryKept.push_back(Editor->History().At(i));
}

void TClient::SaveHistory() {
    if (!History || !Editor)
        return;
    const CommandHistory& commands = Editor->History();
    std::vector<std::string> entries;
    entries.reserve(static_cast<size_t>(commands.Count()));
    for (int32_t i = 0; i < commands.Count(); ++i)
        entries.push_back(commands.At(i));
    if (entries == HistoryKept)
        return;
    const int error = History->Save(entries);
    if (error == 0)
        HistoryKept = std::move(entries);
    if (error == 0 || std::exchange(HistoryFailureTold, true))
        return;
    // At the program's end the screen is going: the diagnostics file keeps the reason.
    Env.Diagnostics.Note("command history not saved: " + History->Path() + ": " +
                         InOutErrorText(error));
    Output->AppendMessage(AnsiToConsole("\x89" + std::string(HistoryUnsavedText) +
                                        PathForScreen(History->Path()) + ": " +
                                        InOutErrorText(error) + "\x87"));
}

void TClient::BeginEditMode(const std::string& text) {
    Editor->BeginEditMode(text);
}

} // namespace tolmix
