#include "platform/posix/PosixEventLoop.h"

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace tolmix::posix {
namespace {

using namespace std::chrono_literals;

TEST(PosixEventLoop, WaitSleepsUntilTheNextTimer) {
    PosixEventLoop loop;
    loop.SetTimer(60, [] {});
    const auto start = SteadyClock::now();
    loop.Wait(std::nullopt);
    const auto waited = SteadyClock::now() - start;
    EXPECT_GE(waited, 55ms);
    EXPECT_LT(waited, 1000ms);
    Message m;
    ASSERT_TRUE(loop.TakeMessage(m));
    EXPECT_EQ(m.Id, WmTimer);
}

TEST(PosixEventLoop, ACallFromAnotherThreadEndsTheWait) {
    PosixEventLoop loop;
    loop.SetTimer(10'000, [] {});
    bool ran = false;
    std::thread worker([&] {
        std::this_thread::sleep_for(30ms);
        loop.QueueCall([&] { ran = true; });
    });
    const auto start = SteadyClock::now();
    loop.Wait(std::nullopt);
    EXPECT_LT(SteadyClock::now() - start, 5s);
    worker.join();
    EXPECT_TRUE(loop.RunQueuedCalls());
    EXPECT_TRUE(ran);
}

TEST(PosixEventLoop, AReadableDescriptorEndsTheWait) {
    PosixEventLoop loop;
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    loop.WatchFd(fds[0]);
    std::thread writer([&] {
        std::this_thread::sleep_for(30ms);
        ASSERT_EQ(::write(fds[1], "x", 1), 1);
    });
    const auto start = SteadyClock::now();
    loop.Wait(SteadyClock::now() + 10s);
    EXPECT_LT(SteadyClock::now() - start, 5s);
    writer.join();
    loop.UnwatchFd(fds[0]);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(PosixEventLoop, AWritableWatchEndsTheWaitOnlyOnceThereIsRoom) {
    PosixEventLoop loop;
    int fds[2];
    ASSERT_EQ(::pipe2(fds, O_NONBLOCK), 0);
    char block[4096] = {};
    while (::write(fds[1], block, sizeof block) > 0) {
    }
    loop.WatchWritable(PollHandle{fds[1]});
    // Full: the wait lasts until its deadline.
    auto start = SteadyClock::now();
    loop.Wait(start + 100ms);
    EXPECT_GE(SteadyClock::now() - start, 90ms);
    // Room again: the wait ends at once.
    while (::read(fds[0], block, sizeof block) > 0) {
    }
    start = SteadyClock::now();
    loop.Wait(start + 10s);
    EXPECT_LT(SteadyClock::now() - start, 5s);
    // No longer watched: back to sleeping until the deadline.
    loop.UnwatchWritable(PollHandle{fds[1]});
    start = SteadyClock::now();
    loop.Wait(start + 100ms);
    EXPECT_GE(SteadyClock::now() - start, 90ms);
    ::close(fds[0]);
    ::close(fds[1]);
}

TEST(PosixEventLoop, ASocketWaitedOnForRoomIsNotWokenByArrivingData) {
    // A send that waits for the peer leaves what the peer sends meanwhile unread: the wait
    // must not turn into spinning on it.
    PosixEventLoop loop;
    int pair[2];
    ASSERT_EQ(::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0, pair), 0);
    char block[4096] = {};
    while (::send(pair[0], block, sizeof block, MSG_NOSIGNAL) > 0) {
    }
    ASSERT_EQ(::write(pair[1], "x", 1), 1);
    loop.WatchHandle(PollHandle{pair[0]});
    loop.WatchWritable(PollHandle{pair[0]});
    auto start = SteadyClock::now();
    loop.Wait(start + 100ms);
    EXPECT_GE(SteadyClock::now() - start, 90ms);
    // The send done, the data ends the wait again.
    loop.UnwatchWritable(PollHandle{pair[0]});
    start = SteadyClock::now();
    loop.Wait(start + 10s);
    EXPECT_LT(SteadyClock::now() - start, 5s);
    loop.UnwatchHandle(PollHandle{pair[0]});
    ::close(pair[0]);
    ::close(pair[1]);
}

TEST(PosixEventLoop, TerminationSignalsBecomeOneQuitMessage) {
    for (int signal : {SIGTERM, SIGHUP}) {
        PosixEventLoop loop;
        loop.SetTimer(10'000, [] {});
        ::raise(signal);
        loop.Wait(std::nullopt); // must not sleep: the signal is pending work
        Message m;
        ASSERT_TRUE(loop.TakeMessage(m)) << signal;
        EXPECT_EQ(m.Id, WmQuit);
        EXPECT_FALSE(loop.TakeMessage(m));
    }
}

TEST(PosixEventLoop, WindowSizeSignalIsReportedOnce) {
    PosixEventLoop loop;
    EXPECT_FALSE(loop.TakeResized());
    ::raise(SIGWINCH);
    EXPECT_TRUE(loop.TakeResized());
    EXPECT_FALSE(loop.TakeResized());
}

} // namespace
} // namespace tolmix::posix
