#pragma once

#include "platform/Clock.h"
#include "platform/MidiSink.h"
#include "platform/MidiStream.h"

#include <array>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace tolmix {

// How long `ticks` last at `tempo` microseconds per quarter note and `division` ticks per quarter
// note, in whole nanoseconds (rounded down); a result beyond 64 bits wraps modulo 2^64.
uint64_t MidiTicksToNanoseconds(uint32_t ticks, uint32_t tempo, uint32_t division);

// A MIDI stream done in software: the events of the queued buffers are sent to a sink when
// their time on the stream's clock comes, and the notifications are posted to the target's
// event loop in the order the multimedia system sends them (open, a position notification per
// callback event, done per buffer, close).
//
// The clock is injected. With Timing::OwnThread a thread of the stream sleeps until the next
// event is due; with Timing::Manual nothing runs by itself and the owner calls Service.
class SoftwareMidiStream final : public MidiStream {
  public:
    enum class Timing { OwnThread, Manual };

    // onGone runs once, when the stream is closed or destroyed.
    SoftwareMidiStream(MidiSink& sink, const Clock& clock, const MidiNotifyTarget& target,
                       Timing timing, std::function<void()> onGone);
    ~SoftwareMidiStream() override;
    SoftwareMidiStream(const SoftwareMidiStream&) = delete;
    SoftwareMidiStream& operator=(const SoftwareMidiStream&) = delete;

    MMRESULT SetTimeDivision(uint32_t ticksPerQuarterNote) override;
    MMRESULT PrepareHeader(MidiHeader& header) override;
    MMRESULT UnprepareHeader(MidiHeader& header) override;
    MMRESULT Out(MidiHeader& header) override;
    MMRESULT Restart() override;
    MMRESULT Stop() override;
    MMRESULT Reset() override;
    MMRESULT Close() override;

    // Posts MomOpen; the devices call it once after construction.
    void NotifyOpen();

    // Sounds every event due at `now` and posts what that causes; returns when the next event
    // is due, or nothing while none is waiting.
    std::optional<TimePoint> Service(TimePoint now);

  private:
    std::optional<TimePoint> ServiceLocked(TimePoint now);
    // The time of an event `delta` ticks after the previous one.
    TimePoint DueAfter(uint32_t delta) const;
    void Post(uint32_t id);
    void ReturnBuffersLocked();
    void SilenceLocked(bool allChannels);
    void SendLocked(uint8_t status, uint8_t data1, uint8_t data2);
    void ThreadMain();
    void EndThread();
    void Gone();

    MidiSink& Sink;
    const Clock& Time;
    const MidiNotifyTarget Target;
    std::function<void()> OnGone;

    mutable std::mutex Lock;
    std::condition_variable Changed;
    std::deque<MidiHeader*> Queue; // the front buffer is the one playing
    uint32_t Position = 0;         // byte offset of the next event in the front buffer
    bool Running = false;
    bool Closed = false;
    bool Quit = false;
    uint32_t Division = 96;
    uint32_t Tempo = 500000;
    TimePoint LastEvent{}; // when the previous event was due (or the clock started)
    std::array<std::array<bool, 128>, 16> Sounding{};
    std::thread Thread;
};

} // namespace tolmix
