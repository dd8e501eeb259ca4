#include "platform/Timer.h"
#include "support/FakeEventLoop.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>

namespace tolmix {
namespace {

using namespace std::chrono_literals;

// Lets `span` pass on the fake loop, running the timers that fall due.
void RunFor(test::FakeEventLoop& loop, Milliseconds span) {
    const TimePoint end = loop.Clock + span;
    while (loop.Clock < end) {
        loop.Wait(end);
        Message m;
        while (loop.TakeMessage(m))
            loop.Dispatch(m);
    }
}

TEST(Timer, TicksFromStartUntilStopOrItsEnd) {
    test::FakeEventLoop loop;
    int ticks = 0;
    {
        Timer timer(loop, 100ms, [&] { ++ticks; });
        EXPECT_FALSE(timer.Running());
        EXPECT_FALSE(loop.NextTimer().has_value()); // made stopped: the loop may sleep
        RunFor(loop, 1s);
        EXPECT_EQ(ticks, 0);

        timer.Start();
        EXPECT_TRUE(timer.Running());
        EXPECT_EQ(loop.NextTimer(), loop.Clock + 100ms);
        RunFor(loop, 350ms);
        EXPECT_EQ(ticks, 3);

        timer.Stop();
        EXPECT_FALSE(timer.Running());
        RunFor(loop, 1s);
        EXPECT_EQ(ticks, 3);

        timer.Start();
        RunFor(loop, 100ms);
        EXPECT_EQ(ticks, 4);
    }
    EXPECT_FALSE(loop.NextTimer().has_value());
    RunFor(loop, 1s);
    EXPECT_EQ(ticks, 4);
}

TEST(Timer, StartingARunningTimerBeginsItsIntervalAgain) {
    test::FakeEventLoop loop;
    int ticks = 0;
    Timer timer(loop, 150ms, [&] { ++ticks; });
    timer.Start();
    RunFor(loop, 100ms);
    timer.Start();
    EXPECT_EQ(loop.NextTimer(), loop.Clock + 150ms);
    RunFor(loop, 100ms);
    EXPECT_EQ(ticks, 0);
    RunFor(loop, 50ms);
    EXPECT_EQ(ticks, 1);
}

TEST(Timer, ItsHandlerMayStopRestartOrDestroyIt) {
    test::FakeEventLoop loop;
    int stops = 0;
    Timer once(loop, 100ms, [&] {
        ++stops;
        once.Stop();
    });
    once.Start();
    RunFor(loop, 500ms);
    EXPECT_EQ(stops, 1);
    EXPECT_FALSE(once.Running());

    int restarts = 0;
    Timer again(loop, 100ms, [&] {
        ++restarts;
        again.Start();
    });
    again.Start();
    RunFor(loop, 300ms);
    EXPECT_EQ(restarts, 3);
    again.Stop();

    int ends = 0;
    std::unique_ptr<Timer> owned;
    owned = std::make_unique<Timer>(loop, 100ms, [&] {
        ++ends;
        owned.reset();
    });
    owned->Start();
    RunFor(loop, 500ms);
    EXPECT_EQ(ends, 1);
    EXPECT_FALSE(loop.NextTimer().has_value());
}

} // namespace
} // namespace tolmix
