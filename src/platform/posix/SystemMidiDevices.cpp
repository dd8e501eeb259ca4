#include "platform/posix/SystemMidiDevices.h"
#include "platform/posix/MidiSinks.h"

namespace tolmix::posix {

SystemMidiDevices::SystemMidiDevices(MidiSinkSettings settings) : Settings(std::move(settings)) {}

SystemMidiDevices::~SystemMidiDevices() {
    Software.reset();
    Sink.reset();
}

SoftwareMidiDevices& SystemMidiDevices::Devices() const {
    if (!Software) {
        OpenedMidiSink opened = OpenMidiSink(Settings);
        Sink = std::move(opened.Sink);
        Opened = std::move(opened.Description);
        Software = std::make_unique<SoftwareMidiDevices>(Sink.get(), Clock);
    }
    return *Software;
}

uint32_t SystemMidiDevices::NumDevs() const {
    return Devices().NumDevs();
}

MMRESULT SystemMidiDevices::TestOpen(uint32_t deviceId) {
    return Devices().TestOpen(deviceId);
}

MMRESULT SystemMidiDevices::OpenStream(uint32_t deviceId, const MidiNotifyTarget& target,
                                       std::unique_ptr<MidiStream>& stream) {
    return Devices().OpenStream(deviceId, target, stream);
}

} // namespace tolmix::posix
