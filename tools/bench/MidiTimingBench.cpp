// How closely the software MIDI stream keeps its schedule: a 30 s piece (a note every 50 ms)
// through the recording sink on the stream's own timing thread; prints the error of every
// sounded event against its scheduled time (percentiles) and the drift from start to end.
#include "music/MidiEventBuffer.h"
#include "platform/MonotonicClock.h"
#include "platform/SoftwareMidiDevices.h"
#include "platform/posix/PosixEventLoop.h"
#include "support/RecordingMidiSink.h"

#include <algorithm>
#include <cstdio>
#include <vector>

using namespace tolmix;
using namespace std::chrono_literals;

int main() {
    posix::PosixEventLoop loop;
    MonotonicClock clock;
    test::RecordingMidiSink sink(clock);
    SoftwareMidiDevices devices(&sink, clock);
    std::unique_ptr<MidiStream> stream;
    if (devices.OpenStream(MidiMapper, {&loop, 1, 1}, stream) != MmNoError)
        return 1;
    stream->SetTimeDivision(50);

    // 600 notes of 3 ticks, 5 ticks apart: 1,200 events over 30 s.
    MidiEventBuffer buffer;
    std::vector<int64_t> scheduleTicks;
    int64_t tick = 0;
    buffer.Append(0, 0xB0, 121, 0, MevtCallbackFlag);
    scheduleTicks.push_back(0);
    for (int i = 0; i < 600; ++i) {
        buffer.Append(i == 0 ? 0 : 2, 0x90, static_cast<uint8_t>(48 + i % 24), 100);
        tick += i == 0 ? 0 : 2;
        scheduleTicks.push_back(tick);
        buffer.Append(3, 0x90, static_cast<uint8_t>(48 + i % 24), 0);
        tick += 3;
        scheduleTicks.push_back(tick);
    }
    MidiHeader header;
    header.Data = buffer.Data();
    header.BufferLength = header.BytesRecorded = buffer.Length();
    stream->PrepareHeader(header);
    stream->Out(header);
    const TimePoint start = clock.Now();
    stream->Restart();

    bool done = false;
    for (int waits = 0; waits < 400 && !done; ++waits) {
        loop.Wait(clock.Now() + 200ms);
        Message m;
        while (loop.TakeMessage(m))
            done = done || m.Id == MomDone;
    }
    stream->UnprepareHeader(header);
    stream->Close();
    const auto sent = sink.Taken();
    if (!done || sent.size() != scheduleTicks.size()) {
        std::fprintf(stderr, "the piece did not play out (%zu events)\n", sent.size());
        return 1;
    }
    std::vector<double> errors;
    for (size_t i = 0; i < sent.size(); ++i) {
        const TimePoint due = start + Milliseconds(10 * scheduleTicks[i]);
        errors.push_back(std::chrono::duration<double, std::milli>(sent[i].At - due).count());
    }
    const size_t tenth = errors.size() / 10;
    double head = 0, tail = 0;
    for (size_t i = 0; i < tenth; ++i) {
        head += errors[i];
        tail += errors[errors.size() - 1 - i];
    }
    std::vector<double> sorted = errors;
    std::sort(sorted.begin(), sorted.end());
    const auto at = [&](double q) { return sorted[static_cast<size_t>(q * (sorted.size() - 1))]; };
    std::printf("events %zu over %.1f s\n", sent.size(),
                10.0 * double(scheduleTicks.back()) / 1000);
    std::printf("error ms: min %.3f  p50 %.3f  p99 %.3f  max %.3f\n", sorted.front(), at(0.5),
                at(0.99), sorted.back());
    std::printf("drift ms (mean of last tenth - first tenth): %.3f\n",
                (tail - head) / double(tenth));
    return 0;
}
