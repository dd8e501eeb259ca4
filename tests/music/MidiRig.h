#pragma once

// A player's world on a manual clock: the input loop on fakes as the message pump, a software MIDI
// output timed by the fake event loop's clock and stepped by the test, and a recording sink.
#include "music/MidiGen.h"
#include "platform/SoftwareMidiDevices.h"
#include "support/FakeEventLoop.h"
#include "support/FakeTerminal.h"
#include "support/LoopClock.h"
#include "support/RecordingMidiSink.h"
#include "text/LinePrinter.h"
#include "ui/ConsoleScreen.h"
#include "ui/InputLoop.h"

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

namespace tolmix::test {

// The lines a part prints, kept.
struct RecordingPrinter final : LinePrinter {
    std::vector<std::string> Lines;
    void PrintLine(const std::string& line) override { Lines.push_back(line); }
};

struct MidiRig {
    FakeTerminal Term;
    FakeEventLoop Loop;
    ConsoleScreen Screen{Term};
    InputLoop Con{Term, Loop, Screen};
    LoopClock Clock{Loop};
    RecordingMidiSink Sink{Clock};
    SoftwareMidiDevices Devices{&Sink, Clock, SoftwareMidiStream::Timing::Manual};
    MidiPlayerShared Shared;
    // What the sound commands say about the outputs.
    RecordingPrinter Printed;

    MidiRig() {
        // The player's own waits let the stream run too.
        Loop.OnWait = [this] { Devices.Service(Loop.Now()); };
    }

    // Ticks of 10 ms since the start of the rig.
    int64_t Ticks() const { return (Loop.Now() - TimePoint{}) / Milliseconds(10); }

    // Runs the stream and the message pump, moving the clock from event to event, until done()
    // holds or `limit` of clock time has passed; returns done().
    bool RunUntil(const std::function<bool()>& done, Milliseconds limit = Milliseconds(60000)) {
        const TimePoint end = Loop.Now() + limit;
        for (int pass = 0; pass < 1000000; ++pass) {
            Devices.Service(Loop.Now());
            Con.ProcessPending();
            if (done())
                return true;
            if (Loop.Now() >= end)
                return false;
            std::optional<TimePoint> next = Devices.Service(Loop.Now());
            if (!next) {
                if (!Devices.HasOpenStream())
                    return false; // nothing more can happen
                next = Loop.Now() + Milliseconds(1);
            }
            Loop.Clock = std::min(std::max(*next, Loop.Now()), end);
        }
        return done();
    }
    void RunFor(Milliseconds span) {
        const TimePoint end = Loop.Now() + span;
        RunUntil([&] { return Loop.Now() >= end; }, span);
    }

    // Messages of one kind the sink was sent (0x90 note on/off, 0xB0, 0xC0, 0xE0).
    std::vector<RecordingMidiSink::Sent> Sent(uint8_t kind) const {
        std::vector<RecordingMidiSink::Sent> found;
        for (const auto& m : Sink.Taken())
            if ((m.Status & 0xF0) == kind)
                found.push_back(m);
        return found;
    }
    std::vector<RecordingMidiSink::Sent> NoteOns() const {
        std::vector<RecordingMidiSink::Sent> found;
        for (const auto& m : Sent(0x90))
            if (m.Data2 > 0)
                found.push_back(m);
        return found;
    }
    // Notes the sink was told to start and not yet to end.
    int Sounding() const {
        int sounding = 0;
        for (const auto& m : Sink.Taken()) {
            const uint8_t kind = m.Status & 0xF0;
            if (kind == 0x90 && m.Data2 > 0)
                ++sounding;
            else if (kind == 0x80 || kind == 0x90)
                --sounding;
        }
        return sounding;
    }
    static int64_t TickOf(const RecordingMidiSink::Sent& m) {
        return (m.At - TimePoint{}) / Milliseconds(10);
    }
};

} // namespace tolmix::test
