// The search in the scrollback and the split view of a scrolled-back window, as a player meets
// them: Ctrl+F opens the search line, Enter and Shift+Enter go through the lines found with the
// text highlighted, Escape puts the view back; scrolled back, the newest text stays in view
// below a separator while a stream goes on, and a resize keeps the split whole.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/GameSession.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/TextColour.h"

#include <gtest/gtest.h>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;
constexpr int EditorRow = 22;      // of 80x25: output 0-20, separator 21, editor 22
constexpr int SplitSeparator = 13; // 21 output rows: 13 above it, 7 below
// The highlight: light grey on black reversed.
constexpr int Highlighted = 0x70;

std::string Lines(int first, int last) {
    std::string text;
    for (int n = first; n <= last; ++n)
        text += "line " + std::to_string(n) + "\r\n";
    return text;
}

// The first row that holds `utf8`, or -1.
int RowOf(const PtySession& s, std::string_view utf8) {
    const auto at = s.Screen().Find(utf8);
    return at ? at->y : -1;
}

bool CellsAre(const PtySession& s, int y, int from, int to, int attr) {
    for (int x = from; x < to; ++x) {
        if (s.Cell(x, y).Attribute() != attr)
            return false;
    }
    return true;
}

bool RowShows(const PtySession& s, int y, int line) {
    return s.RowTrimmed(y) == "line " + std::to_string(line);
}

TEST(ScrollbackSearch, CtrlFFindsTheLineHighlightedAndEscapePutsEverythingBack) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    // "Тяжёлый МЕЧ лежит здесь." among sixty lines (the telnet stream doubles the 0xFF of я).
    ASSERT_TRUE(
        game.Peer().Send(Lines(1, 29) +
                         "\xD2\xFF\xFF\xE6\xB8\xEB\xFB\xE9 \xCC\xC5\xD7 \xEB\xE5\xE6\xE8\xF2 "
                         "\xE7\xE4\xE5\xF1\xFC.\r\n" +
                         Lines(31, 60)));
    ASSERT_TRUE(s.WaitFor([&] { return RowShows(s, 20, 60); }, Patience)) << s.Dump();
    s.Send("look");
    ASSERT_TRUE(s.WaitFor([&] { return s.RowTrimmed(EditorRow) == "look"; }, Patience));

    s.Send(keys::Ctrl('f'));
    ASSERT_TRUE(s.WaitFor([&] { return s.RowTrimmed(EditorRow) == "Поиск:"; }, Patience))
        << s.Dump();
    s.Send("меч");
    ASSERT_TRUE(s.WaitFor([&] { return s.RowTrimmed(EditorRow) == "Поиск: меч"; }, Patience))
        << s.Dump();
    EXPECT_EQ(s.Cursor().x, 10);
    s.Send(keys::Enter);
    // The line, in the middle of the rows above the split; the word reversed, the rest not.
    ASSERT_TRUE(s.WaitFor(
        [&] {
            const int y = RowOf(s, "Тяжёлый МЕЧ");
            return y >= 0 && y < SplitSeparator && CellsAre(s, y, 8, 11, Highlighted);
        },
        Patience))
        << s.Dump();
    const int y = RowOf(s, "Тяжёлый МЕЧ");
    EXPECT_TRUE(CellsAre(s, y, 0, 8, 0x07)) << s.Dump();
    EXPECT_TRUE(CellsAre(s, y, 11, 24, 0x07)) << s.Dump();
    EXPECT_TRUE(RowShows(s, 20, 60)) << s.Dump();
    // Nothing of the search went to the server.
    EXPECT_EQ(game.Wire().find("look"), std::string::npos);

    s.Send(keys::Escape);
    ASSERT_TRUE(
        Reaches(s,
                {{"the editor's text is back", [&] { return s.RowTrimmed(EditorRow) == "look"; }},
                 {"the newest lines fill the window",
                  [&] { return RowShows(s, 20, 60) && RowShows(s, 0, 40); }},
                 NotShown(s, "Поиск")},
                Patience));
    s.Send(keys::Enter);
    ASSERT_TRUE(game.WaitForWire("look\r\n", Patience)) << s.Dump();
}

TEST(ScrollbackSearch, AMissSaysNotFoundOnTheSearchLineOnly) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send(Lines(1, 30)));
    ASSERT_TRUE(s.WaitFor([&] { return RowShows(s, 20, 30); }, Patience)) << s.Dump();
    s.Send(keys::Ctrl('f'));
    ASSERT_TRUE(s.WaitFor([&] { return s.RowTrimmed(EditorRow) == "Поиск:"; }, Patience));
    s.Send("dragon" + keys::Enter);
    ASSERT_TRUE(
        s.WaitFor([&] { return s.RowTrimmed(EditorRow) == "Поиск: dragon не найдено"; }, Patience))
        << s.Dump();
    EXPECT_EQ(RowOf(s, "не найдено"), EditorRow);
    EXPECT_TRUE(RowShows(s, 20, 30));
    // Typing takes the note away; Escape ends the search with nothing printed.
    s.Send(keys::Backspace);
    ASSERT_TRUE(s.WaitFor([&] { return s.RowTrimmed(EditorRow) == "Поиск: drago"; }, Patience));
    s.Send(keys::Escape);
    ASSERT_TRUE(s.WaitFor([&] { return s.RowTrimmed(EditorRow).empty(); }, Patience)) << s.Dump();
    EXPECT_FALSE(ShowsText(s, "найдено", 0ms));
    EXPECT_TRUE(RowShows(s, 20, 30));
}

// A word that the screen's edge cuts is found as one and highlighted on both rows.
TEST(ScrollbackSearch, AMatchAcrossAWrappedRowIsHighlightedOnBothRows) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    // 77 cells, then "дракон" from column 77: three letters on each row. No blank comes
    // before the word, so the edge cuts it whether or not lines wrap at words.
    ASSERT_TRUE(game.Peer().Send(std::string(77, 'x') + "\xE4\xF0\xE0\xEA\xEE\xED spits.\r\n" +
                                 Lines(1, 3)));
    ASSERT_TRUE(s.WaitFor([&] { return RowOf(s, "кон spits.") >= 0; }, Patience)) << s.Dump();
    s.Send(keys::Ctrl('f'));
    ASSERT_TRUE(s.WaitFor([&] { return s.RowTrimmed(EditorRow) == "Поиск:"; }, Patience));
    s.Send("ДРАКОН" + keys::Enter);
    ASSERT_TRUE(s.WaitFor(
        [&] {
            const int y = RowOf(s, "кон spits.");
            return y > 0 && CellsAre(s, y - 1, 77, 80, Highlighted) &&
                   CellsAre(s, y, 0, 3, Highlighted);
        },
        Patience))
        << s.Dump();
    const int y = RowOf(s, "кон spits.");
    EXPECT_TRUE(CellsAre(s, y - 1, 0, 77, 0x07)) << s.Dump();
    EXPECT_TRUE(CellsAre(s, y, 3, 10, 0x07)) << s.Dump();
}

// Enter goes to older lines, Shift+Enter back to newer ones, in both ways a terminal sends it.
TEST(ScrollbackSearch, EnterGoesOlderAndShiftEnterNewer) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send("mark one\r\nplain\r\nmark two\r\nplain\r\nmark three\r\n"));
    ASSERT_TRUE(ShowsText(s, "mark three", Patience));
    const auto lit = [&](std::string_view line) {
        const int y = RowOf(s, line);
        return y >= 0 && CellsAre(s, y, 0, 4, Highlighted) && CellsAre(s, y, 4, 10, 0x07);
    };
    const auto only = [&](std::string_view line) {
        return Eventually(
            s,
            [&] {
                for (std::string_view each : {"mark one", "mark two", "mark three"}) {
                    if (lit(each) != (each == line))
                        return false;
                }
                return true;
            },
            Patience, "only \"" + std::string(line) + "\" highlighted");
    };
    s.Send(keys::Ctrl('f'));
    ASSERT_TRUE(s.WaitFor([&] { return s.RowTrimmed(EditorRow) == "Поиск:"; }, Patience));
    s.Send("MARK" + keys::Enter);
    ASSERT_TRUE(only("mark three"));
    s.Send(keys::Enter);
    ASSERT_TRUE(only("mark two"));
    s.Send(keys::Enter);
    ASSERT_TRUE(only("mark one"));
    s.Send(keys::ShiftEnter);
    ASSERT_TRUE(only("mark two"));
    s.Send(keys::ModifyOtherKeys(13, keys::kShift));
    ASSERT_TRUE(only("mark three"));
    s.Send(keys::ShiftEnter);
    ASSERT_TRUE(s.WaitFor([&] { return ShowsText(s, "не найдено", 0ms); }, Patience));
    EXPECT_TRUE(only("mark three"));
}

TEST(SplitView, TheNewestTextStaysInViewBelowTheSeparatorDuringAStream) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send(Lines(1, 100)));
    ASSERT_TRUE(s.WaitFor([&] { return RowShows(s, 20, 100); }, Patience)) << s.Dump();
    s.Send(keys::PageUp);
    const auto split = [&](int newest, int below) {
        return Reaches(s,
                       {{"the scrolled-back lines above",
                         [&] { return RowShows(s, 0, 60) && RowShows(s, 12, 72); }},
                        {"the separator and its count",
                         [&] {
                             const std::string row = s.RowTrimmed(SplitSeparator);
                             return row.rfind("─", 0) == 0 &&
                                    row.find("↓" + std::to_string(below)) != std::string::npos;
                         }},
                        {"the newest lines below",
                         [&] { return RowShows(s, 14, newest - 6) && RowShows(s, 20, newest); }},
                        {"no count on the editor's separator",
                         [&] { return s.RowUtf8(21).find("↓") == std::string::npos; }}},
                       Patience);
    };
    ASSERT_TRUE(split(100, 20));
    // A stream goes on: the rows above stay, the ones below follow it.
    for (int first = 101; first <= 400; first += 50) {
        ASSERT_TRUE(game.Peer().Send(Lines(first, first + 49)));
        s.PumpFor(5ms);
    }
    ASSERT_TRUE(split(400, 320));

    // A resize keeps it whole: 26 rows, 17 above the separator and 8 below.
    s.Resize(100, 30);
    ASSERT_TRUE(Reaches(
        s,
        {{"the same line at the top", [&] { return RowShows(s, 0, 60); }},
         {"the separator on row 17", [&] { return s.RowTrimmed(17).rfind("─", 0) == 0; }},
         {"the newest lines below", [&] { return RowShows(s, 18, 393) && RowShows(s, 25, 400); }}},
        Patience));
    // Ctrl+End joins the two: the newest lines fill the window, following again.
    s.Send(keys::CtrlEnd);
    ASSERT_TRUE(Reaches(s,
                        {{"the newest lines fill the window",
                          [&] { return RowShows(s, 0, 375) && RowShows(s, 25, 400); }},
                         NotShown(s, "↓")},
                        Patience));
    ASSERT_TRUE(game.Peer().Send(Lines(401, 401)));
    ASSERT_TRUE(s.WaitFor([&] { return RowShows(s, 25, 401) && RowShows(s, 17, 393); }, Patience))
        << s.Dump();
}

TEST(SplitView, OffTheWholeWindowScrollsBack) {
    GameSession game("AutoSend=\r\nSplitView=0");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send(Lines(1, 100)));
    ASSERT_TRUE(s.WaitFor([&] { return RowShows(s, 20, 100); }, Patience)) << s.Dump();
    s.Send(keys::PageUp);
    ASSERT_TRUE(s.WaitFor([&] { return RowShows(s, 0, 60) && RowShows(s, 20, 80); }, Patience))
        << s.Dump();
    EXPECT_TRUE(RowShows(s, SplitSeparator, 73));
}

} // namespace
} // namespace tolmix::e2e
