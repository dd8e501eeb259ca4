#include "platform/posix/SystemMidiDevices.h"
#include "platform/posix/MidiSinks.h"

namespace tolmix::posix {

SystemMidiDevices::SystemMidiDevices(MidiSinkSettings settings)
    : Devices([settings = std::move(settings)] { return OpenMidiSink(settings); }, Clock) {}

} // namespace tolmix::posix
