#pragma once

#include "platform/BackgroundMidiDevices.h"
#include "platform/MidiSink.h"
#include "platform/MonotonicClock.h"

#include <memory>
#include <string>

namespace tolmix::win32 {

// The multimedia system's MIDI output (the mapper, whatever the user chose in the system) as
// a sink of short messages.
class WinmmMidiSink final : public MidiSink {
  public:
    // Opens the output; Opened() tells whether that worked, Failure() why not.
    WinmmMidiSink();
    ~WinmmMidiSink() override;
    WinmmMidiSink(const WinmmMidiSink&) = delete;
    WinmmMidiSink& operator=(const WinmmMidiSink&) = delete;

    bool Opened() const { return Handle != nullptr; }
    // The system's reason, Windows-1251; empty when it opened.
    const std::string& Failure() const { return Why; }
    void Send(uint8_t status, uint8_t data1, uint8_t data2) override;

  private:
    void* Handle = nullptr;
    std::string Why;
};

// Opens the mapper and says what it plays on, or why there is nothing to play on, in
// Windows-1251 for the player's line.
OpenedMidiOutput OpenWinmmOutput();

// The machine's MIDI output as the client's devices. The output is opened on a thread of its
// own the first time the player prepares the devices (a driver may take its time), and the
// player reads what plays the music. The software stream times the events on its own thread,
// with the system timer raised to 1 ms only while a stream (a piece) is open: at the default
// period (15.6 ms) notes would come late and unevenly, and a raised period costs the whole
// machine power.
class WinmmMidiDevices final : public MidiDevices {
  public:
    WinmmMidiDevices();

    uint32_t NumDevs() const override { return Devices.NumDevs(); }
    MMRESULT TestOpen(uint32_t deviceId) override { return Devices.TestOpen(deviceId); }
    MMRESULT OpenStream(uint32_t deviceId, const MidiNotifyTarget& target,
                        std::unique_ptr<MidiStream>& stream) override;
    bool Prepare(EventLoop& loop, std::function<void()> ready) override {
        return Devices.Prepare(loop, std::move(ready));
    }
    std::string Description() const override { return Devices.Description(); }

  private:
    MonotonicClock Clock;
    BackgroundMidiDevices Devices;
};

} // namespace tolmix::win32
