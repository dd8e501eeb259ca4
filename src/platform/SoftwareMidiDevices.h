#pragma once

#include "platform/SoftwareMidiStream.h"

namespace tolmix {

// The MIDI outputs as the client has them: one device, a sink, played through software
// streams. Without a sink there is no device. One stream may be open at a time.
class SoftwareMidiDevices final : public MidiDevices {
  public:
    // The sink (which may be null) and the clock outlive the devices and their streams.
    SoftwareMidiDevices(MidiSink* sink, const Clock& clock,
                        SoftwareMidiStream::Timing timing = SoftwareMidiStream::Timing::OwnThread);
    ~SoftwareMidiDevices() override;
    SoftwareMidiDevices(const SoftwareMidiDevices&) = delete;
    SoftwareMidiDevices& operator=(const SoftwareMidiDevices&) = delete;

    uint32_t NumDevs() const override { return Sink ? 1 : 0; }
    MMRESULT TestOpen(uint32_t deviceId) override;
    MMRESULT OpenStream(uint32_t deviceId, const MidiNotifyTarget& target,
                        std::unique_ptr<MidiStream>& stream) override;

    // For Timing::Manual: services the open stream (see SoftwareMidiStream::Service).
    std::optional<TimePoint> Service(TimePoint now);
    bool HasOpenStream() const { return Open != nullptr; }

  private:
    MMRESULT CheckDevice(uint32_t deviceId) const;

    MidiSink* Sink;
    const Clock& Time;
    SoftwareMidiStream::Timing StreamTiming;
    SoftwareMidiStream* Open = nullptr;
};

} // namespace tolmix
