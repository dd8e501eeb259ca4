#pragma once

#include "platform/MidiSink.h"
#include "platform/SoftwareMidiDevices.h"

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

namespace tolmix {

// A sink as an opener found it, and what it is; a null sink says why there is none.
struct OpenedMidiOutput {
    std::unique_ptr<MidiSink> Sink;
    std::string Description;
};

// MIDI outputs whose sink is opened on a thread of their own the first time they are prepared,
// so that a synthesizer loading its soundfont never holds up keys or lines: a game without
// music never opens one at all. Until the opener has finished there is no device; after it,
// software streams play on its sink (none when it found no sink).
class BackgroundMidiDevices final : public MidiDevices {
  public:
    using Opener = std::function<OpenedMidiOutput()>;

    // The clock outlives the devices.
    BackgroundMidiDevices(
        Opener opener, const Clock& clock,
        SoftwareMidiStream::Timing timing = SoftwareMidiStream::Timing::OwnThread);
    // Waits for an opener still running, then closes the streams before the sink.
    ~BackgroundMidiDevices() override;
    BackgroundMidiDevices(const BackgroundMidiDevices&) = delete;
    BackgroundMidiDevices& operator=(const BackgroundMidiDevices&) = delete;

    uint32_t NumDevs() const override;
    MMRESULT TestOpen(uint32_t deviceId) override;
    MMRESULT OpenStream(uint32_t deviceId, const MidiNotifyTarget& target,
                        std::unique_ptr<MidiStream>& stream) override;
    bool Prepare(EventLoop& loop, std::function<void()> ready) override;
    std::string Description() const override { return Opened; }

    // For Timing::Manual.
    std::optional<TimePoint> Service(TimePoint now);

  private:
    // What the opener's thread hands to the main thread; the queued call finds it through a
    // weak pointer, so a call that runs after the devices are gone does nothing.
    struct Handover {
        std::mutex Lock;
        OpenedMidiOutput Result;
    };
    void Adopt();

    Opener OpenSink;
    const Clock& Time;
    SoftwareMidiStream::Timing StreamTiming;
    std::shared_ptr<Handover> Pending;
    std::thread Opening;
    std::function<void()> OnReady;
    bool Started = false;
    bool Ready = false;
    std::string Opened;
    std::unique_ptr<MidiSink> Sink;
    // Declared after the sink, so its streams stop before the sink goes.
    std::unique_ptr<SoftwareMidiDevices> Software;
};

} // namespace tolmix
