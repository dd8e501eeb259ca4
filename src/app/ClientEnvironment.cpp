#include "app/ClientEnvironment.h"
#include "platform/MonotonicClock.h"
#include "platform/SoftwareMidiDevices.h"

namespace tolmix {

std::unique_ptr<MidiDevices> NoMidiOpener::OpenMidi(const MidiSinkSettings&) {
    // Devices without a sink never open a stream, so their clock is never read; one clock
    // serves them all and outlives every one of them.
    static const MonotonicClock clock;
    return std::make_unique<SoftwareMidiDevices>(nullptr, clock);
}

} // namespace tolmix
