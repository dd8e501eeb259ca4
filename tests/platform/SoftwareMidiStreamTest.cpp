#include "platform/SoftwareMidiDevices.h"
#include "support/FakeEventLoop.h"
#include "support/RecordingMidiSink.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace tolmix {
namespace {

using namespace std::chrono_literals;

void PutEvent(std::vector<uint8_t>& bytes, uint32_t delta, uint32_t event) {
    for (uint32_t word : {delta, 0u, event})
        for (int shift = 0; shift < 32; shift += 8)
            bytes.push_back(static_cast<uint8_t>(word >> shift));
}

uint32_t Short(uint8_t status, uint8_t data1, uint8_t data2, uint8_t flags = 0) {
    return status | data1 << 8 | data2 << 16 | static_cast<uint32_t>(flags) << 24;
}

class SoftwareMidiStreamTest : public ::testing::Test {
  protected:
    test::ManualClock Clock;
    test::FakeEventLoop Loop;
    test::RecordingMidiSink Sink{Clock};
    SoftwareMidiDevices Devices{&Sink, Clock, SoftwareMidiStream::Timing::Manual};
    std::unique_ptr<MidiStream> Stream;
    std::vector<uint8_t> Bytes;
    MidiHeader Header;

    void Open() {
        ASSERT_EQ(Devices.OpenStream(0, {&Loop, 7, 42}, Stream), MmNoError);
        ASSERT_EQ(Stream->SetTimeDivision(50), MmNoError);
    }
    MidiHeader& Prepared() {
        Header = MidiHeader{};
        Header.Data = Bytes.data();
        Header.BufferLength = Header.BytesRecorded = static_cast<uint32_t>(Bytes.size());
        EXPECT_EQ(Stream->PrepareHeader(Header), MmNoError);
        return Header;
    }
    // The notification ids posted so far.
    std::vector<uint32_t> Posted() {
        std::vector<uint32_t> ids;
        Message m;
        while (Loop.TakeMessage(m)) {
            EXPECT_EQ(m.WParam, 7u);
            EXPECT_EQ(m.LParam, 42);
            ids.push_back(m.Id);
        }
        return ids;
    }
    void RunTo(Milliseconds at) {
        Clock.Current = TimePoint{} + at;
        Devices.Service(Clock.Current);
    }
};

TEST_F(SoftwareMidiStreamTest, EventsSoundOnTheClockAndNotifyInOrder) {
    Open();
    PutEvent(Bytes, 0, Short(0xB0, 121, 0, MevtCallbackFlag));
    PutEvent(Bytes, 0, Short(0x90, 60, 127));
    PutEvent(Bytes, 25, Short(0x90, 60, 0));
    PutEvent(Bytes, 5, Short(0xE1, 0x10, 0x40));
    ASSERT_EQ(Stream->Out(Prepared()), MmNoError);
    RunTo(100ms);
    EXPECT_TRUE(Sink.Taken().empty()); // the clock has not been started
    ASSERT_EQ(Stream->Restart(), MmNoError);
    RunTo(100ms);
    EXPECT_EQ(Sink.Taken().size(), 2u);
    EXPECT_EQ(Posted(), (std::vector<uint32_t>{MomOpen, MomPositionCb}));
    RunTo(349ms);
    EXPECT_EQ(Sink.Taken().size(), 2u);
    RunTo(350ms);
    EXPECT_EQ(Sink.Taken().size(), 3u);
    RunTo(400ms);
    const auto sent = Sink.Taken();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[1].At, TimePoint{} + 100ms);
    EXPECT_EQ(sent[2].At, TimePoint{} + 350ms);
    EXPECT_EQ(sent[3].At, TimePoint{} + 400ms);
    EXPECT_EQ(sent[3].Status, 0xE1);
    EXPECT_EQ(sent[3].Data2, 0x40);
    EXPECT_EQ(Posted(), (std::vector<uint32_t>{MomDone}));
    EXPECT_TRUE(Header.Flags & MhdrDone);
    EXPECT_FALSE(Header.Flags & MhdrInQueue);
    EXPECT_EQ(Stream->UnprepareHeader(Header), MmNoError);
    EXPECT_EQ(Stream->Close(), MmNoError);
    EXPECT_EQ(Posted(), (std::vector<uint32_t>{MomClose}));
    EXPECT_FALSE(Devices.HasOpenStream());
}

TEST_F(SoftwareMidiStreamTest, StopHandsBackBuffersAndSilencesItsNotes) {
    Open();
    PutEvent(Bytes, 0, Short(0x90, 60, 127));
    PutEvent(Bytes, 0, Short(0x93, 64, 100));
    PutEvent(Bytes, 100, Short(0x90, 60, 0));
    ASSERT_EQ(Stream->Out(Prepared()), MmNoError);
    ASSERT_EQ(Stream->Restart(), MmNoError);
    RunTo(10ms);
    EXPECT_EQ(Stream->Close(), MidiStillPlaying);
    EXPECT_EQ(Stream->UnprepareHeader(Header), MidiStillPlaying);
    EXPECT_EQ(Stream->Out(Header), MidiStillPlaying);
    Posted();
    ASSERT_EQ(Stream->Stop(), MmNoError);
    EXPECT_EQ(Posted(), (std::vector<uint32_t>{MomDone}));
    auto sent = Sink.Taken();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[2].Status, 0x80);
    EXPECT_EQ(sent[2].Data1, 60);
    EXPECT_EQ(sent[3].Status, 0x83);
    EXPECT_EQ(sent[3].Data1, 64);
    // Nothing more plays, and a stop with nothing queued hands back nothing.
    RunTo(5000ms);
    EXPECT_EQ(Sink.Taken().size(), 4u);
    EXPECT_EQ(Stream->Stop(), MmNoError);
    EXPECT_TRUE(Posted().empty());
    // Reset turns every channel's notes and sustain off.
    Sink.Clear();
    EXPECT_EQ(Stream->Reset(), MmNoError);
    sent = Sink.Taken();
    ASSERT_EQ(sent.size(), 32u);
    EXPECT_EQ(sent[1].Status, 0xB0);
    EXPECT_EQ(sent[1].Data1, 123);
    EXPECT_EQ(sent[31].Status, 0xBF);
}

TEST_F(SoftwareMidiStreamTest, AQueuedAgainBufferPlaysFromWhenItArrives) {
    Open();
    PutEvent(Bytes, 0, Short(0x90, 60, 127, MevtCallbackFlag));
    PutEvent(Bytes, 10, Short(0x90, 60, 0));
    ASSERT_EQ(Stream->Out(Prepared()), MmNoError);
    ASSERT_EQ(Stream->Restart(), MmNoError);
    RunTo(100ms);
    EXPECT_EQ(Posted(), (std::vector<uint32_t>{MomOpen, MomPositionCb, MomDone}));
    Clock.Current = TimePoint{} + 130ms;
    ASSERT_EQ(Stream->Out(Header), MmNoError);
    ASSERT_EQ(Stream->Restart(), MmNoError);
    RunTo(130ms);
    RunTo(229ms);
    EXPECT_EQ(Sink.Taken().size(), 3u);
    RunTo(230ms);
    const auto sent = Sink.Taken();
    ASSERT_EQ(sent.size(), 4u);
    EXPECT_EQ(sent[2].At, TimePoint{} + 130ms);
    EXPECT_EQ(sent[3].At, TimePoint{} + 230ms);
}

TEST_F(SoftwareMidiStreamTest, TempoLongEventsAndTruncatedRecords) {
    Open();
    PutEvent(Bytes, 0, static_cast<uint32_t>(MevtTempo) << 24 | 250000); // twice as fast
    PutEvent(Bytes, 10, Short(0x90, 1, 1));
    // A long event: its 5 parameter bytes are padded to 8 and skipped.
    PutEvent(Bytes, 0, static_cast<uint32_t>(MevtLongFlag) << 24 | 5);
    Bytes.insert(Bytes.end(), {0x90, 2, 2, 0, 0, 0, 0, 0});
    PutEvent(Bytes, 0, static_cast<uint32_t>(MevtNop) << 24);
    PutEvent(Bytes, 10, Short(0x90, 3, 3));
    Bytes.insert(Bytes.end(), {1, 2, 3}); // no whole record
    ASSERT_EQ(Stream->Out(Prepared()), MmNoError);
    ASSERT_EQ(Stream->Restart(), MmNoError);
    RunTo(1000ms);
    const auto sent = Sink.Taken();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[0].Data1, 1);
    EXPECT_EQ(sent[0].At, TimePoint{} + 1000ms); // serviced late: sounds now
    EXPECT_EQ(sent[1].Data1, 3);
    Posted();
}

TEST_F(SoftwareMidiStreamTest, BadCallsAreRefused) {
    Open();
    MidiHeader unprepared;
    EXPECT_EQ(Stream->Out(unprepared), MidiUnprepared);
    MidiHeader large;
    large.Data = Bytes.data();
    large.BufferLength = 70000;
    EXPECT_EQ(Stream->PrepareHeader(large), MmInvalidParam);
    PutEvent(Bytes, 0, 0);
    MidiHeader& header = Prepared();
    header.BytesRecorded = header.BufferLength + 12;
    EXPECT_EQ(Stream->Out(header), MmInvalidParam);
    EXPECT_EQ(Stream->SetTimeDivision(0), MmInvalidParam);
    // One stream at a time.
    std::unique_ptr<MidiStream> second;
    EXPECT_EQ(Devices.OpenStream(0, {&Loop, 7, 42}, second), MmAllocated);
    EXPECT_EQ(Devices.TestOpen(0), MmAllocated);
    ASSERT_EQ(Stream->Close(), MmNoError);
    EXPECT_EQ(Stream->Close(), MmInvalidHandle);
    EXPECT_EQ(Stream->Restart(), MmInvalidHandle);
    EXPECT_EQ(Stream->Stop(), MmInvalidHandle);
    EXPECT_EQ(Devices.TestOpen(0), MmNoError);
    EXPECT_EQ(Devices.TestOpen(1), MmBadDeviceId);
    EXPECT_EQ(Devices.TestOpen(MidiMapper), MmNoError);
}

TEST_F(SoftwareMidiStreamTest, ADestroyedStreamFallsSilentAndPostsNothing) {
    Open();
    PutEvent(Bytes, 0, Short(0x90, 60, 127));
    PutEvent(Bytes, 50, Short(0x90, 60, 0));
    ASSERT_EQ(Stream->Out(Prepared()), MmNoError);
    ASSERT_EQ(Stream->Restart(), MmNoError);
    RunTo(10ms);
    Posted();
    Stream.reset();
    EXPECT_TRUE(Posted().empty());
    EXPECT_FALSE(Devices.HasOpenStream());
    const auto sent = Sink.Taken();
    ASSERT_EQ(sent.size(), 2u);
    EXPECT_EQ(sent[1].Status, 0x80);
}

TEST(SoftwareMidiDevices, WithoutASinkThereIsNoDevice) {
    test::ManualClock clock;
    test::FakeEventLoop loop;
    SoftwareMidiDevices devices(nullptr, clock);
    std::unique_ptr<MidiStream> stream;
    EXPECT_EQ(devices.NumDevs(), 0u);
    EXPECT_EQ(devices.TestOpen(MidiMapper), MmNoDriver);
    EXPECT_EQ(devices.OpenStream(MidiMapper, {&loop, 1, 1}, stream), MmNoDriver);
    EXPECT_EQ(stream, nullptr);
    Message m;
    EXPECT_FALSE(loop.TakeMessage(m));
}

} // namespace
} // namespace tolmix

namespace tolmix {
namespace {

// The exact value, in the 128-bit arithmetic that 64-bit compilers offer, truncated to 64 bits.
uint64_t WideTicksToNanoseconds(uint32_t ticks, uint32_t tempo, uint32_t division) {
#ifdef __SIZEOF_INT128__
    return static_cast<uint64_t>(static_cast<unsigned __int128>(ticks) * tempo * 1000u / division);
#else
    // Long division of the 96-bit product in 32-bit digits.
    const uint64_t product = static_cast<uint64_t>(ticks) * tempo; // < 2^56
    const uint64_t high = (product >> 32) * 1000u;                 // < 2^34
    const uint64_t low = (product & 0xFFFFFFFFu) * 1000u;          // < 2^42
    const uint64_t top = high + (low >> 32);
    const uint64_t topQuotient = top / division;
    const uint64_t rest = (top % division) << 32 | (low & 0xFFFFFFFFu);
    return (topQuotient << 32) + rest / division;
#endif
}

TEST(MidiTicksToNanosecondsTest, MatchesTheExactQuotientOverTheWholeRange) {
    EXPECT_EQ(MidiTicksToNanoseconds(1, 500000, 50), 10'000'000u);
    EXPECT_EQ(MidiTicksToNanoseconds(1, 500000, 96), 5'208'333u);
    EXPECT_EQ(MidiTicksToNanoseconds(0, 0xFFFFFF, 1), 0u);

    const uint32_t edges[] = {0, 1, 2, 95, 96, 0x7FFF, 0xFFFFFF, 0x7FFFFFFF, 0xFFFFFFFF};
    for (uint32_t ticks : edges)
        for (uint32_t tempo : {1u, 500000u, 0xFFFFFFu})
            for (uint32_t division : {1u, 3u, 96u, 480u, 0x7FFFu})
                EXPECT_EQ(MidiTicksToNanoseconds(ticks, tempo, division),
                          WideTicksToNanoseconds(ticks, tempo, division))
                    << ticks << " " << tempo << " " << division;

    uint64_t seed = 0x9E3779B97F4A7C15u;
    const auto next = [&seed] {
        seed ^= seed << 13;
        seed ^= seed >> 7;
        seed ^= seed << 17;
        return static_cast<uint32_t>(seed);
    };
    for (int i = 0; i < 20000; ++i) {
        const uint32_t ticks = next() >> (next() % 32);
        const uint32_t tempo = next() & 0xFFFFFF;
        const uint32_t division = next() % 0x7FFF + 1;
        ASSERT_EQ(MidiTicksToNanoseconds(ticks, tempo, division),
                  WideTicksToNanoseconds(ticks, tempo, division))
            << ticks << " " << tempo << " " << division;
    }
}

} // namespace
} // namespace tolmix
