// The watchdog on its own: a pipe stands for the terminal, and its way out records the reason
// instead of ending the process.
#include "platform/posix/PluginWatchdog.h"
#include "platform/posix/PosixEventLoop.h"

#include <gtest/gtest.h>

#include <condition_variable>
#include <csignal>
#include <fcntl.h>
#include <mutex>
#include <unistd.h>

namespace tolmix::posix {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;

class Watchdog : public ::testing::Test {
  protected:
    int Keys[2] = {-1, -1}; // what the "terminal" sends: write to [1], the watchdog reads [0]
    std::mutex Lock;
    std::condition_variable Changed;
    std::string Reason;
    std::unique_ptr<PluginWatchdog> Dog;

    void SetUp() override {
        ASSERT_EQ(::pipe2(Keys, O_CLOEXEC | O_NONBLOCK), 0);
        Dog = std::make_unique<PluginWatchdog>(
            Keys[0],
            [this](const std::string& reason) {
                std::lock_guard<std::mutex> hold(Lock);
                Reason = reason;
                Changed.notify_all();
            },
            50ms, 100ms);
        ASSERT_TRUE(Dog->Active());
    }
    void TearDown() override {
        Dog.reset();
        ::close(Keys[0]);
        ::close(Keys[1]);
    }
    void Type(std::string_view bytes) {
        ASSERT_EQ(::write(Keys[1], bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
    }
    // The reason the watchdog ended with, once it did (bounded).
    std::string Ended() {
        std::unique_lock<std::mutex> hold(Lock);
        Changed.wait_for(hold, Patience, [this] { return !Reason.empty(); });
        return Reason;
    }
    bool NotEnded() {
        std::lock_guard<std::mutex> hold(Lock);
        return Reason.empty();
    }
    // How many bytes the "terminal" still holds unread.
    int Unread() {
        char buffer[64];
        const ssize_t n = ::read(Keys[0], buffer, sizeof buffer);
        return n < 0 ? 0 : static_cast<int>(n);
    }
};

TEST_F(Watchdog, F10EndsTheProgramOnceAPluginHoldsTheThreadAndKeysAreLeftAloneBefore) {
    // No plugin code: the keys are the client's own, never read here.
    Type("x");
    Dog->Enter();
    Dog->Leave();
    std::this_thread::sleep_for(150ms);
    EXPECT_EQ(Unread(), 1);
    EXPECT_TRUE(NotEnded());

    // A plugin that does not return: after a while the watchdog reads, and an F10 split over
    // two reads with other keys before it is found.
    Dog->Enter();
    Type("ab\x1b[2");
    Type("1~");
    EXPECT_EQ(Ended(), "F10 while a plugin did not return");
}

TEST_F(Watchdog, WhileThePluginRunsTheClientsLoopOnlyAQuitItKeepsWaitingEndsTheProgram) {
    Dog->Enter();
    Dog->PassBegins(); // ProcessIdle: the client's loop reads the keys itself
    Type("\x1b[21~");
    std::this_thread::sleep_for(150ms);
    EXPECT_TRUE(NotEnded());
    Dog->PassEnds();
    Dog->PassBegins();
    EXPECT_EQ(Unread(), 5) << "the loop's keys are not taken";
    Dog->PassEnds();
    Dog->QuitPending(); // the loop ended, and the plugin goes on
    EXPECT_EQ(Ended(), "a quit request while a plugin did not return");
}

TEST_F(Watchdog, AQuitSignalEndsTheProgramOnlyWhileAPluginKeepsItWaiting) {
    PosixEventLoop loop; // takes SIGTERM as a quit request
    const auto settle = 150ms;
    // A plugin that returns in time: the loop handles the quit itself.
    Dog->Enter();
    ::kill(::getpid(), SIGTERM);
    Dog->Leave();
    std::this_thread::sleep_for(settle);
    EXPECT_TRUE(NotEnded());
    // Plugin code running again a grace after the quit (a destructor that hangs): the end.
    Dog->Enter();
    EXPECT_EQ(Ended(), "a quit request while a plugin did not return");
}

} // namespace
} // namespace tolmix::posix
