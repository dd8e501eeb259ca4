#pragma once

#include "platform/Clock.h"
#include "platform/DesktopRegistry.h"
#include "platform/DiagnosticsLog.h"
#include "platform/FileSystem.h"
#include "platform/MidiSink.h"
#include "platform/MidiStream.h"
#include "platform/ModuleLoader.h"
#include "platform/Network.h"
#include "platform/PluginCallWatch.h"
#include "platform/SystemLocale.h"

#include <memory>
#include <string>

namespace tolmix {

// Opens the MIDI outputs for the output the settings choose.
class MidiOpener {
  public:
    virtual ~MidiOpener() = default;
    // Never null: where nothing can sound, outputs that have no device.
    virtual std::unique_ptr<MidiDevices> OpenMidi(const MidiSinkSettings& settings) = 0;
};

// Opens outputs without a device, whatever the settings say: the server's music stays silent.
class NoMidiOpener final : public MidiOpener {
  public:
    std::unique_ptr<MidiDevices> OpenMidi(const MidiSinkSettings& settings) override;
};

// The parts of the system the client uses besides the console: the main block makes them for
// the running platform, tests make fakes.
struct ClientEnvironment {
    FileSystem& Files;
    const WallClock& Time;
    SystemLocale Locale;
    Network& Net;
    ModuleLoader& Modules;
    // Where the file types and the console palette are registered.
    DesktopRegistry& Registry;
    // The processor time the client's thread has spent, which bounds the aliases' work.
    const Clock& CpuTime;
    // The MIDI outputs for the output the settings choose.
    MidiOpener& Midi;
    // The player's data folder ($XDG_DATA_HOME), where an installed program finds the player's
    // own plugins; empty for none.
    std::string UserDataFolder;
    // Where lines about things left out go (the diagnostics file, or NoDiagnostics).
    DiagnosticsLog& Diagnostics;
    // Told of every call into plugin code, so that a plugin that never returns cannot keep the
    // player from ending the program (NoPluginCallWatch where nothing watches).
    PluginCallWatch& PluginWatch;
    // The terminal's type as the system names it (TERM), told to the server; empty: unknown.
    std::string TerminalType{};
    // Where the client keeps what lasts between runs for the player (the command histories):
    // $XDG_STATE_HOME/tolmix-client, %LOCALAPPDATA%\Tolmix Client; empty for nowhere.
    std::string StateFolder{};
    // The client plays the demo world it started, which ends when the client ends.
    bool DemoWorld = false;
};

} // namespace tolmix
