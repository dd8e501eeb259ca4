#include "platform/SoftwareMidiDevices.h"

namespace tolmix {

SoftwareMidiDevices::SoftwareMidiDevices(MidiSink* sink, const Clock& clock,
                                         SoftwareMidiStream::Timing timing)
    : Sink(sink), Time(clock), StreamTiming(timing) {}

SoftwareMidiDevices::~SoftwareMidiDevices() = default;

MMRESULT SoftwareMidiDevices::CheckDevice(uint32_t deviceId) const {
    if (!Sink)
        return MmNoDriver;
    if (deviceId != 0 && deviceId != MidiMapper)
        return MmBadDeviceId;
    return MmNoError;
}

MMRESULT SoftwareMidiDevices::TestOpen(uint32_t deviceId) {
    if (const MMRESULT result = CheckDevice(deviceId))
        return result;
    return Open ? MmAllocated : MmNoError;
}

MMRESULT SoftwareMidiDevices::OpenStream(uint32_t deviceId, const MidiNotifyTarget& target,
                                         std::unique_ptr<MidiStream>& stream) {
    if (const MMRESULT result = CheckDevice(deviceId))
        return result;
    if (Open)
        return MmAllocated;
    auto opened = std::make_unique<SoftwareMidiStream>(*Sink, Time, target, StreamTiming,
                                                       [this] { Open = nullptr; });
    Open = opened.get();
    opened->NotifyOpen();
    stream = std::move(opened);
    return MmNoError;
}

std::optional<TimePoint> SoftwareMidiDevices::Service(TimePoint now) {
    return Open ? Open->Service(now) : std::nullopt;
}

} // namespace tolmix
