// The client in terminals of the sizes players have, and resized while it runs: idle, in the
// middle of a burst of server text, and below the smallest usable size. After each resize the
// screen must be what a fresh start at that size shows.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/ClientScreen.h"
#include "e2e/harness/GameSession.h"
#include "e2e/harness/Keys.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>
#include <string>
#include <utility>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 10000ms;
constexpr std::string_view TooSmall = "Окно слишком мало";

std::string Lines(int first, int last) {
    std::string text;
    for (int n = first; n <= last; ++n)
        text += "line " + std::to_string(n) + "\r\n";
    return text;
}

// The default layout's rows at this height, and the last output row.
struct Rows {
    explicit Rows(int rows) : layout(DefaultLayout::ForRows(rows)) {}
    DefaultLayout layout;
    int lastOutput() const { return layout.separatorRow - 1; }
};

// The newest line on the output window's last row, and the frame finished: the cursor is back
// at the editor's start (the terminal model may be read in the middle of a frame).
bool ShowsLastLine(PtySession& s, int line, int cursorX = 0) {
    if (s.Rows() < 5)
        return false;
    const Rows rows(s.Rows());
    return s.RowTrimmed(rows.lastOutput()) == "line " + std::to_string(line) &&
           s.Cursor() == CursorPosition{cursorX, rows.layout.editorTop};
}

// Status panel on its two rows, a blank editor row with the cursor at its start, the separator
// across the whole width, and above it only consecutive game lines ending with `last`: nothing
// stray, nothing doubled, nothing missing.
testing::AssertionResult ScreenIsWhole(const PtySession& s, int last) {
    const Rows rows(s.Rows());
    std::ostringstream why;
    for (int x = 0; x < s.Columns(); ++x) {
        if (s.Cell(x, rows.layout.separatorRow).ch != U'\u2500')
            why << "separator broken at column " << x << "; ";
        for (int y = rows.layout.panelRow; y < s.Rows(); ++y)
            if (s.Cell(x, y).Attribute() >> 4 != 8)
                why << "panel row " << y << " column " << x << " not in its colour; ";
        if (s.Cell(x, rows.layout.editorTop).Attribute() != 0x0F ||
            s.Cell(x, rows.layout.editorTop).ch != U' ')
            why << "editor cell " << x << " not blank; ";
    }
    if (s.RowTrimmed(rows.layout.panelRow).rfind("Уровень", 0) != 0)
        why << "panel text missing; ";
    for (int y = 0; y < rows.layout.separatorRow; ++y) {
        const std::string expected = "line " + std::to_string(last - (rows.lastOutput() - y));
        if (s.RowTrimmed(y) != expected)
            why << "row " << y << " is \"" << s.RowTrimmed(y) << "\", not \"" << expected << "\"; ";
    }
    if (!s.CursorVisible() || s.Cursor() != CursorPosition{0, rows.layout.editorTop})
        why << "cursor not at the editor's start; ";
    if (why.str().empty())
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << why.str() << "\n" << s.Dump();
}

// Cell for cell, colours and cursor included.
testing::AssertionResult SameScreen(const PtySession& resized, const PtySession& fresh) {
    if (resized.Columns() != fresh.Columns() || resized.Rows() != fresh.Rows())
        return testing::AssertionFailure() << "sizes differ";
    for (int y = 0; y < fresh.Rows(); ++y)
        for (int x = 0; x < fresh.Columns(); ++x) {
            const ScreenCell a = resized.Cell(x, y);
            const ScreenCell b = fresh.Cell(x, y);
            if (a.chars != b.chars || a.Attribute() != b.Attribute())
                return testing::AssertionFailure()
                       << "cell " << x << "," << y << " differs\nresized:\n"
                       << resized.Dump() << "\nfresh start:\n"
                       << fresh.Dump();
        }
    if (resized.Cursor() != fresh.Cursor() || resized.CursorVisible() != fresh.CursorVisible())
        return testing::AssertionFailure() << "cursor differs\n" << resized.Dump();
    return testing::AssertionSuccess();
}

// The fresh start's screen becomes the resized one's, waited for (both may draw a later frame).
testing::AssertionResult SettlesToSameScreen(PtySession& resized, PtySession& fresh) {
    const auto same = [&] {
        resized.WaitFor([] { return true; }, std::chrono::milliseconds{0}); // reads its output
        return static_cast<bool>(SameScreen(resized, fresh));
    };
    if (fresh.WaitFor(same, Patience))
        return testing::AssertionSuccess();
    return SameScreen(resized, fresh);
}

// A connected client at this size that has shown lines 1 to `last`.
std::unique_ptr<GameSession> ShowingLines(int columns, int rows, int last) {
    GameSessionOptions options;
    options.settings = "AutoSend=";
    options.columns = columns;
    options.rows = rows;
    auto game = std::make_unique<GameSession>(options);
    if (!game->Connect(Patience))
        return nullptr;
    game->Peer().Post(Lines(1, last));
    if (!game->Client().WaitFor([&] { return ShowsLastLine(game->Client(), last); }, Patience))
        return nullptr;
    return game;
}

const std::pair<int, int> PlayerSizes[] = {{80, 24}, {60, 15}, {120, 40}};

TEST(Resize, EachSizeFromTheStartIsLaidOutWhole) {
    for (const auto& [columns, rows] : PlayerSizes) {
        auto game = ShowingLines(columns, rows, 60);
        ASSERT_TRUE(game) << columns << "x" << rows;
        PtySession& s = game->Client();
        EXPECT_TRUE(s.WaitFor([&] { return ScreenIsWhole(s, 60); }, Patience))
            << columns << "x" << rows << "\n"
            << ScreenIsWhole(s, 60).message();
    }
}

TEST(Resize, AfterAResizeWhileIdleTheScreenIsAFreshStartsAtThatSize) {
    auto game = ShowingLines(80, 25, 60);
    ASSERT_TRUE(game);
    PtySession& s = game->Client();
    for (const auto& [columns, rows] : PlayerSizes) {
        s.Resize(columns, rows);
        ASSERT_TRUE(
            s.WaitFor([&] { return ShowsLastLine(s, 60) && ScreenIsWhole(s, 60); }, Patience))
            << columns << "x" << rows << "\n"
            << ScreenIsWhole(s, 60).message();
        auto fresh = ShowingLines(columns, rows, 60);
        ASSERT_TRUE(fresh);
        EXPECT_TRUE(SettlesToSameScreen(s, fresh->Client())) << columns << "x" << rows;
    }
}

TEST(Resize, ResizesDuringABurstLeaveAWholeScreenWithTheLastLineShown) {
    constexpr int Chunk = 1500;
    constexpr int Last = 5 * Chunk;
    GameSessionOptions options;
    options.settings = "AutoSend=";
    GameSession game(options);
    ASSERT_TRUE(game.Connect(Patience));
    PtySession& s = game.Client();
    // Each resize lands while a chunk of lines is streaming in.
    int sent = 0;
    for (const auto& [columns, rows] : {std::pair{60, 15}, std::pair{120, 40}, std::pair{19, 4},
                                        std::pair{100, 30}, std::pair{80, 24}}) {
        game.Peer().Post(Lines(sent + 1, sent + Chunk));
        sent += Chunk;
        s.PumpFor(5ms);
        s.Resize(columns, rows);
        s.PumpFor(10ms);
    }
    ASSERT_TRUE(s.WaitFor([&] { return ShowsLastLine(s, Last); }, Patience)) << s.Dump();
    EXPECT_TRUE(s.WaitFor([&] { return ScreenIsWhole(s, Last); }, Patience))
        << ScreenIsWhole(s, Last).message();
    auto fresh = ShowingLines(80, 24, Last);
    ASSERT_TRUE(fresh);
    EXPECT_TRUE(SettlesToSameScreen(s, fresh->Client()));
    // The scrollback reaches back past the window as far as it did: a page up shows the
    // lines above, still consecutive, in the 13 rows above the split's separator.
    s.Send(keys::PageUp);
    ASSERT_TRUE(s.WaitFor([&] { return s.RowTrimmed(12) == "line " + std::to_string(Last - 26); },
                          Patience))
        << s.Dump();
    EXPECT_EQ(s.RowTrimmed(0), "line " + std::to_string(Last - 38));
    EXPECT_EQ(s.RowTrimmed(19), "line " + std::to_string(Last));
}

TEST(Resize, BelowTheSmallestSizeOneLineSaysSoAndTheClientComesBack) {
    GameSessionOptions options;
    options.settings = "AutoSend=";
    options.columns = 19;
    options.rows = 4;
    GameSession game(options);
    ASSERT_TRUE(game.Connect(Patience));
    PtySession& s = game.Client();
    ASSERT_TRUE(ShowsText(s, TooSmall, Patience));
    EXPECT_FALSE(s.CursorVisible()) << s.Dump();
    // Nothing else is on the screen: one line of notice.
    int used = 0;
    for (int y = 0; y < s.Rows(); ++y)
        used += s.RowTrimmed(y).empty() ? 0 : 1;
    EXPECT_EQ(used, 1) << s.Dump();

    // It keeps running: text arrives, keys are typed, and a larger terminal shows them.
    game.Peer().Post(Lines(1, 30));
    s.PumpFor(100ms);
    s.Send("look");
    s.PumpFor(50ms);
    s.Resize(60, 15);
    ASSERT_TRUE(s.WaitFor([&] { return ShowsLastLine(s, 30, 4); }, Patience)) << s.Dump();
    EXPECT_EQ(s.RowTrimmed(12), "look");
    EXPECT_EQ(s.Cursor(), (CursorPosition{4, 12}));
    EXPECT_TRUE(s.CursorVisible());
    EXPECT_FALSE(s.ScreenContains(TooSmall));

    // Smaller again, and F10 still ends it with the terminal put back.
    s.Resize(30, 3);
    ASSERT_TRUE(ShowsText(s, TooSmall, Patience));
    ASSERT_TRUE(s.Send(keys::F10));
    EXPECT_TRUE(ExitsWith(s, 0, Patience));
    EXPECT_TRUE(TtyRestored(s));
}

} // namespace
} // namespace tolmix::e2e
