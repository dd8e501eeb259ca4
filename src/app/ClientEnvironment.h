#pragma once

#include "platform/Clock.h"
#include "platform/DesktopRegistry.h"
#include "platform/FileSystem.h"
#include "platform/MidiSink.h"
#include "platform/MidiStream.h"
#include "platform/ModuleLoader.h"
#include "platform/Network.h"
#include "platform/SystemLocale.h"

#include <memory>

namespace tolmix {

// Opens the MIDI outputs for the output the settings choose.
class MidiOpener {
  public:
    virtual ~MidiOpener() = default;
    virtual std::unique_ptr<MidiDevices> OpenMidi(const MidiSinkSettings& settings) = 0;
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
    // The MIDI outputs for the output the settings choose; without an opener the client has
    // none and the server's music stays silent.
    MidiOpener* Midi = nullptr;
};

} // namespace tolmix
