#include "platform/VirtualKeys.h"
#include "support/FakeConsole.h"
#include "support/ScriptedLoopClient.h"

#include <gtest/gtest.h>

#include <vector>

namespace tolmix {
namespace {

using Purpose = NetworkWait::Purpose;

// The input loop as the connection's place to wait: the screen stays shown, timers run, keys are
// kept for afterwards, and F10, Escape (while connecting) and a quit request call the wait off.
class InputLoopWaitTest : public ::testing::Test, protected test::FakeConsole {
  protected:
    test::ScriptedLoopClient Client;
    std::vector<KeyEvent> Handled;
    const PollHandle Socket{7};
    const TimePoint Deadline = TimePoint{} + Milliseconds(30000);

    void SetUp() override {
        Client.OnKey = [this](const KeyEvent& key) {
            Handled.push_back(key);
            return true;
        };
    }
    bool Wait(Purpose purpose = Purpose::Connect) {
        return Input.WaitForSocket(Socket, Readiness::Write, Deadline, purpose);
    }
    std::vector<uint16_t> HandledKeys() const {
        std::vector<uint16_t> keys;
        for (const KeyEvent& key : Handled)
            keys.push_back(key.VirtualKey);
        return keys;
    }
};

TEST_F(InputLoopWaitTest, TheScreenIsShownAndTheSocketWatchedOnlyWhileWaiting) {
    Screen.WriteText("Connecting", 7, MakeCoord(0, 3));
    std::vector<PollHandle> watchedDuringWait;
    Loop.OnWait = [&] { watchedDuringWait = Loop.WritableHandles(); };
    EXPECT_TRUE(Wait());
    EXPECT_EQ(Term.Shown.At(0, 3), (Cell{'C', 7}));
    EXPECT_EQ(watchedDuringWait, std::vector<PollHandle>{Socket});
    EXPECT_TRUE(Loop.WritableHandles().empty());
    // One wait, no spinning: without timers the clock goes straight to the deadline.
    EXPECT_EQ(Loop.Waits, 1);
    EXPECT_EQ(Loop.Now(), Deadline);
}

TEST_F(InputLoopWaitTest, TimersRunAndOrdinaryKeysWaitTheirTurnInOrder) {
    int ticks = 0;
    Loop.SetTimer(100, [&] { ++ticks; });
    Loop.OnWait = [this] {
        if (Loop.Waits == 1) {
            Term.Key('A', 'a');
            Term.Key(VkReturn, '\r');
            Term.Key(VkEscape, 0x1B); // not a way out of a send
        }
    };
    EXPECT_TRUE(Wait(Purpose::Send));
    EXPECT_TRUE(Wait(Purpose::Send));
    EXPECT_GE(ticks, 1);
    EXPECT_TRUE(Handled.empty()); // nothing runs inside the wait
    Input.ProcessPending(Client);
    EXPECT_EQ(HandledKeys(), (std::vector<uint16_t>{'A', VkReturn, VkEscape}));
}

TEST_F(InputLoopWaitTest, EscapeCallsAConnectOffAndIsSpent) {
    Term.Key('B', 'b');
    Loop.OnWait = [this] { Term.Key(VkEscape, 0x1B); };
    EXPECT_FALSE(Wait(Purpose::Connect));
    EXPECT_FALSE(Input.LoopEnded());
    Input.ProcessPending(Client);
    EXPECT_EQ(HandledKeys(), (std::vector<uint16_t>{'B'}));
}

TEST_F(InputLoopWaitTest, F10CallsAnyWaitOffAndThenDoesWhatF10Does) {
    for (Purpose purpose : {Purpose::Connect, Purpose::Send}) {
        Handled.clear();
        Loop.OnWait = [this] { Term.Key(VkF10); };
        EXPECT_FALSE(Wait(purpose));
        Loop.OnWait = nullptr;
        Input.ProcessPending(Client);
        EXPECT_EQ(HandledKeys(), std::vector<uint16_t>{VkF10});
    }
    // A key already typed before the wait began calls it off without sleeping.
    Term.Key(VkF10);
    const int waits = Loop.Waits;
    EXPECT_FALSE(Wait(Purpose::Send));
    EXPECT_EQ(Loop.Waits, waits);
}

TEST_F(InputLoopWaitTest, AModifiedEscapeCallsAConnectOffAndKeepsItsOwnMeaning) {
    Loop.OnWait = [this] { Term.Key(VkEscape, 0x1B, ShiftPressed); };
    EXPECT_FALSE(Wait(Purpose::Connect));
    Input.ProcessPending(Client);
    ASSERT_EQ(Handled.size(), 1u);
    EXPECT_EQ(Handled[0].ControlKeyState, ShiftPressed);
}

TEST_F(InputLoopWaitTest, AQuitRequestEndsTheWaitAndTheLoop) {
    Loop.OnWait = [this] { Loop.RequestQuit(); };
    EXPECT_FALSE(Wait(Purpose::Send));
    EXPECT_TRUE(Input.LoopEnded());
    // Every later wait gives up at once.
    const int waits = Loop.Waits;
    EXPECT_FALSE(Wait(Purpose::Connect));
    EXPECT_EQ(Loop.Waits, waits);
}

TEST_F(InputLoopWaitTest, APendingEscapeSequenceShortensTheWait) {
    Term.Deadline = TimePoint{} + Milliseconds(25);
    EXPECT_TRUE(Wait());
    EXPECT_EQ(Loop.Now(), TimePoint{} + Milliseconds(25));
}

} // namespace
} // namespace tolmix
