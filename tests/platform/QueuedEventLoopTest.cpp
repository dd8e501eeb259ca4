#include "support/FakeEventLoop.h"

#include <gtest/gtest.h>

#include <thread>

namespace tolmix {
namespace {

TEST(EventLoop, ALateTimerYieldsOneMessageNotABacklog) {
    test::FakeEventLoop loop;
    const uint32_t id = loop.SetTimer(100, [] {});
    EXPECT_NE(id, 0u);
    Message m;
    EXPECT_FALSE(loop.TakeMessage(m));
    loop.Advance(Milliseconds(1000));
    ASSERT_TRUE(loop.TakeMessage(m));
    EXPECT_EQ(m.Id, WmTimer);
    EXPECT_EQ(m.WParam, id);
    EXPECT_FALSE(loop.TakeMessage(m));
    loop.Advance(Milliseconds(100));
    EXPECT_TRUE(loop.TakeMessage(m));
}

TEST(EventLoop, DispatchRunsTheTimerProcedureAndKilledTimersStop) {
    test::FakeEventLoop loop;
    int a = 0, b = 0;
    const uint32_t first = loop.SetTimer(250, [&] { ++a; });
    loop.SetTimer(100, [&] { ++b; });
    loop.Advance(Milliseconds(250));
    Message m;
    while (loop.TakeMessage(m))
        loop.Dispatch(m);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 1);
    loop.KillTimer(first);
    loop.Advance(Milliseconds(250));
    while (loop.TakeMessage(m))
        loop.Dispatch(m);
    EXPECT_EQ(a, 1);
    EXPECT_EQ(b, 2);
}

TEST(EventLoop, PostedMessagesComeFirstThenQuitOnce) {
    test::FakeEventLoop loop;
    loop.SetTimer(10, [] {});
    loop.Advance(Milliseconds(10));
    loop.Post({0x401, 7, -1});
    loop.RequestQuit();
    Message m;
    ASSERT_TRUE(loop.TakeMessage(m));
    EXPECT_EQ(m.Id, 0x401u);
    EXPECT_EQ(m.WParam, 7u);
    ASSERT_TRUE(loop.TakeMessage(m));
    EXPECT_EQ(m.Id, WmQuit);
    ASSERT_TRUE(loop.TakeMessage(m));
    EXPECT_EQ(m.Id, WmTimer);
    EXPECT_FALSE(loop.TakeMessage(m));
}

TEST(EventLoop, CallsFromOtherThreadsRunOnTheMainThreadAndWakeTheWait) {
    test::FakeEventLoop loop;
    std::vector<std::thread::id> ranOn;
    std::thread worker([&] {
        EXPECT_FALSE(loop.IsMainThread());
        for (int i = 0; i < 3; ++i)
            loop.QueueCall([&] { ranOn.push_back(std::this_thread::get_id()); });
        loop.Post({0x402, 0, 0});
    });
    worker.join();
    EXPECT_EQ(loop.Wakes, 4);
    EXPECT_TRUE(loop.RunQueuedCalls());
    EXPECT_FALSE(loop.RunQueuedCalls());
    ASSERT_EQ(ranOn.size(), 3u);
    for (auto id : ranOn)
        EXPECT_EQ(id, std::this_thread::get_id());
    // A wait with ready work returns at once without moving the clock.
    loop.SetTimer(500, [] {});
    loop.Wait(std::nullopt);
    EXPECT_EQ(loop.Now(), TimePoint{});
}

TEST(EventLoop, HandlersAreFoundByMessageId) {
    test::FakeEventLoop loop;
    int64_t seen = 0;
    loop.SetMessageHandler(0x3C9, [&](const Message& m) { seen = m.LParam; });
    loop.Dispatch({0x3C8, 0, 1});
    EXPECT_EQ(seen, 0);
    loop.Dispatch({0x3C9, 0, 42});
    EXPECT_EQ(seen, 42);
}

} // namespace
} // namespace tolmix
