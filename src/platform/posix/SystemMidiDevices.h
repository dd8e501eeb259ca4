#pragma once

#include "platform/MidiSink.h"
#include "platform/MonotonicClock.h"
#include "platform/SoftwareMidiDevices.h"

#include <memory>
#include <string>

namespace tolmix::posix {

// The machine's MIDI output as the client's devices. The output the settings choose is opened
// the first time the player asks for a device, so a game without music never starts a
// synthesizer or touches the sound system.
class SystemMidiDevices final : public MidiDevices {
  public:
    explicit SystemMidiDevices(MidiSinkSettings settings);
    ~SystemMidiDevices() override;
    SystemMidiDevices(const SystemMidiDevices&) = delete;
    SystemMidiDevices& operator=(const SystemMidiDevices&) = delete;

    uint32_t NumDevs() const override;
    MMRESULT TestOpen(uint32_t deviceId) override;
    MMRESULT OpenStream(uint32_t deviceId, const MidiNotifyTarget& target,
                        std::unique_ptr<MidiStream>& stream) override;

    // What was opened, or why nothing was; empty until the first use.
    const std::string& Description() const { return Opened; }

  private:
    SoftwareMidiDevices& Devices() const;

    MidiSinkSettings Settings;
    MonotonicClock Clock;
    mutable std::string Opened;
    mutable std::unique_ptr<MidiSink> Sink;
    // Declared after the sink, so its streams stop before the sink goes.
    mutable std::unique_ptr<SoftwareMidiDevices> Software;
};

} // namespace tolmix::posix
