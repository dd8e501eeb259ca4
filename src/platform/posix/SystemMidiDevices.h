#pragma once

#include "platform/BackgroundMidiDevices.h"
#include "platform/MidiSink.h"
#include "platform/MonotonicClock.h"

#include <memory>
#include <string>

namespace tolmix::posix {

// The machine's MIDI output as the client's devices. The output the settings choose is opened
// the first time the player prepares the devices, on a thread of its own: a game without music
// never starts a synthesizer or touches the sound system, and one with music never waits for
// the soundfont to load.
class SystemMidiDevices final : public MidiDevices {
  public:
    explicit SystemMidiDevices(MidiSinkSettings settings);

    uint32_t NumDevs() const override { return Devices.NumDevs(); }
    MMRESULT TestOpen(uint32_t deviceId) override { return Devices.TestOpen(deviceId); }
    MMRESULT OpenStream(uint32_t deviceId, const MidiNotifyTarget& target,
                        std::unique_ptr<MidiStream>& stream) override {
        return Devices.OpenStream(deviceId, target, stream);
    }
    bool Prepare(EventLoop& loop, std::function<void()> ready) override {
        return Devices.Prepare(loop, std::move(ready));
    }
    // What was opened, or why nothing was; empty until the opener has finished.
    std::string Description() const override { return Devices.Description(); }

  private:
    MonotonicClock Clock;
    BackgroundMidiDevices Devices;
};

} // namespace tolmix::posix
