#include "platform/SoftwareMidiStream.h"

#include <utility>

namespace tolmix {

uint64_t MidiTicksToNanoseconds(uint32_t ticks, uint32_t tempo, uint32_t division) {
    // ticks * tempo fits 64 bits; multiplying by 1000 may not, so the quotient and the remainder
    // by the division are scaled apart: floor(q * 1000 / d) = (q / d) * 1000 + (q % d) * 1000 / d.
    if (division == 0)
        return 0;
    const uint64_t q = static_cast<uint64_t>(ticks) * tempo;
    return q / division * 1000u + q % division * 1000u / division;
}

namespace {

uint32_t ReadWord(const uint8_t* p) {
    return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
           static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

} // namespace

SoftwareMidiStream::SoftwareMidiStream(MidiSink& sink, const Clock& clock,
                                       const MidiNotifyTarget& target, Timing timing,
                                       std::function<void()> onGone)
    : Sink(sink), Time(clock), Target(target), OnGone(std::move(onGone)) {
    if (timing == Timing::OwnThread)
        Thread = std::thread([this] { ThreadMain(); });
}

SoftwareMidiStream::~SoftwareMidiStream() {
    EndThread();
    {
        std::lock_guard guard(Lock);
        if (!Closed) {
            SilenceLocked(false);
            Queue.clear();
            Closed = true;
        }
    }
    Gone();
}

void SoftwareMidiStream::NotifyOpen() {
    std::lock_guard guard(Lock);
    Post(MomOpen);
}

MMRESULT SoftwareMidiStream::SetTimeDivision(uint32_t ticksPerQuarterNote) {
    std::lock_guard guard(Lock);
    if (Closed)
        return MmInvalidHandle;
    if (ticksPerQuarterNote == 0 || ticksPerQuarterNote > 0x7FFF)
        return MmInvalidParam;
    Division = ticksPerQuarterNote;
    Changed.notify_all();
    return MmNoError;
}

MMRESULT SoftwareMidiStream::PrepareHeader(MidiHeader& header) {
    std::lock_guard guard(Lock);
    if (Closed)
        return MmInvalidHandle;
    if ((header.Data == nullptr && header.BufferLength > 0) ||
        header.BufferLength > MidiStreamBufferLimit)
        return MmInvalidParam;
    header.Flags |= MhdrPrepared;
    return MmNoError;
}

MMRESULT SoftwareMidiStream::UnprepareHeader(MidiHeader& header) {
    std::lock_guard guard(Lock);
    if (Closed)
        return MmInvalidHandle;
    if (header.Flags & MhdrInQueue)
        return MidiStillPlaying;
    header.Flags &= ~MhdrPrepared;
    return MmNoError;
}

MMRESULT SoftwareMidiStream::Out(MidiHeader& header) {
    std::lock_guard guard(Lock);
    if (Closed)
        return MmInvalidHandle;
    if (!(header.Flags & MhdrPrepared))
        return MidiUnprepared;
    if (header.Flags & MhdrInQueue)
        return MidiStillPlaying;
    if (header.BytesRecorded > header.BufferLength || header.BufferLength > MidiStreamBufferLimit ||
        (header.Data == nullptr && header.BytesRecorded > 0))
        return MmInvalidParam;
    header.Flags = (header.Flags & ~MhdrDone) | MhdrInQueue;
    // A running stream that ran out of buffers starts the new one from now, not from the past.
    if (Queue.empty() && Running) {
        const TimePoint now = Time.Now();
        if (LastEvent < now)
            LastEvent = now;
        Position = 0;
    }
    Queue.push_back(&header);
    Changed.notify_all();
    return MmNoError;
}

MMRESULT SoftwareMidiStream::Restart() {
    std::lock_guard guard(Lock);
    if (Closed)
        return MmInvalidHandle;
    if (!Running) {
        Running = true;
        LastEvent = Time.Now();
        Changed.notify_all();
    }
    return MmNoError;
}

MMRESULT SoftwareMidiStream::Stop() {
    std::lock_guard guard(Lock);
    if (Closed)
        return MmInvalidHandle;
    Running = false;
    SilenceLocked(false);
    ReturnBuffersLocked();
    Changed.notify_all();
    return MmNoError;
}

MMRESULT SoftwareMidiStream::Reset() {
    std::lock_guard guard(Lock);
    if (Closed)
        return MmInvalidHandle;
    Running = false;
    SilenceLocked(true);
    ReturnBuffersLocked();
    Changed.notify_all();
    return MmNoError;
}

MMRESULT SoftwareMidiStream::Close() {
    {
        std::lock_guard guard(Lock);
        if (Closed)
            return MmInvalidHandle;
        if (!Queue.empty())
            return MidiStillPlaying;
    }
    // The timing thread ends before the close is announced, so nothing follows MomClose.
    EndThread();
    {
        std::lock_guard guard(Lock);
        SilenceLocked(false);
        Running = false;
        Closed = true;
        Post(MomClose);
    }
    Gone();
    return MmNoError;
}

std::optional<TimePoint> SoftwareMidiStream::Service(TimePoint now) {
    std::lock_guard guard(Lock);
    return ServiceLocked(now);
}

std::optional<TimePoint> SoftwareMidiStream::ServiceLocked(TimePoint now) {
    while (Running && !Closed && !Queue.empty()) {
        MidiHeader& header = *Queue.front();
        const uint32_t end = header.BytesRecorded;
        if (end < MidiEventSize || Position > end - MidiEventSize) {
            // Played to its end (a partial trailing record is no event).
            Queue.pop_front();
            Position = 0;
            header.Flags = (header.Flags & ~MhdrInQueue) | MhdrDone;
            Post(MomDone);
            continue;
        }
        const uint8_t* event = header.Data + Position;
        const TimePoint due = DueAfter(ReadWord(event));
        if (due > now)
            return due;
        LastEvent = due;
        const uint32_t word = ReadWord(event + 8);
        const uint8_t type = static_cast<uint8_t>(word >> 24);
        const uint32_t offset = Position;
        uint64_t next = uint64_t{Position} + MidiEventSize;
        if (type & MevtLongFlag)
            next += ((word & 0xFFFFFF) + 3u) & ~3u; // parameters are padded to whole words
        else if ((type & 0x3F) == MevtShortMsg)
            SendLocked(event[8], event[9], event[10]);
        else if ((type & 0x3F) == MevtTempo && (word & 0xFFFFFF) != 0)
            Tempo = word & 0xFFFFFF;
        Position = next > end ? end : static_cast<uint32_t>(next);
        if (type & MevtCallbackFlag) {
            header.Offset = offset;
            Post(MomPositionCb);
        }
    }
    return std::nullopt;
}

TimePoint SoftwareMidiStream::DueAfter(uint32_t delta) const {
    // Exact integer nanoseconds: with 50 ticks per quarter note a tick is 10,000,000 ns.
    const uint64_t ns = MidiTicksToNanoseconds(delta, Tempo, Division);
    return LastEvent + std::chrono::nanoseconds(static_cast<int64_t>(ns));
}

void SoftwareMidiStream::Post(uint32_t id) {
    if (Target.Loop)
        Target.Loop->Post(Message{id, Target.Window, Target.Instance});
}

void SoftwareMidiStream::ReturnBuffersLocked() {
    while (!Queue.empty()) {
        MidiHeader& header = *Queue.front();
        Queue.pop_front();
        header.Flags = (header.Flags & ~MhdrInQueue) | MhdrDone;
        Post(MomDone);
    }
    Position = 0;
}

void SoftwareMidiStream::SilenceLocked(bool allChannels) {
    for (uint8_t channel = 0; channel < 16; ++channel) {
        for (uint8_t key = 0; key < 128; ++key)
            if (Sounding[channel][key])
                SendLocked(static_cast<uint8_t>(0x80 | channel), key, 0);
        if (allChannels) {
            SendLocked(static_cast<uint8_t>(0xB0 | channel), 64, 0);  // sustain off
            SendLocked(static_cast<uint8_t>(0xB0 | channel), 123, 0); // all notes off
        }
    }
}

void SoftwareMidiStream::SendLocked(uint8_t status, uint8_t data1, uint8_t data2) {
    if (status < 0x80 || status >= 0xF0)
        return; // running status and system messages are not short channel messages here
    data1 &= 0x7F;
    data2 &= 0x7F;
    const uint8_t kind = status & 0xF0;
    const uint8_t channel = status & 0x0F;
    if (kind == 0x90 && data2 > 0)
        Sounding[channel][data1] = true;
    else if (kind == 0x80 || kind == 0x90)
        Sounding[channel][data1] = false;
    Sink.Send(status, data1, data2);
}

void SoftwareMidiStream::ThreadMain() {
    std::unique_lock lock(Lock);
    while (!Quit) {
        const std::optional<TimePoint> next = ServiceLocked(Time.Now());
        if (Quit)
            break;
        if (next)
            Changed.wait_until(lock, SteadyClock::now() + (*next - Time.Now()));
        else
            Changed.wait(lock);
    }
}

void SoftwareMidiStream::EndThread() {
    if (!Thread.joinable())
        return;
    {
        std::lock_guard guard(Lock);
        Quit = true;
        Changed.notify_all();
    }
    Thread.join();
}

void SoftwareMidiStream::Gone() {
    if (OnGone) {
        std::function<void()> gone = std::move(OnGone);
        OnGone = nullptr;
        gone();
    }
}

} // namespace tolmix
