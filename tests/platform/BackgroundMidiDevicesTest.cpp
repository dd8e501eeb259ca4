#include "platform/BackgroundMidiDevices.h"
#include "support/FakeEventLoop.h"
#include "support/RecordingMidiSink.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <future>
#include <thread>

namespace tolmix {
namespace {

using namespace std::chrono_literals;

// An opener that waits for the test's word before it hands out its sink, and notes the thread
// it ran on.
class SlowOpener {
  public:
    explicit SlowOpener(bool withSink) : WithSink(withSink) {}

    BackgroundMidiDevices::Opener Function(const Clock& clock) {
        return [this, &clock] {
            ++Calls;
            RanOn = std::this_thread::get_id();
            Go.get_future().wait_for(10s);
            OpenedMidiOutput opened;
            opened.Description = WithSink ? "recorder" : "no recorder here";
            if (WithSink)
                opened.Sink = std::make_unique<test::RecordingMidiSink>(clock);
            return opened;
        };
    }
    void Release() { Go.set_value(); }

    std::atomic<int> Calls = 0;
    std::thread::id RanOn;

  private:
    const bool WithSink;
    std::promise<void> Go;
};

// Runs the loop's queued calls until `done` holds, for at most five seconds of real time.
template <class Done> bool RunQueued(test::FakeEventLoop& loop, Done done) {
    for (int i = 0; i < 5000 && !done(); ++i) {
        if (!loop.RunQueuedCalls())
            std::this_thread::sleep_for(1ms);
    }
    return done();
}

TEST(BackgroundMidiDevices, TheSinkOpensOnAnotherThreadWhileTheMainThreadGoesOn) {
    test::ManualClock clock;
    test::FakeEventLoop loop;
    SlowOpener opener(true);
    BackgroundMidiDevices devices(opener.Function(clock), clock,
                                  SoftwareMidiStream::Timing::Manual);
    // Nothing opens before the first use.
    EXPECT_EQ(opener.Calls, 0);
    EXPECT_EQ(devices.NumDevs(), 0u);

    int ready = 0;
    // Prepare returns at once although the opener is still waiting.
    EXPECT_FALSE(devices.Prepare(loop, [&] { ++ready; }));
    EXPECT_FALSE(devices.Prepare(loop, [&] { ++ready; }));
    EXPECT_EQ(devices.NumDevs(), 0u);
    EXPECT_EQ(devices.TestOpen(0), MmNoDriver);
    std::unique_ptr<MidiStream> stream;
    EXPECT_EQ(devices.OpenStream(0, {&loop, 1, 1}, stream), MmNoDriver);
    EXPECT_EQ(devices.Description(), "");

    opener.Release();
    ASSERT_TRUE(RunQueued(loop, [&] { return ready > 0; }));
    EXPECT_EQ(ready, 1);
    EXPECT_EQ(opener.Calls, 1);
    EXPECT_NE(opener.RanOn, std::this_thread::get_id());
    EXPECT_EQ(devices.Description(), "recorder");
    EXPECT_EQ(devices.NumDevs(), 1u);
    EXPECT_TRUE(devices.Prepare(loop, [&] { ++ready; }));
    ASSERT_EQ(devices.OpenStream(0, {&loop, 1, 1}, stream), MmNoError);
    EXPECT_EQ(stream->Close(), MmNoError);
    EXPECT_EQ(ready, 1);
}

TEST(BackgroundMidiDevices, AnOpenerWithoutASinkLeavesNoDeviceAndItsReason) {
    test::ManualClock clock;
    test::FakeEventLoop loop;
    SlowOpener opener(false);
    BackgroundMidiDevices devices(opener.Function(clock), clock,
                                  SoftwareMidiStream::Timing::Manual);
    bool ready = false;
    EXPECT_FALSE(devices.Prepare(loop, [&] { ready = true; }));
    opener.Release();
    ASSERT_TRUE(RunQueued(loop, [&] { return ready; }));
    EXPECT_EQ(devices.NumDevs(), 0u);
    EXPECT_EQ(devices.TestOpen(0), MmNoDriver);
    EXPECT_EQ(devices.Description(), "no recorder here");
    EXPECT_TRUE(devices.Prepare(loop, nullptr));
    EXPECT_EQ(opener.Calls, 1);
}

TEST(BackgroundMidiDevices, DevicesGoneBeforeTheOpenerEndsLeaveACallThatDoesNothing) {
    test::ManualClock clock;
    test::FakeEventLoop loop;
    SlowOpener opener(true);
    bool ready = false;
    std::thread release;
    {
        BackgroundMidiDevices devices(opener.Function(clock), clock,
                                      SoftwareMidiStream::Timing::Manual);
        EXPECT_FALSE(devices.Prepare(loop, [&] { ready = true; }));
        release = std::thread([&] {
            std::this_thread::sleep_for(20ms);
            opener.Release();
        });
        // The destructor waits for the opener; its queued call is still to run.
    }
    release.join();
    EXPECT_EQ(opener.Calls, 1);
    EXPECT_TRUE(loop.RunQueuedCalls());
    EXPECT_FALSE(ready);
}

} // namespace
} // namespace tolmix
