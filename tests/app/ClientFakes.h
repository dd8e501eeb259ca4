#pragma once

// Everything a client needs around it, made of fakes: the console (screen, input loop,
// clipboard) on a fake terminal and a manual-clock event loop, files in memory, a wall clock, a
// network, a module loader and a desktop registry that knows the program's folder, so that the
// client connects at start.
#include "app/ClientEnvironment.h"
#include "platform/DiagnosticsLog.h"
#include "platform/PluginCallWatch.h"
#include "support/FakeClipboard.h"
#include "support/FakeDesktopRegistry.h"
#include "support/FakeEventLoop.h"
#include "support/FakeFileSystem.h"
#include "support/FakeModuleLoader.h"
#include "support/FakeNetwork.h"
#include "support/FakeTerminal.h"
#include "support/FakeWallClock.h"
#include "support/ManualClock.h"
#include "support/ScreenText.h"
#include "ui/TConsole.h"

#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace tolmix::test {

// Opens outputs without a device, like NoMidiOpener, unless a test says what to open instead.
struct FakeMidiOpener final : MidiOpener {
    NoMidiOpener NoOutput;
    std::function<std::unique_ptr<MidiDevices>(const MidiSinkSettings&)> Open =
        [this](const MidiSinkSettings& settings) { return NoOutput.OpenMidi(settings); };
    std::unique_ptr<MidiDevices> OpenMidi(const MidiSinkSettings& settings) override {
        return Open(settings);
    }
};

struct ClientFakes {
    FakeTerminal Term;
    FakeEventLoop Loop;
    FakeClipboard Clip;
    FakeFileSystem Files;
    FakeWallClock Wall;
    FakeNetwork Net;
    FakeModuleLoader Modules;
    // Started from this folder before; a test of the first start empties Registry.Consoles.
    FakeDesktopRegistry Registry{Files.Program};
    // The aliases' processor time; it stands still unless a test moves it.
    ManualClock CpuTime;
    FakeMidiOpener Midi;
    NoDiagnostics Notes;
    NoPluginCallWatch Unwatched;
    ClientEnvironment Env{.Files = Files,
                          .Time = Wall,
                          .Locale = {},
                          .Net = Net,
                          .Modules = Modules,
                          .Registry = Registry,
                          .CpuTime = CpuTime,
                          .Midi = Midi,
                          .UserDataFolder = {},
                          .Diagnostics = Notes,
                          .PluginWatch = Unwatched};
    TConsole Con{Term, Loop, Clip};
    ConsoleScreen& Screen = Con.Screen();
    InputLoop& Input = Con.Input();

    // Whether the client holds a connection to the server: the last socket it made is open.
    bool ServerConnected() const { return !Net.Streams.empty() && !Net.Streams.back()->Closed; }

    // What the client can be seen doing from outside: its screen, its wire and its files. The
    // client-level tests look at it only through these.

    // Runs the input loop for the client, with the fake network's sockets watched, until every
    // queued key and every arrived packet is handled.
    void RunInput(LoopClient& client) {
        Loop.HandleReady = [this](PollHandle handle) { return Net.Ready(handle); };
        for (int i = 0; i < 50 && !Input.LoopEnded(); ++i) {
            Input.Step(client);
            if (Term.Input.empty() && (Net.Streams.empty() || Net.Streams.back()->Incoming.empty()))
                break;
        }
        if (!Input.LoopEnded())
            Input.Step(client);
    }
    // Queues the characters as key presses (without running the loop).
    void Type(std::string_view text) {
        for (char c : text)
            Term.Key(0, static_cast<uint8_t>(c));
    }
    // Everything sent on the last connection.
    std::string Wire() const { return Net.Streams.empty() ? "" : Net.Streams.back()->Sent; }
    std::string Row(int y) const { return test::RowText(Screen.Cells(), y); }
    // The first screen row holding the text, or -1.
    int RowWith(std::string_view text) const {
        for (int y = 0; y < Screen.Cells().Height; ++y)
            if (Row(y).find(text) != std::string::npos)
                return y;
        return -1;
    }
    bool ScreenHas(std::string_view text) const { return RowWith(text) >= 0; }
};

} // namespace tolmix::test
