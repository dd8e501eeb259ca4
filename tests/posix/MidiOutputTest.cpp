// The software MIDI stream on its own timing thread and the real outputs behind it.
#include "music/SoundCommands.h"
#include "platform/MonotonicClock.h"
#include "platform/SoftwareMidiDevices.h"
#include "platform/posix/FluidSynthSink.h"
#include "platform/posix/MidiSinks.h"
#include "platform/posix/PosixEventLoop.h"
#include "support/FakeEventLoop.h"
#include "support/FakeTerminal.h"
#include "support/RecordingMidiSink.h"
#include "ui/ConsoleScreen.h"
#include "ui/InputLoop.h"

#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace tolmix {
namespace {

using namespace std::chrono_literals;

TEST(ThreadedMidiStream, PlaysOnItsOwnThreadAndPostsThroughTheLoop) {
    posix::PosixEventLoop loop;
    MonotonicClock clock;
    test::RecordingMidiSink sink(clock);
    SoftwareMidiDevices devices(&sink, clock);
    std::unique_ptr<MidiStream> stream;
    ASSERT_EQ(devices.OpenStream(MidiMapper, {&loop, 3, 9}, stream), MmNoError);
    ASSERT_EQ(stream->SetTimeDivision(50), MmNoError);
    std::vector<uint8_t> bytes;
    const auto put = [&](uint32_t delta, uint8_t status, uint8_t key, uint8_t velocity,
                         uint8_t flags) {
        const uint8_t record[12] = {
            static_cast<uint8_t>(delta), 0, 0, 0, 0, 0, 0, 0, status, key, velocity, flags};
        bytes.insert(bytes.end(), record, record + 12);
    };
    put(0, 0xB0, 121, 0, MevtCallbackFlag);
    put(0, 0x90, 60, 127, 0);
    put(2, 0x90, 60, 0, 0);
    put(2, 0x90, 64, 127, 0);
    put(2, 0x90, 64, 0, 0);
    MidiHeader header;
    header.Data = bytes.data();
    header.BufferLength = header.BytesRecorded = static_cast<uint32_t>(bytes.size());
    const TimePoint start = clock.Now();
    ASSERT_EQ(stream->PrepareHeader(header), MmNoError);
    ASSERT_EQ(stream->Out(header), MmNoError);
    ASSERT_EQ(stream->Restart(), MmNoError);

    std::vector<uint32_t> posted;
    for (int waits = 0; waits < 100 && (posted.empty() || posted.back() != MomDone); ++waits) {
        loop.Wait(clock.Now() + 100ms);
        Message m;
        while (loop.TakeMessage(m))
            posted.push_back(m.Id);
    }
    EXPECT_EQ(posted, (std::vector<uint32_t>{MomOpen, MomPositionCb, MomDone}));
    const auto sent = sink.Taken();
    ASSERT_EQ(sent.size(), 5u);
    EXPECT_EQ(sent[2].Data1, 60);
    EXPECT_EQ(sent[3].Data1, 64);
    // Never early: each event sounds no sooner than its time on the stream's clock.
    EXPECT_GE(sent[2].At - start, 20ms);
    EXPECT_GE(sent[4].At - start, 60ms);
    EXPECT_EQ(stream->UnprepareHeader(header), MmNoError);
    EXPECT_EQ(stream->Close(), MmNoError);
}

TEST(ThreadedMidiStream, ThePlayerWaitsThroughTheRealLoop) {
    posix::PosixEventLoop loop;
    test::FakeTerminal term;
    ConsoleScreen screen(term);
    InputLoop console(term, loop, screen);
    MonotonicClock clock;
    test::RecordingMidiSink sink(clock);
    SoftwareMidiDevices devices(&sink, clock);
    MidiPlayerShared shared;
    int stops = 0;
    {
        TMidiGen midi(console, devices, shared);
        midi.OnStop = [&](TMidiGen&) { ++stops; };
        midi.SetLoops(2);
        ASSERT_TRUE(midi.PlayString("C4;3,3;E4;3"));
        for (int steps = 0; steps < 1000 && stops == 0; ++steps) {
            loop.Wait(clock.Now() + 100ms);
            console.ProcessPending();
        }
        EXPECT_EQ(stops, 1);
        // A piece stopped while it plays closes inside the next request.
        midi.SetLoops(0);
        ASSERT_TRUE(midi.PlayString("G4;2"));
        // Its second pass has begun only after the first pass's notifications were handled.
        const auto g4Starts = [&] {
            int count = 0;
            for (const auto& m : sink.Taken())
                count += (m.Status & 0xF0) == 0x90 && m.Data1 == 55 && m.Data2 > 0 ? 1 : 0;
            return count;
        };
        for (int steps = 0; steps < 1000 && g4Starts() < 2; ++steps) {
            loop.Wait(clock.Now() + 10ms);
            console.ProcessPending();
        }
        ASSERT_TRUE(midi.PlayString("A4"));
        EXPECT_EQ(stops, 2);
    }
    EXPECT_EQ(stops, 3);
    EXPECT_FALSE(devices.HasOpenStream());
    int ons = 0;
    for (const auto& m : sink.Taken())
        ons += (m.Status & 0xF0) == 0x90 && m.Data2 > 0 && m.Data1 != 55 ? 1 : 0;
    EXPECT_EQ(ons, 5); // C4 E4 twice, then A4
}

std::vector<int16_t> ReadSamples(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<int16_t> samples;
    int16_t sample;
    while (in.read(reinterpret_cast<char*>(&sample), sizeof sample))
        samples.push_back(sample);
    return samples;
}

// Root mean square of the left and right samples between two times.
double Level(const std::vector<int16_t>& stereo, double rate, double from, double to) {
    const size_t first = static_cast<size_t>(from * rate) * 2;
    const size_t last = std::min(stereo.size(), static_cast<size_t>(to * rate) * 2);
    double sum = 0;
    for (size_t i = first; i < last; ++i)
        sum += double(stereo[i]) * stereo[i];
    return last > first ? std::sqrt(sum / double(last - first)) : 0;
}

// The strongest repetition period between 1.5 and 10 ms, as a frequency.
double Pitch(const std::vector<int16_t>& stereo, double rate, double from, double to) {
    std::vector<double> mono;
    for (size_t i = static_cast<size_t>(from * rate); i < static_cast<size_t>(to * rate); ++i)
        mono.push_back(double(stereo[2 * i]) + stereo[2 * i + 1]);
    double best = 0;
    size_t bestLag = 0;
    for (size_t lag = static_cast<size_t>(0.0015 * rate); lag < static_cast<size_t>(0.010 * rate);
         ++lag) {
        double sum = 0;
        for (size_t i = 0; i + lag < mono.size(); ++i)
            sum += mono[i] * mono[i + lag];
        sum /= double(mono.size() - lag);
        if (sum > best * 1.02) { // the first of near-equal peaks: the fundamental
            best = sum;
            bestLag = lag;
        }
    }
    return bestLag ? rate / double(bestLag) : 0;
}

// Where no audio output opens (a machine without a sound card or sound server), the line says
// which outputs were tried, each once.
TEST(FluidSynthSink, NoAudioOutputNamesEachOutputTriedOnce) {
    const std::string soundFont = posix::FindSoundFont("");
    ASSERT_FALSE(soundFont.empty()) << "no General MIDI soundfont installed";
    posix::FluidSynthSink::Options options;
    options.SoundFont = soundFont;
    std::string failure;
    auto sink = posix::FluidSynthSink::Open(options, &failure);
    if (sink)
        GTEST_SKIP() << "this machine has an audio output";
    // "нет звукового выхода (" in Windows-1251.
    const std::string opening = "\xED\xE5\xF2 \xE7\xE2\xF3\xEA\xEE\xE2\xEE\xE3\xEE "
                                "\xE2\xFB\xF5\xEE\xE4\xE0 (";
    const size_t at = failure.find(opening);
    ASSERT_NE(at, std::string::npos) << failure;
    const std::string tried = failure.substr(at + opening.size());
    for (const char* name : {"pulseaudio", "pipewire", "alsa"}) {
        const size_t first = tried.find(name);
        ASSERT_NE(first, std::string::npos) << name << " in " << tried;
        EXPECT_EQ(tried.find(name, first + 1), std::string::npos) << name << " in " << tried;
    }
}

TEST(FluidSynthSink, RendersTheSoundCommandWhereItsNotesAre) {
    const std::string soundFont = posix::FindSoundFont("");
    ASSERT_FALSE(soundFont.empty()) << "no General MIDI soundfont installed";
    const std::string file = (std::filesystem::temp_directory_path() /
                              ("tolmix-render-" + std::to_string(getpid()) + ".raw"))
                                 .string();

    test::FakeTerminal term;
    test::FakeEventLoop loop;
    ConsoleScreen screen(term);
    InputLoop console(term, loop, screen);
    struct LoopTime final : Clock {
        const EventLoop& Loop;
        explicit LoopTime(const EventLoop& l) : Loop(l) {}
        TimePoint Now() const override { return Loop.Now(); }
    } clock(loop);

    posix::FluidSynthSink::Options options;
    options.SoundFont = soundFont;
    options.RenderFile = file;
    options.RenderClock = &clock;
    const double rate = options.SampleRate;
    auto sink = posix::FluidSynthSink::Open(options);
    ASSERT_NE(sink, nullptr);
    {
        SoftwareMidiDevices devices(sink.get(), clock, SoftwareMidiStream::Timing::Manual);
        MidiPlayerShared shared;
        NoLinePrinter unread;
        SoundCommands sound(console, devices, unread, shared);
        loop.OnWait = [&] { devices.Service(loop.Now()); };
        loop.Advance(500ms); // half a second of silence first
        sound.PlaySoundCommand("C4 E4 G4 L30");
        ASSERT_TRUE(sound.Midi.IsPlaying());
        for (int steps = 0; steps < 100000 && sound.Midi.IsPlaying(); ++steps) {
            devices.Service(loop.Now());
            console.ProcessPending();
            const auto next = devices.Service(loop.Now());
            loop.Clock = next ? std::max(*next, loop.Clock) : loop.Clock + 1ms;
        }
        EXPECT_FALSE(sound.Midi.IsPlaying());
    }
    loop.Clock = TimePoint{} + 4000ms;
    sink->FinishFile();
    const std::vector<int16_t> samples = ReadSamples(file);
    std::filesystem::remove(file);
    ASSERT_GE(samples.size(), static_cast<size_t>(3.9 * rate) * 2);

    const double quiet = 30;
    EXPECT_LT(Level(samples, rate, 0.0, 0.49), quiet);
    // C4 from 0.5 s, E4 from 0.75 s, G4 from 1.0 s, each for 0.3 s.
    const double c4 = Level(samples, rate, 0.52, 0.74);
    const double chord = Level(samples, rate, 0.76, 1.0);
    const double g4 = Level(samples, rate, 1.06, 1.28);
    EXPECT_GT(c4, 20 * quiet);
    EXPECT_GT(chord, 20 * quiet);
    EXPECT_GT(g4, 20 * quiet);
    // Note 48 (C4 here) is 130.8 Hz, note 55 (G4) 196 Hz.
    EXPECT_NEAR(Pitch(samples, rate, 0.55, 0.70), 130.8, 130.8 * 0.03);
    EXPECT_NEAR(Pitch(samples, rate, 1.10, 1.25), 196.0, 196.0 * 0.03);
    // Silence once the last note and its release have ended.
    EXPECT_LT(Level(samples, rate, 3.0, 3.9), quiet);
}

TEST(MidiSinks, ChoosingAndFindingOutputs) {
    EXPECT_EQ(posix::FindSoundFont("/no/such/font.sf2"), "");
    const std::string found = posix::FindSoundFont("");
    if (!found.empty()) {
        EXPECT_EQ(posix::FindSoundFont(found), found);
    }
    MidiSinkSettings off;
    off.Output = "none";
    EXPECT_EQ(posix::OpenMidiSink(off).Sink, nullptr);
    MidiSinkSettings unknown;
    unknown.Output = "carrier-pigeon";
    const OpenedMidiOutput none = posix::OpenMidiSink(unknown);
    EXPECT_EQ(none.Sink, nullptr);
    EXPECT_NE(none.Description.find("MidiOutput=carrier-pigeon"), std::string::npos);
    MidiSinkSettings missingFont;
    missingFont.Output = "fluidsynth";
    missingFont.SoundFont = "/no/such/font.sf2";
    EXPECT_EQ(posix::OpenMidiSink(missingFont).Sink, nullptr);
    MidiSinkSettings noPort;
    noPort.Output = "alsa";
    noPort.Port = "no-such-client-anywhere";
    EXPECT_EQ(posix::OpenMidiSink(noPort).Sink, nullptr);
}

} // namespace
} // namespace tolmix
