// The output window's scrollback as a player moves through it: the mouse wheel, the page keys
// with and without Shift, Ctrl+End, and the separator's count of new rows below the window.
// These keep the whole window for the scrolled-back text (SplitView=0); the split view has
// scenarios of its own.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/GameSession.h"
#include "e2e/harness/Keys.h"

#include <gtest/gtest.h>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;
const std::string WheelUp = "\x1b[<64;40;10M";
const std::string WheelDown = "\x1b[<65;40;10M";

std::string Lines(int first, int last) {
    std::string text;
    for (int n = first; n <= last; ++n)
        text += "line " + std::to_string(n) + "\r\n";
    return text;
}

// The number of the game line on the output window's last row (row 20 of 80x25), or -1.
int LastShownLine(PtySession& s) {
    const std::string row = s.RowTrimmed(20);
    if (row.rfind("line ", 0) != 0)
        return -1;
    return std::stoi(row.substr(5));
}

TEST(Scrollback, TheWheelScrollsTheOutputAndNewTextBelowIsCounted) {
    GameSession game("AutoSend=\r\nSplitView=0");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send(Lines(1, 60)));
    ASSERT_TRUE(s.WaitFor([&] { return LastShownLine(s) == 60; }, Patience)) << s.Dump();

    // One notch up is three rows, and the editor and its history stay as they were.
    s.Send("look");
    s.Send(WheelUp);
    ASSERT_TRUE(s.WaitFor([&] { return LastShownLine(s) == 57; }, Patience)) << s.Dump();
    EXPECT_EQ(s.RowTrimmed(22), "look");
    // Text arriving meanwhile waits below, and the separator says how many rows.
    ASSERT_TRUE(game.Peer().Send(Lines(61, 65)));
    ASSERT_TRUE(ShowsText(s,
                          "\u2193"
                          "8",
                          Patience))
        << s.Dump();
    EXPECT_EQ(LastShownLine(s), 57);
    // Three notches down reach the newest text again; the count goes.
    s.Send(WheelDown + WheelDown + WheelDown);
    ASSERT_TRUE(s.WaitFor([&] { return LastShownLine(s) == 65; }, Patience)) << s.Dump();
    EXPECT_FALSE(ShowsText(s, "\u2193", 0ms)) << s.Dump();
    // Following again: a new line shows at once.
    ASSERT_TRUE(game.Peer().Send(Lines(66, 66)));
    ASSERT_TRUE(s.WaitFor([&] { return LastShownLine(s) == 66; }, Patience)) << s.Dump();
}

TEST(Scrollback, ShiftPageKeysScrollAndCtrlEndReturnsToTheNewest) {
    GameSession game("AutoSend=\r\nSplitView=0");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send(Lines(1, 100)));
    ASSERT_TRUE(s.WaitFor([&] { return LastShownLine(s) == 100; }, Patience)) << s.Dump();
    // A window of 21 rows scrolls by 20.
    s.Send("\x1b[5;2~"); // Shift+Page Up
    ASSERT_TRUE(s.WaitFor([&] { return LastShownLine(s) == 80; }, Patience)) << s.Dump();
    s.Send(keys::PageUp);
    ASSERT_TRUE(s.WaitFor([&] { return LastShownLine(s) == 60; }, Patience)) << s.Dump();
    s.Send("\x1b[6;2~"); // Shift+Page Down
    ASSERT_TRUE(s.WaitFor([&] { return LastShownLine(s) == 80; }, Patience)) << s.Dump();
    s.Send(keys::CtrlEnd);
    ASSERT_TRUE(s.WaitFor([&] { return LastShownLine(s) == 100; }, Patience)) << s.Dump();
    EXPECT_FALSE(ShowsText(s, "\u2193", 0ms)) << s.Dump();
}

// Whether the output window (rows 0 to 20) shows consecutive game lines, ending with `last`.
bool ShowsConsecutiveLinesUpTo(PtySession& s, int last) {
    for (int y = 0; y <= 20; ++y) {
        if (s.RowTrimmed(y) != "line " + std::to_string(last - 20 + y))
            return false;
    }
    return true;
}

// The smallest scrollback (OutputSize is raised to twice the 25 rows) and 30,000 lines arriving
// while the player is scrolled back: the window moves to the oldest rows still kept, and
// scrolling down shows consecutive lines only, never rows the ring has overwritten.
TEST(Scrollback, AFloodWhileScrolledBackNeverShowsRowsOutOfOrder) {
    GameSession game("AutoSend=\r\nOutputSize=1\r\nSplitView=0");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send(Lines(1, 60)));
    ASSERT_TRUE(s.WaitFor([&] { return LastShownLine(s) == 60; }, Patience)) << s.Dump();
    s.Send(keys::PageUp); // as far back as the 50 rows reach: 8 rows
    ASSERT_TRUE(s.WaitFor([&] { return LastShownLine(s) == 52; }, Patience)) << s.Dump();
    for (int first = 61; first <= 30060; first += 1000)
        ASSERT_TRUE(game.Peer().Send(Lines(first, first + 999)));
    // The oldest rows kept, 8 above the newest, and the count below says 8.
    ASSERT_TRUE(s.WaitFor([&] { return ShowsConsecutiveLinesUpTo(s, 30052); }, 30000ms))
        << s.Dump();
    EXPECT_TRUE(ShowsText(s,
                          "\u2193"
                          "8",
                          Patience))
        << s.Dump();
    for (int last = 30053; last <= 30055; ++last) {
        s.Send(keys::CtrlDown);
        ASSERT_TRUE(s.WaitFor([&] { return ShowsConsecutiveLinesUpTo(s, last); }, Patience))
            << s.Dump();
    }
    s.Send(keys::PageDown);
    ASSERT_TRUE(s.WaitFor([&] { return ShowsConsecutiveLinesUpTo(s, 30060); }, Patience))
        << s.Dump();
}

// Mouse reports (the wheel, and drags with a button held) are on while the client runs, unless
// the player keeps the mouse for the terminal's own selection.
TEST(Scrollback, MouseReportsAreOnUnlessTurnedOff) {
    for (const bool on : {true, false}) {
        GameSession game(on ? "AutoSend=" : "AutoSend=\r\nMouseWheel=0");
        ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
        PtySession& s = game.Client();
        ASSERT_TRUE(ShowsText(s, "Tolmix Client", Patience)) << s.Dump();
        EXPECT_EQ(s.LastPrivateMode(1000), on);
        EXPECT_EQ(s.LastPrivateMode(1002), on);
        EXPECT_EQ(s.LastPrivateMode(1006), on);
    }
}

} // namespace
} // namespace tolmix::e2e
