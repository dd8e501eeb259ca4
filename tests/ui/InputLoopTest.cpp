// The input loop: messages before input, the idle step, the screen shown before every sleep,
// and what reaches the client.
#include "platform/VirtualKeys.h"
#include "support/FakeConsole.h"
#include "support/ScreenText.h"
#include "support/ScriptedLoopClient.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

class InputLoopTest : public ::testing::Test, protected test::FakeConsole {
  protected:
    test::ScriptedLoopClient Client;
};

TEST_F(InputLoopTest, UnconsumedEscapePressEndsTheLoop) {
    Term.Key(0x1B, 0x1B, ShiftPressed);
    Input.ProcessPending(Client);
    EXPECT_TRUE(Input.LoopEnded());
}

TEST_F(InputLoopTest, EscapeReleaseOrConsumedEscapeDoesNotEndTheLoop) {
    Client.OnKey = [](const KeyEvent& key) { return key.ControlKeyState == 0; };
    Term.Key(0x1B, 0x1B, 0, /*down=*/false);
    Term.Key(0x1B, 0x1B, 0);
    Term.Key('A', 'a', 0);
    Input.ProcessPending(Client);
    EXPECT_FALSE(Input.LoopEnded());
    EXPECT_TRUE(Term.Input.empty());
}

TEST_F(InputLoopTest, MessagesGoBeforeInputAndTerminationStopsTheQueue) {
    std::vector<std::string> order;
    Client.OnKey = [&](const KeyEvent& key) {
        order.push_back(std::string("key ") + static_cast<char>(key.Char));
        return true;
    };
    Loop.SetMessageHandler(0x400, [&](const Message&) { order.push_back("message"); });
    Term.Key('A', 'a');
    Term.Key('B', 'b');
    Loop.Post({0x400, 0, 0});
    Input.ProcessPending(Client);
    EXPECT_EQ(order, (std::vector<std::string>{"message", "key a", "key b"}));

    // A quit request ends the queue at once, even with input waiting.
    order.clear();
    Loop.RequestQuit();
    Term.Key('C', 'c');
    Input.ProcessPending(Client);
    EXPECT_TRUE(Input.LoopEnded());
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(Term.Input.size(), 1u);
}

TEST_F(InputLoopTest, StepRunsQueuedCallsBeforeIdleAndEndsThePassEarly) {
    int idle = 0;
    int calls = 0;
    Client.OnIdle = [&] {
        ++idle;
        return false;
    };
    Loop.QueueCall([&] { ++calls; });
    Input.Step(Client);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(idle, 0);
    Input.Step(Client);
    EXPECT_EQ(idle, 1);
    EXPECT_EQ(Loop.Waits, 1);
}

// Lines that stream in are taken several to a pass, but a bounded number of them, so that a
// key typed meanwhile is handled before the rest; the loop never sleeps while lines are ready
// and shows the screen at a bounded rate.
TEST_F(InputLoopTest, StreamingLinesAreTakenInBoundedBatchesWithoutSleepingAndShownAtABoundedRate) {
    constexpr int Lines = 200;
    int idle = 0;
    // Each idle call prints a line, as received text does.
    Client.OnIdle = [&] {
        Screen.WriteText("line " + std::to_string(idle), 7, MakeCoord(0, idle % 20));
        return ++idle < Lines;
    };
    int linesBeforeKey = -1;
    Client.OnKey = [&](const KeyEvent&) {
        linesBeforeKey = idle;
        return true;
    };
    Input.Step(Client);
    const int firstPass = idle;
    EXPECT_GT(firstPass, 1);
    EXPECT_LT(firstPass, Lines / 2);
    Term.Key('A', 'a', 0);
    Input.Step(Client);
    EXPECT_EQ(linesBeforeKey, firstPass);
    for (int pass = 0; pass < Lines && idle < Lines; ++pass)
        Input.Step(Client);
    EXPECT_EQ(idle, Lines);
    EXPECT_EQ(Loop.Waits, 1); // only before the first pass: later passes had work ready
    // The clock did not move while lines streamed in, so the screen was shown once.
    EXPECT_EQ(Term.Presents, 1);
    Loop.Advance(Milliseconds(20));
    Input.Step(Client);
    EXPECT_EQ(Term.Presents, 2);
    EXPECT_EQ(test::RowText(Term.Shown, (Lines - 1) % 20).substr(0, 8), "line 199");
}

TEST_F(InputLoopTest, AnUnchangedScreenIsNotSentAgainUnlessTheTerminalLostIt) {
    Input.Step(Client);
    EXPECT_EQ(Term.Presents, 1);
    Input.Step(Client);
    Input.Step(Client);
    EXPECT_EQ(Term.Presents, 1);
    Screen.SetCursorVisible(false);
    Input.Step(Client);
    EXPECT_EQ(Term.Presents, 2);
    EXPECT_FALSE(Term.Shown.CursorVisible);
    InputRecord resize;
    resize.Type = InputRecord::Kind::Resize;
    Term.Input.push_back(resize);
    Input.Step(Client);
    EXPECT_EQ(Term.Presents, 3);
}

TEST_F(InputLoopTest, TimersRunFromTheMessageQueueWhileTheLoopWaits) {
    int ticks = 0;
    Loop.SetTimer(250, [&] { ++ticks; });
    for (int i = 0; i < 8 && ticks < 3; ++i)
        Input.Step(Client);
    EXPECT_EQ(ticks, 3);
    // The pass that ran the third tick went on to wait for the fourth.
    EXPECT_EQ(Loop.Now() - TimePoint{}, Milliseconds(1000));
}

TEST_F(InputLoopTest, StepWaitsForAPendingKeySequence) {
    Term.Deadline = TimePoint{} + Milliseconds(25);
    Input.Step(Client);
    EXPECT_EQ(Loop.Now(), TimePoint{} + Milliseconds(25));
}

TEST_F(InputLoopTest, TerminalPasteArrivesInTheConsoleCodePage) {
    InputRecord paste;
    paste.Type = InputRecord::Kind::Paste;
    paste.Text = "\xEF\x80\r\n";
    paste.LeftOut = 3;
    Term.Input.push_back(paste);
    Input.ProcessPending(Client);
    ASSERT_EQ(Client.Pastes.size(), 1u);
    EXPECT_EQ(Client.Pastes[0].Text, "\xAF\x10\r\n");
    EXPECT_EQ(Client.Pastes[0].LeftOut, 3u);
}

TEST_F(InputLoopTest, AWheelNotchScrollsThreeRowsAndAResizeLaysTheScreenOutOnce) {
    InputRecord wheel;
    wheel.Type = InputRecord::Kind::Wheel;
    wheel.Wheel = -2;
    Term.Input.push_back(wheel);
    wheel.Wheel = 1;
    Term.Input.push_back(wheel);
    Term.ResizeTo(100, 30);
    // The same size again needs no new layout.
    Term.ResizeTo(100, 30);
    Input.ProcessPending(Client);
    ASSERT_EQ(Client.Wheels.size(), 2u);
    EXPECT_FALSE(Client.Wheels[0].Down);
    EXPECT_EQ(Client.Wheels[0].Rows, 6);
    EXPECT_TRUE(Client.Wheels[1].Down);
    EXPECT_EQ(Client.Wheels[1].Rows, 3);
    EXPECT_EQ(Client.Resizes, 1);
    EXPECT_EQ(Screen.GetBufferSize(), MakeCoord(100, 30));
}

TEST_F(InputLoopTest, TheLeftButtonReachesTheClientInTheOrderItCame) {
    InputRecord mouse;
    mouse.Type = InputRecord::Kind::Mouse;
    mouse.Mouse = {MouseEvent::Action::Press, 3, 4};
    Term.Input.push_back(mouse);
    Term.Key('x', 'x');
    mouse.Mouse = {MouseEvent::Action::Release, 7, 0};
    Term.Input.push_back(mouse);
    std::vector<size_t> miceAtKey;
    Client.OnKey = [&](const KeyEvent&) {
        miceAtKey.push_back(Client.Mice.size());
        return true;
    };
    Input.ProcessPending(Client);
    EXPECT_EQ(Client.Mice, (std::vector<MouseEvent>{{MouseEvent::Action::Press, 3, 4},
                                                    {MouseEvent::Action::Release, 7, 0}}));
    EXPECT_EQ(miceAtKey, std::vector<size_t>{1});
}

TEST_F(InputLoopTest, APumpOutsideAPassKeepsTheInputForTheNextPass) {
    std::vector<char> keys;
    Client.OnKey = [&](const KeyEvent& key) {
        keys.push_back(static_cast<char>(key.Char));
        return true;
    };
    int messages = 0;
    Loop.SetMessageHandler(0x400, [&](const Message&) { ++messages; });
    Term.Key('A', 'a');
    Loop.Post({0x400, 0, 0});
    // A waiter running the pump with no pass in progress (the player closing its stream while
    // the client goes): messages are handled, the key is not lost.
    MessagePump& pump = Input;
    pump.ProcessPending();
    EXPECT_EQ(messages, 1);
    EXPECT_TRUE(keys.empty());
    EXPECT_TRUE(Term.Input.empty());
    Input.ProcessPending(Client);
    EXPECT_EQ(keys, std::vector<char>{'a'});
}

TEST_F(InputLoopTest, APumpInsideAPassHandsTheInputToTheClientOfThatPass) {
    std::vector<char> keys;
    MessagePump& pump = Input;
    Client.OnKey = [&](const KeyEvent& key) {
        keys.push_back(static_cast<char>(key.Char));
        // A handler that waits and pumps meanwhile sees the next key arrive.
        if (key.Char == 'a')
            pump.ProcessPending();
        return true;
    };
    Term.Key('A', 'a');
    Term.Key('B', 'b');
    Input.Step(Client);
    EXPECT_EQ(keys, (std::vector<char>{'a', 'b'}));
}

} // namespace
} // namespace tolmix
