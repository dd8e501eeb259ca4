#include "app/TClient.h"
#include "platform/posix/PosixClipboard.h"
#include "platform/posix/PosixEventLoop.h"
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixLocale.h"
#include "platform/posix/PosixModuleLoader.h"
#include "platform/posix/PosixNetwork.h"
#include "platform/posix/PosixTerminal.h"
#include "platform/posix/StandardErrorCapture.h"
#include "platform/posix/SystemMidiDevices.h"
#include "platform/posix/ThreadCpuClock.h"
#include "platform/posix/XdgDesktopRegistry.h"
#include "ui/TConsole.h"

#include <cstdio>
#include <exception>
#include <new>

using namespace tolmix;

namespace {

constexpr std::size_t DiagnosticsLimit = 1 << 20;

// The system's MIDI outputs, opened when music first plays.
class SystemMidiOpener final : public MidiOpener {
  public:
    std::unique_ptr<MidiDevices> OpenMidi(const MidiSinkSettings& settings) override {
        return std::make_unique<posix::SystemMidiDevices>(settings);
    }
};

// Runs the client; every object it makes is gone, and the terminal restored, when it returns
// or throws.
void RunClient(int argc, const char* const* argv) {
    const posix::XdgFolders folders = posix::XdgFoldersFromEnvironment();
    // Made first and gone last: nothing written to standard error while the screen is the
    // client's reaches the screen.
    posix::StandardErrorCapture diagnostics(posix::DiagnosticsFilePath(folders.StateHome),
                                            DiagnosticsLimit);
    posix::PosixEventLoop loop;
    posix::PosixTerminal terminal(loop);
    posix::PosixClipboard clipboard(terminal);
    posix::PosixFileSystem files;
    TConsole console(terminal, loop, clipboard);
    SystemWallClock wallClock;
    posix::PosixNetwork network;
    posix::PosixModuleLoader modules;
    posix::XdgDesktopRegistry registry(folders);
    SystemMidiOpener midi;
    posix::ThreadCpuClock cpuTime;
    ClientEnvironment environment{
        files, wallClock, posix::ReadSystemLocale(), network, modules, registry, cpuTime, &midi};
    TClient client(console, environment, argc, argv);
    console.Run();
}

} // namespace

int main(int argc, char** argv) {
    try {
        RunClient(argc, argv);
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
    return 0;
}
