// The Windows entry point: the wide command line, so that a settings path in any letters reaches
// the client intact (as UTF-8, the client's file-name encoding).
#include "app/TClient.h"
#include "platform/win32/RunningMark.h"
#include "platform/win32/SessionEndWindow.h"
#include "platform/win32/StartupError.h"
#include "platform/win32/ThreadCpuClock.h"
#include "platform/win32/Win32Clipboard.h"
#include "platform/win32/Win32Console.h"
#include "platform/win32/Win32EventLoop.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32Locale.h"
#include "platform/win32/Win32ModuleLoader.h"
#include "platform/win32/Win32Network.h"
#include "platform/win32/Win32Registry.h"
#include "platform/win32/WinText.h"
#include "platform/win32/WinmmMidiDevices.h"
#include "ui/TConsole.h"
#include "util/FilePaths.h"

#include <exception>
#include <new>
#include <string>
#include <vector>

using namespace tolmix;

namespace {

// The multimedia system's MIDI output, opened when music first plays.
class WinmmMidiOpener final : public MidiOpener {
  public:
    std::unique_ptr<MidiDevices> OpenMidi(const MidiSinkSettings&) override {
        return std::make_unique<win32::WinmmMidiDevices>();
    }
};

// %LOCALAPPDATA%\Tolmix Client, or nowhere when the system names no such folder.
std::string StateFolder() {
    const std::string local = win32::LocalAppDataFolder();
    return local.empty() ? std::string() : JoinPath(local, "Tolmix Client");
}

// Runs the client; every object it makes is gone, and the console restored, when it returns
// or throws.
void RunClient(int argc, const char* const* argv) {
    win32::RunningMark running;
    win32::SessionEndWindow sessionEnd; // outlives the loop that it ends
    win32::Win32EventLoop loop;
    win32::Win32Console terminal(loop);
    win32::Win32Clipboard clipboard;
    win32::Win32FileSystem files;
    TConsole console(terminal, loop, clipboard);
    SystemWallClock wallClock;
    win32::Win32Network network;
    win32::Win32ModuleLoader modules;
    win32::Win32Registry registry;
    WinmmMidiOpener midi;
    win32::ThreadCpuClock cpuTime;
    // No diagnostics file and no watch on plugin calls here.
    NoDiagnostics notes;
    NoPluginCallWatch unwatched;
    ClientEnvironment environment{.Files = files,
                                  .Time = wallClock,
                                  .Locale = win32::ReadSystemLocale(),
                                  .Net = network,
                                  .Modules = modules,
                                  .Registry = registry,
                                  .CpuTime = cpuTime,
                                  .Midi = midi,
                                  .UserDataFolder = {},
                                  .Diagnostics = notes,
                                  .PluginWatch = unwatched,
                                  .StateFolder = StateFolder()};
    // The client connects while it is made, waiting in the input loop, which runs it after.
    TClient client(console, environment, argc, argv);
    console.Run(client);
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> arguments;
    std::vector<const char*> pointers;
    for (int i = 0; i < argc; ++i)
        arguments.push_back(win32::WideToUtf8(argv[i]));
    for (const std::string& argument : arguments)
        pointers.push_back(argument.c_str());
    pointers.push_back(nullptr);
    try {
        RunClient(argc, pointers.data());
    } catch (const std::bad_alloc&) {
        win32::ShowStartupError("out of memory");
        return 1;
    } catch (const std::exception& error) {
        win32::ShowStartupError(error.what());
        return 1;
    } catch (...) {
        win32::ShowStartupError("an unknown error ended the program");
        return 1;
    }
    return 0;
}
