#pragma once

#include "platform/MidiSink.h"
#include "platform/MonotonicClock.h"
#include "platform/SoftwareMidiDevices.h"

#include <memory>

namespace tolmix::win32 {

// The multimedia system's MIDI output (the mapper, whatever the user chose in the system) as
// a sink of short messages.
class WinmmMidiSink final : public MidiSink {
  public:
    // Opens the output; Opened() tells whether that worked.
    WinmmMidiSink();
    ~WinmmMidiSink() override;
    WinmmMidiSink(const WinmmMidiSink&) = delete;
    WinmmMidiSink& operator=(const WinmmMidiSink&) = delete;

    bool Opened() const { return Handle != nullptr; }
    void Send(uint8_t status, uint8_t data1, uint8_t data2) override;

  private:
    void* Handle = nullptr;
};

// The machine's MIDI output as the client's devices: the software stream times the events on
// its own thread with the system timer at 1 ms while a stream is open, and sends them as short
// messages. The output is opened the first time the player asks for a device.
class WinmmMidiDevices final : public MidiDevices {
  public:
    WinmmMidiDevices() = default;
    ~WinmmMidiDevices() override;
    WinmmMidiDevices(const WinmmMidiDevices&) = delete;
    WinmmMidiDevices& operator=(const WinmmMidiDevices&) = delete;

    uint32_t NumDevs() const override;
    MMRESULT TestOpen(uint32_t deviceId) override;
    MMRESULT OpenStream(uint32_t deviceId, const MidiNotifyTarget& target,
                        std::unique_ptr<MidiStream>& stream) override;

  private:
    SoftwareMidiDevices& Devices() const;

    MonotonicClock Clock;
    mutable std::unique_ptr<WinmmMidiSink> Sink;
    // Declared after the sink, so its streams stop before the sink goes.
    mutable std::unique_ptr<SoftwareMidiDevices> Software;
    bool FinePeriod = false;
};

} // namespace tolmix::win32
