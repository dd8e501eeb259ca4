#include "ui/TConsole.h"
#include "support/FakeClipboard.h"
#include "support/FakeEventLoop.h"
#include "support/FakeTerminal.h"
#include "support/ScreenText.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

class ConsoleTest : public ::testing::Test {
  protected:
    test::FakeTerminal Term;
    test::FakeEventLoop Loop;
    test::FakeClipboard Clip;
    TConsole Con{Term, Loop, Clip};

    const Frame& Screen() { return Con.Screen(); }
};

TEST_F(ConsoleTest, ColourBytesChangeOnlyTheForeground) {
    Con.WriteColoredText("a\x0C"
                         "b\x01"
                         "c",
                         0x4E, MakeCoord(2, 1));
    EXPECT_EQ(Screen().At(2, 1), (Cell{'a', 0x4E}));
    EXPECT_EQ(Screen().At(3, 1), (Cell{'b', 0x4C}));
    EXPECT_EQ(Screen().At(4, 1), (Cell{'c', 0x41}));
    EXPECT_EQ(Screen().At(5, 1), (Cell{' ', 7}));
}

TEST_F(ConsoleTest, TextOfColourBytesOnlyWritesNoCells) {
    const Frame before = Screen();
    Con.WriteColoredText("\x01\x02\x0F", 0x17, MakeCoord(0, 0));
    Con.WriteText("", 0x17, MakeCoord(0, 0));
    Con.FillRect(MakeCoord(0, 0), 0, 5, 'x', 0x17);
    Con.FillRect(MakeCoord(0, 0), 5, 0, 'x', 0x17);
    EXPECT_EQ(Screen(), before);
}

TEST_F(ConsoleTest, WritesOutsideTheBufferAreClipped) {
    Con.WriteText("abc", 0x1F, MakeCoord(78, 24));
    EXPECT_EQ(Screen().At(78, 24), (Cell{'a', 0x1F}));
    EXPECT_EQ(Screen().At(79, 24), (Cell{'b', 0x1F}));
    Con.FillRect(MakeCoord(-1, -1), 3, 3, '#', 0x20);
    EXPECT_EQ(Screen().At(0, 0), (Cell{'#', 0x20}));
    EXPECT_EQ(Screen().At(1, 1), (Cell{'#', 0x20}));
    EXPECT_EQ(Screen().At(2, 2), (Cell{' ', 7}));
}

TEST_F(ConsoleTest, FillAttributeContinuesOnTheNextRow) {
    Con.WriteText("xy", 7, MakeCoord(78, 0));
    Con.FillAttribute(MakeCoord(79, 0), 3, 0x5A);
    EXPECT_EQ(Screen().At(78, 0), (Cell{'x', 7}));
    EXPECT_EQ(Screen().At(79, 0), (Cell{'y', 0x5A}));
    EXPECT_EQ(Screen().At(0, 1).Attr, 0x5A);
    EXPECT_EQ(Screen().At(1, 1).Attr, 0x5A);
    EXPECT_EQ(Screen().At(2, 1).Attr, 7);
}

TEST_F(ConsoleTest, ClearUsesTheTextAttributeAndHomesTheCursor) {
    Con.SetCursorPos(MakeCoord(5, 5));
    Con.SetTextAttr(0x1E);
    Con.Clear();
    EXPECT_TRUE(test::RowIs(Screen(), 0, ' ', 0x1E));
    EXPECT_TRUE(test::RowIs(Screen(), 24, ' ', 0x1E));
    EXPECT_EQ(Screen().CursorX, 0);
    EXPECT_EQ(Screen().CursorY, 0);
}

TEST_F(ConsoleTest, BufferSizeIsAskedOfTheTerminalAndKeepsTheCells) {
    Con.WriteText("keep", 0x0A, MakeCoord(0, 0));
    Con.SetBufferSize(MakeCoord(40, 10));
    EXPECT_EQ(Con.GetBufferSize(), MakeCoord(40, 10));
    ASSERT_EQ(Term.SizeRequests.size(), 1u);
    EXPECT_EQ(Term.SizeRequests[0].Columns, 40);
    EXPECT_EQ(Term.SizeRequests[0].Rows, 10);
    EXPECT_EQ(test::RowText(Screen(), 0).substr(0, 4), "keep");
}

TEST_F(ConsoleTest, TitleIsCappedAndPassedOnWithTheNextFrame) {
    Con.SetTitle(std::string(300, 'T'));
    EXPECT_EQ(Con.GetTitle().size(), 260u);
    Con.Flush();
    EXPECT_EQ(Term.Title.size(), 260u);
}

TEST_F(ConsoleTest, ManyTitlesInOneFrameReachTheTerminalOnce) {
    Term.Titles.clear();
    for (int i = 0; i < 100000; ++i)
        Con.SetTitle("name " + std::to_string(i));
    Con.Flush();
    EXPECT_EQ(Term.Titles, std::vector<std::string>{"name 99999"});
    // The same title again, or none, writes nothing more.
    Con.SetTitle("name 99999");
    Con.Flush();
    Con.Flush();
    EXPECT_EQ(Term.Titles.size(), 1u);
    Con.SetTitle("other");
    Con.Flush();
    EXPECT_EQ(Term.Titles.back(), "other");
    EXPECT_EQ(Term.Titles.size(), 2u);
}

TEST_F(ConsoleTest, UnconsumedEscapePressEndsTheLoop) {
    Term.Key(0x1B, 0x1B, ShiftPressed);
    EXPECT_TRUE(Con.ProcessInput());
    EXPECT_TRUE(Con.Terminated);
}

TEST_F(ConsoleTest, EscapeReleaseOrConsumedEscapeDoesNotEndTheLoop) {
    Con.OnKey = [](const KeyEvent& key) { return key.ControlKeyState == 0; };
    Term.Key(0x1B, 0x1B, 0, /*down=*/false);
    Term.Key(0x1B, 0x1B, 0);
    Term.Key('A', 'a', 0);
    Con.ProcessPending();
    EXPECT_FALSE(Con.Terminated);
    EXPECT_TRUE(Term.Input.empty());
}

TEST_F(ConsoleTest, MessagesGoBeforeInputAndTerminationStopsTheQueue) {
    std::vector<std::string> order;
    Con.OnKey = [&](const KeyEvent& key) {
        order.push_back(std::string("key ") + static_cast<char>(key.Char));
        return true;
    };
    Loop.SetMessageHandler(0x400, [&](const Message&) { order.push_back("message"); });
    Term.Key('A', 'a');
    Term.Key('B', 'b');
    Loop.Post({0x400, 0, 0});
    Con.ProcessPending();
    EXPECT_EQ(order, (std::vector<std::string>{"message", "key a", "key b"}));

    // A quit request ends the queue at once, even with input waiting.
    order.clear();
    Loop.RequestQuit();
    Term.Key('C', 'c');
    Con.ProcessPending();
    EXPECT_TRUE(Con.Terminated);
    EXPECT_TRUE(order.empty());
    EXPECT_EQ(Term.Input.size(), 1u);
}

TEST_F(ConsoleTest, StepRunsQueuedCallsBeforeIdleAndEndsThePassEarly) {
    int idle = 0;
    int calls = 0;
    Con.OnIdle = [&] {
        ++idle;
        return false;
    };
    Loop.QueueCall([&] { ++calls; });
    Con.Step();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(idle, 0);
    Con.Step();
    EXPECT_EQ(idle, 1);
    EXPECT_EQ(Loop.Waits, 1);
}

TEST_F(ConsoleTest, BusyIdleSkipsTheWaitAndShowsTheScreenAtABoundedRate) {
    int idle = 0;
    // Each idle call prints a line, as received text does.
    Con.OnIdle = [&] {
        Con.WriteText("line", 7, MakeCoord(0, idle % 20));
        return ++idle < 5;
    };
    for (int i = 0; i < 5; ++i)
        Con.Step();
    EXPECT_EQ(idle, 5);
    EXPECT_EQ(Loop.Waits, 1); // only before the first pass: later passes had work ready
    // The clock did not move while lines streamed in, so the screen was shown once.
    EXPECT_EQ(Term.Presents, 1);
    Loop.Advance(Milliseconds(20));
    Con.Step();
    EXPECT_EQ(Term.Presents, 2);
    EXPECT_EQ(test::RowText(Term.Shown, 4).substr(0, 4), "line");
}

TEST_F(ConsoleTest, AnUnchangedScreenIsNotSentAgainUnlessTheTerminalLostIt) {
    Con.Step();
    EXPECT_EQ(Term.Presents, 1);
    Con.Step();
    Con.Step();
    EXPECT_EQ(Term.Presents, 1);
    Con.SetCursorVisible(false);
    Con.Step();
    EXPECT_EQ(Term.Presents, 2);
    EXPECT_FALSE(Term.Shown.CursorVisible);
    InputRecord resize;
    resize.Type = InputRecord::Kind::Resize;
    Term.Input.push_back(resize);
    Con.Step();
    EXPECT_EQ(Term.Presents, 3);
}

TEST_F(ConsoleTest, TimersRunFromTheMessageQueueWhileTheLoopWaits) {
    int ticks = 0;
    Loop.SetTimer(250, [&] { ++ticks; });
    for (int i = 0; i < 8 && ticks < 3; ++i)
        Con.Step();
    EXPECT_EQ(ticks, 3);
    // The pass that ran the third tick went on to wait for the fourth.
    EXPECT_EQ(Loop.Now() - TimePoint{}, Milliseconds(1000));
}

TEST_F(ConsoleTest, StepWaitsForAPendingKeySequence) {
    Term.Deadline = TimePoint{} + Milliseconds(25);
    Con.Step();
    EXPECT_EQ(Loop.Now(), TimePoint{} + Milliseconds(25));
}

TEST_F(ConsoleTest, ClipboardCrossesInWindows1251) {
    Con.CopyToClipboard("\x8F\x11x");
    ASSERT_TRUE(Clip.Text.has_value());
    EXPECT_EQ(*Clip.Text, "\xCF\x81x");
    Clip.Text = std::string("\xE0\x85z\0tail", 8);
    EXPECT_EQ(Con.PasteFromClipboard(), "\xA0\x15z");
    Clip.Text.reset();
    EXPECT_EQ(Con.PasteFromClipboard(), "");
}

TEST_F(ConsoleTest, TerminalPasteArrivesInTheConsoleCodePage) {
    struct Recorder final : PasteTarget {
        std::string Pasted;
        void Paste(const std::string& text, uint64_t) override { Pasted = text; }
    } recorder;
    Con.PasteInto = &recorder;
    InputRecord paste;
    paste.Type = InputRecord::Kind::Paste;
    paste.Text = "\xEF\x80\r\n";
    Term.Input.push_back(paste);
    Con.ProcessPending();
    EXPECT_EQ(recorder.Pasted, "\xAF\x10\r\n");
}

} // namespace
} // namespace tolmix
