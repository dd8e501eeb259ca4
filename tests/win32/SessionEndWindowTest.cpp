// Log-off and shutdown as a program with windows hears them: the messages the system sends its
// top-level windows, answered as the hidden window answers them.
#include "platform/win32/SessionEndWindow.h"
#include "platform/Message.h"
#include "platform/win32/Win32EventLoop.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <thread>

namespace tolmix::win32 {
namespace {

using namespace std::chrono_literals;

bool TakesQuit(Win32EventLoop& loop) {
    Message message;
    bool quit = false;
    while (loop.TakeMessage(message))
        quit = quit || message.Id == WmQuit;
    return quit;
}

TEST(SessionEnd, TheEndOfTheSessionQuitsTheLoopAndHoldsTheSystemUntilItsOwnerIsDone) {
    // Asked first whether the session may end: always.
    EXPECT_EQ(AnswerSessionEnd(WM_QUERYENDSESSION, 0), TRUE);
    auto loop = std::make_unique<Win32EventLoop>();
    std::atomic<bool> returned = false;
    // The system's thread, which ends the process as soon as the answer comes.
    std::thread system([&] {
        AnswerSessionEnd(WM_ENDSESSION, TRUE);
        returned = true;
    });
    bool quit = false;
    for (int i = 0; i < 300 && !quit; ++i) {
        loop->Wait(SteadyClock::now() + 100ms);
        quit = TakesQuit(*loop);
    }
    EXPECT_TRUE(quit);
    EXPECT_FALSE(returned); // still held: the client ends first
    loop.reset();
    system.join();
    EXPECT_TRUE(returned);
}

TEST(SessionEnd, AnEndOfSessionThatWasCalledOffLeavesTheLoopRunning) {
    Win32EventLoop loop;
    EXPECT_EQ(AnswerSessionEnd(WM_ENDSESSION, FALSE), 0);
    EXPECT_EQ(AnswerSessionEnd(WM_PAINT, 0), std::nullopt);
    loop.Wait(SteadyClock::now());
    EXPECT_FALSE(TakesQuit(loop));
}

TEST(SessionEnd, TheHiddenWindowAnswersTheSystem) {
    SessionEndWindow window;
    if (window.Window() == nullptr)
        GTEST_SKIP() << "no window system here (wine without a display)";
    EXPECT_EQ(::SendMessageW(static_cast<HWND>(window.Window()), WM_QUERYENDSESSION, 0,
                             ENDSESSION_LOGOFF),
              TRUE);
}

} // namespace
} // namespace tolmix::win32
