#include "app/ProgramLayout.h"
#include "app/ProgramOptions.h"
#include "app/TClient.h"
#include "platform/posix/DemoWorldProcess.h"
#include "platform/posix/PluginWatchdog.h"
#include "platform/posix/PosixClipboard.h"
#include "platform/posix/PosixEventLoop.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixLocale.h"
#include "platform/posix/PosixModuleLoader.h"
#include "platform/posix/PosixNetwork.h"
#include "platform/posix/PosixTerminal.h"
#include "platform/posix/StandardErrorCapture.h"
#include "platform/posix/StandardErrorNotes.h"
#include "platform/posix/SystemMidiDevices.h"
#include "platform/posix/ThreadCpuClock.h"
#include "platform/posix/XdgDesktopRegistry.h"
#include "platform/vt/Charsets.h"
#include "ui/TConsole.h"
#include "util/FilePaths.h"

#include <chrono>
#include <cstdio>
#include <exception>
#include <new>
#include <optional>
#include <string>
#include <unistd.h>

using namespace tolmix;

namespace {

constexpr std::size_t DiagnosticsLimit = 1 << 20;
// How long the demo world may take to listen, on a machine busy with other work.
constexpr std::chrono::milliseconds DemoWorldStartLimit{10000};

// "нет программы демонстрационного мира"
constexpr std::string_view DemoWorldMissing =
    "\xED\xE5\xF2 \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xFB \xE4\xE5\xEC\xEE\xED\xF1\xF2\xF0\xE0\xF6"
    "\xE8\xEE\xED\xED\xEE\xE3\xEE \xEC\xE8\xF0\xE0 / the demo world's program is missing";
// "демонстрационный мир не запустился"
constexpr std::string_view DemoWorldNotStarted =
    "\xE4\xE5\xEC\xEE\xED\xF1\xF2\xF0\xE0\xF6\xE8\xEE\xED\xED\xFB\xE9 \xEC\xE8\xF0 \xED\xE5 "
    "\xE7\xE0\xEF\xF3\xF1\xF2\xE8\xEB\xF1\xFF / the demo world did not start";
// "не записать настройки демонстрационного мира"
constexpr std::string_view DemoSettingsUnwritten =
    "\xED\xE5 \xE7\xE0\xEF\xE8\xF1\xE0\xF2\xFC \xED\xE0\xF1\xF2\xF0\xEE\xE9\xEA\xE8 \xE4\xE5\xEC"
    "\xEE\xED\xF1\xF2\xF0\xE0\xF6\xE8\xEE\xED\xED\xEE\xE3\xEE \xEC\xE8\xF0\xE0 / cannot write the "
    "demo world's settings";

// Windows-1251 text on a stream of the UTF-8 terminal.
void Write(std::FILE* stream, std::string_view text) {
    const std::string utf8 = vt::Cp1251ToUtf8(text);
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
    std::fflush(stream);
}

int Fail(std::string_view what, const std::string& reason) {
    Write(stderr, "tolmix-client: " + std::string(what) + ": " + reason + "\n");
    return 1;
}

// The system's MIDI outputs, opened when music first plays.
class SystemMidiOpener final : public MidiOpener {
  public:
    std::unique_ptr<MidiDevices> OpenMidi(const MidiSinkSettings& settings) override {
        return std::make_unique<posix::SystemMidiDevices>(settings);
    }
};

// The watchdog's way out while a plugin holds the main thread: the terminal back, a line in the
// diagnostics file, and the process gone at once.
[[noreturn]] void EndWhilePluginHangs(const std::string& reason) {
    posix::PosixTerminal::RestoreFromAnyThread();
    const std::string line = "tolmix-client: ended on " + reason + "\n";
    [[maybe_unused]] const ssize_t n = ::write(2, line.data(), line.size());
    ::_exit(0);
}

// Runs the client; every object it makes is gone, and the terminal restored, when it returns
// or throws.
void RunClient(const posix::XdgFolders& folders, const char* program,
               const std::optional<std::string>& settingsFile, bool demoWorld = false) {
    // The client reads the settings file as its first argument.
    const char* argv[] = {program, settingsFile ? settingsFile->c_str() : nullptr, nullptr};
    const int argc = settingsFile ? 2 : 1;
    // Made first and gone last: nothing written to standard error while the screen is the
    // client's reaches the screen.
    posix::StandardErrorCapture diagnostics(posix::DiagnosticsFilePath(folders.StateHome),
                                            DiagnosticsLimit);
    // A plugin's printf goes there too; the screen is drawn on what standard output was.
    const int screenOutput = diagnostics.CaptureStandardOutput();
    posix::StandardErrorNotes notes;
    posix::PosixEventLoop loop;
    posix::PosixTerminal terminal(loop, 0, screenOutput);
    posix::PluginWatchdog watchdog(0, EndWhilePluginHangs);
    posix::PosixClipboard clipboard(terminal);
    posix::PosixFileSystem files;
    TConsole console(terminal, loop, clipboard);
    SystemWallClock wallClock;
    posix::PosixNetwork network;
    posix::PosixModuleLoader modules;
    posix::XdgDesktopRegistry registry(folders);
    SystemMidiOpener midi;
    posix::ThreadCpuClock cpuTime;
    ClientEnvironment environment{.Files = files,
                                  .Time = wallClock,
                                  .Locale = posix::ReadSystemLocale(),
                                  .Net = network,
                                  .Modules = modules,
                                  .Registry = registry,
                                  .CpuTime = cpuTime,
                                  .Midi = midi,
                                  .UserDataFolder = folders.DataHome,
                                  .Diagnostics = notes,
                                  .PluginWatch = watchdog,
                                  .TerminalType = posix::TerminalTypeFromEnvironment(),
                                  .StateFolder = folders.StateHome.empty()
                                                     ? std::string()
                                                     : JoinPath(folders.StateHome,
                                                                "tolmix-client"),
                                  .DemoWorld = demoWorld};
    // The client connects while it is made, waiting in the input loop, which runs it after.
    TClient client(console, environment, argc, argv);
    console.Run(client);
}

// The demo world on a free port of 127.0.0.1, its settings file in the player's state folder,
// and the client pointed at it; the world ends with the client.
int PlayDemo(const posix::XdgFolders& folders, const char* program) {
    posix::PosixFileSystem files;
    const ProgramLayout layout =
        LocateProgram(files, ExtractFilePath(files.ProgramPath()), folders.DataHome);
    std::string failure;
    const std::string state = posix::MakeDemoFolder(folders.StateHome, failure);
    if (state.empty())
        return Fail(DemoSettingsUnwritten, failure);
    posix::DemoWorldProcess::StartResult started = posix::DemoWorldProcess::Start(
        layout.DemoWorld, JoinPath(state, "server.log"), DemoWorldStartLimit);
    if (!started.World) {
        return Fail(started.Why == posix::DemoWorldProcess::Failure::ProgramMissing
                        ? DemoWorldMissing
                        : DemoWorldNotStarted,
                    started.Reason);
    }
    const std::string settings = JoinPath(state, "demo.tcf");
    const std::string text =
        "Address=127.0.0.1\r\nPort=" + std::to_string(started.World->Port()) + "\r\n";
    if (!posix::WriteDemoFile(settings, text, failure))
        return Fail(DemoSettingsUnwritten, failure);
    RunClient(folders, program, settings, true);
    return 0;
}

int Run(int argc, char** argv) {
    const ParsedOptions parsed = ParseProgramOptions(argc, argv);
    if (!parsed.Options) {
        Write(stderr, "tolmix-client: " + parsed.Error + "\n\n" + std::string(UsageText()));
        return ExitWrongUsage;
    }
    const char* program = argc > 0 && argv[0] ? argv[0] : "tolmix-client";
    switch (parsed.Options->Run) {
    case ProgramOptions::Action::Help:
        Write(stdout, UsageText());
        return ExitUsageShown;
    case ProgramOptions::Action::Version:
        Write(stdout, VersionText());
        return ExitUsageShown;
    case ProgramOptions::Action::Demo:
        return PlayDemo(posix::XdgFoldersFromEnvironment(), program);
    case ProgramOptions::Action::Play:
        break;
    }
    RunClient(posix::XdgFoldersFromEnvironment(), program, parsed.Options->SettingsFile);
    return 0;
}

} // namespace

int main(int argc, char** argv) {
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "tolmix-client: out of memory\n");
        return 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "tolmix-client: %s\n", error.what());
        return 1;
    } catch (...) {
        std::fprintf(stderr, "tolmix-client: an unknown error ended the program\n");
        return 1;
    }
}
