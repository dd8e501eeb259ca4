#include "ui/OutputBuffer.h"
#include "support/FakeTerminal.h"
#include "support/ScreenText.h"
#include "ui/ConsoleScreen.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

class OutputBufferTest : public ::testing::Test {
  protected:
    test::FakeTerminal Term;
    ConsoleScreen Con{Term};

    // Each printed line holds its own number, so the screen says which rows it shows.
    static std::string Numbered(int n) { return "line " + std::to_string(n); }
    std::string ScreenRow(int y) {
        std::string row = test::RowText(Con.Cells(), y);
        return row.substr(0, row.find_last_not_of(' ') + 1);
    }
};

TEST_F(OutputBufferTest, LongTextWrapsIntoRowsAndTheLastIsFilledWithBlanks) {
    OutputBuffer out(Con, 20, 50, 10);
    out.UseAttr(0x0A);
    out.AppendOutput(std::string(2 * 20 + 3, 'x'));
    EXPECT_EQ(out.RowCount(), 3);
    for (int c = 0; c < 20; ++c) {
        EXPECT_EQ(out.At(0, c), (Cell{'x', 0x0A}));
        EXPECT_EQ(out.At(1, c), (Cell{'x', 0x0A}));
        EXPECT_EQ(out.At(2, c), c < 3 ? (Cell{'x', 0x0A}) : (Cell{' ', 0x0A})) << c;
    }
}

// The newest line's rows go back so that it can be stored again with more on its row; never
// under an unfinished line, nor rows gone out of the scrollback's reach.
TEST_F(OutputBufferTest, TheNewestLineIsTakenBackWithItsColourButNotUnderAnUnfinishedLine) {
    OutputBuffer out(Con, 20, 50, 10);
    out.AppendOutput("before");
    const int64_t first = out.RowCount();
    out.AppendOutput("\x12" + std::string(25, 'p'));
    ASSERT_EQ(out.RowCount(), first + 2);
    ASSERT_TRUE(out.TakeBackLine(first, 7));
    EXPECT_EQ(out.RowCount(), first);
    EXPECT_EQ(out.TextAttr(), 7);
    EXPECT_EQ(out.At(first, 0).Char, ' ');
    out.AppendOutput("prompt> look");
    EXPECT_EQ(out.RowCount(), first + 1);
    EXPECT_EQ(out.At(first, 0), (Cell{'p', 7}));

    out.ShowUnfinished("Login: ");
    EXPECT_FALSE(out.TakeBackLine(first, 7));
    out.RemoveUnfinished();
    EXPECT_FALSE(out.TakeBackLine(first + 1, 7)); // no row there
    EXPECT_TRUE(out.TakeBackLine(first, 7));
}

TEST_F(OutputBufferTest, TabsMoveToTheNextMultipleOfEightColumns) {
    OutputBuffer out(Con, 20, 50, 10);
    out.AppendOutput("a\tbc\td\x1A\tef");
    EXPECT_EQ(out.RowCount(), 2);
    const std::string first = "a       bc      d   ";
    for (int c = 0; c < 20; ++c)
        EXPECT_EQ(out.At(0, c).Char, static_cast<uint8_t>(first[c])) << c;
    // The tab at column 17 fills the row in the colour then in force; the text goes on below.
    EXPECT_EQ(out.At(0, 19), (Cell{' ', 0x0A}));
    EXPECT_EQ(out.At(1, 0), (Cell{'e', 0x0A}));
    // A tab at a stop moves a whole stop; a row of tabs is one row.
    out.AppendOutput("\tx");
    EXPECT_EQ(out.At(2, 8).Char, 'x');
    EXPECT_EQ(out.At(2, 7).Char, ' ');
    out.AppendOutput("\t\t\t");
    EXPECT_EQ(out.RowCount(), 4);
}

TEST_F(OutputBufferTest, ExactWidthEmptyAndColourOnlyTextsEachAddOneRow) {
    OutputBuffer out(Con, 20, 50, 10);
    out.AppendOutput(std::string(20, 'y'));
    EXPECT_EQ(out.RowCount(), 1);
    out.AppendOutput("");
    EXPECT_EQ(out.RowCount(), 2);
    EXPECT_EQ(out.At(1, 0), (Cell{' ', 7}));
    out.AppendOutput("\x11\x1A");
    EXPECT_EQ(out.RowCount(), 3);
    EXPECT_EQ(out.TextAttr(), 0x0A);
    EXPECT_EQ(out.At(2, 19), (Cell{' ', 0x0A}));
    // Control characters other than the tab are stored as they are, shown as glyphs.
    out.AppendOutput("\x07\x0D");
    EXPECT_EQ(out.At(3, 0), (Cell{0x07, 0x0A}));
    EXPECT_EQ(out.At(3, 1), (Cell{0x0D, 0x0A}));
}

TEST_F(OutputBufferTest, ColourBytesFollowTheTableAndCarryToTheNextLine) {
    OutputBuffer out(Con, 20, 50, 10);
    const uint16_t expected[16] = {0x00, 0x04, 0x02, 0x06, 0x01, 0x05, 0x03, 0x07,
                                   0x08, 0x0C, 0x0A, 0x0E, 0x09, 0x0D, 0x0B, 0x0F};
    for (int n = 0; n < 16; ++n) {
        out.AppendOutput(std::string(1, static_cast<char>(0x10 + n)) + "c");
        EXPECT_EQ(out.At(n, 0), (Cell{'c', expected[n]})) << n;
    }
    out.AppendOutput("ab\x14");
    out.AppendOutput("next");
    EXPECT_EQ(out.At(17, 0), (Cell{'n', 0x01}));
}

TEST_F(OutputBufferTest, BackgroundMarksSetTheBackgroundUntilTheNextColourByte) {
    OutputBuffer out(Con, 20, 50, 10);
    // Bright white on blue; the mark takes no cell.
    out.AppendOutput("\x1F\xB8"
                     "Dab\x11"
                     "c\xB8"
                     "Od");
    EXPECT_EQ(out.At(0, 0), (Cell{'a', 0x1F}));
    EXPECT_EQ(out.At(0, 1), (Cell{'b', 0x1F}));
    // A colour byte alone is on black, as the server's own have always been.
    EXPECT_EQ(out.At(0, 2), (Cell{'c', 0x04}));
    EXPECT_EQ(out.At(0, 3), (Cell{'d', 0xF4}));
    // The rest of the row is filled, and the next line goes on, in the colours in force.
    EXPECT_EQ(out.At(0, 19), (Cell{' ', 0xF4}));
    out.AppendOutput("e");
    EXPECT_EQ(out.At(1, 0), (Cell{'e', 0xF4}));
    // A lead byte without a letter of the marks is an ordinary character.
    out.AppendOutput("\xB8Z\xB8");
    EXPECT_EQ(out.At(2, 0), (Cell{0xB8, 0xF4}));
    EXPECT_EQ(out.At(2, 1), (Cell{'Z', 0xF4}));
    EXPECT_EQ(out.At(2, 2), (Cell{0xB8, 0xF4}));
}

TEST_F(OutputBufferTest, WindowFillsFromTheTopThenKeepsTheNewestRowAtTheBottom) {
    OutputBuffer out(Con, 80, 50, 21);
    out.AppendOutput(Numbered(0));
    EXPECT_EQ(ScreenRow(0), "line 0");
    for (int n = 1; n < 30; ++n)
        out.AppendOutput(Numbered(n));
    EXPECT_EQ(out.WindowTop(), 9);
    EXPECT_EQ(ScreenRow(0), "line 9");
    EXPECT_EQ(ScreenRow(20), "line 29");
}

// While lines stream in, the window is drawn once per pass of the loop (at the screen's
// refresh), not once per line; a scroll draws it at once.
TEST_F(OutputBufferTest, StreamedLinesDrawTheWindowOnceAtTheNextRefreshAndAScrollAtOnce) {
    OutputBuffer out(Con, 80, 200, 21);
    const uint64_t before = out.Draws();
    for (int n = 0; n < 100; ++n)
        out.AppendOutput(Numbered(n));
    EXPECT_EQ(out.Draws(), before);
    EXPECT_EQ(ScreenRow(20), "line 99");
    EXPECT_EQ(ScreenRow(0), "line 79");
    EXPECT_EQ(out.Draws(), before + 1);
    out.ScrollOutput(false, 5);
    EXPECT_EQ(out.Draws(), before + 2);
    EXPECT_EQ(test::RowText(Con.Written(), 20).substr(0, 7), "line 94");
    // Scrolled back, new lines move nothing: no drawing is owed.
    out.AppendOutput(Numbered(100));
    EXPECT_EQ(ScreenRow(20), "line 94");
    EXPECT_EQ(out.Draws(), before + 2);
}

TEST_F(OutputBufferTest, ScrollbackStopsAtTheOldestWholeRowOnceTheRingHasWrapped) {
    OutputBuffer out(Con, 80, 50, 21);
    for (int n = 0; n < 100; ++n)
        out.AppendOutput(Numbered(n));
    EXPECT_EQ(out.FirstReachableRow(), 71);
    EXPECT_EQ(out.BottomPosition(), 79);
    EXPECT_EQ(out.WindowTop(), 79);
    out.ScrollOutput(false, 20); // Page Up
    EXPECT_EQ(out.WindowTop(), 71);
    EXPECT_EQ(ScreenRow(0), "line 71");
    EXPECT_EQ(ScreenRow(20), "line 91");
    out.ScrollOutput(false, 1);
    EXPECT_EQ(out.WindowTop(), 71);
    out.ScrollOutput(true, 1000);
    EXPECT_EQ(out.WindowTop(), 79);
    EXPECT_EQ(ScreenRow(20), "line 99");
}

TEST_F(OutputBufferTest, AScrolledBackWindowIsNotRedrawnUntilScrolledDown) {
    OutputBuffer out(Con, 80, 200, 21);
    for (int n = 0; n < 60; ++n)
        out.AppendOutput(Numbered(n));
    out.ScrollOutput(false, 20);
    EXPECT_EQ(ScreenRow(0), "line 19");
    out.AppendOutput(Numbered(60));
    out.AppendOutput(Numbered(61));
    EXPECT_EQ(out.WindowTop(), 19);
    EXPECT_EQ(ScreenRow(0), "line 19");
    EXPECT_EQ(ScreenRow(20), "line 39");
    out.ScrollOutput(true, 20);
    EXPECT_EQ(out.WindowTop(), 39);
    out.ScrollOutput(true, 20);
    EXPECT_EQ(out.WindowTop(), 41);
    EXPECT_EQ(ScreenRow(20), "line 61");
    // Back at the bottom, the window follows again.
    out.AppendOutput(Numbered(62));
    EXPECT_EQ(ScreenRow(20), "line 62");
}

TEST_F(OutputBufferTest, ScrollingAtEitherEndRedrawsWithoutMoving) {
    OutputBuffer out(Con, 80, 50, 21);
    for (int n = 0; n < 30; ++n)
        out.AppendOutput(Numbered(n));
    Con.FillRect(MakeCoord(0, 0), 80, 21, '#', 7); // something else drew over the window
    out.ScrollOutput(true, 1);
    EXPECT_EQ(out.WindowTop(), 9);
    EXPECT_EQ(ScreenRow(0), "line 9");
    out.ScrollOutput(false, 100);
    Con.FillRect(MakeCoord(0, 0), 80, 21, '#', 7);
    out.ScrollOutput(false, 1);
    EXPECT_EQ(out.FirstReachableRow(), 1); // 30 rows in a ring of 50 with 21 shown
    EXPECT_EQ(out.WindowTop(), 1);
    EXPECT_EQ(ScreenRow(0), "line 1");
}

// The ring at its smallest (OutputSize twice the 25 rows of the screen, for a window of 21)
// and far more rows arriving than it holds while the player is scrolled back: every window
// shown, however it is scrolled down, holds consecutive lines, and the rows said to wait below
// are rows still kept.
TEST_F(OutputBufferTest, AScrolledBackWindowNeverShowsRowsOfTwoTurnsOfTheRing) {
    const int rows = 21;
    OutputBuffer out(Con, 80, 50, rows);
    int next = 0;
    for (; next < 100; ++next)
        out.AppendOutput(Numbered(next));
    const auto expectConsecutive = [&](const char* when) {
        const std::string top = ScreenRow(0);
        ASSERT_EQ(top.rfind("line ", 0), 0u) << when << ": " << top;
        const int first = std::stoi(top.substr(5));
        for (int y = 1; y < rows; ++y)
            ASSERT_EQ(ScreenRow(y), Numbered(first + y)) << when << " row " << y;
        // Rows below the window: from its last row to the newest line, all still kept.
        EXPECT_EQ(out.RowsBelowWindow(), next - 1 - (first + rows - 1)) << when;
        EXPECT_LE(out.RowsBelowWindow(), out.Size() - rows) << when;
    };
    for (int round = 0; round < 3; ++round) {
        out.ScrollOutput(false, rows - 1); // Page Up
        expectConsecutive("after Page Up");
        for (int n = 0; n < 10000; ++n, ++next)
            out.AppendOutput(Numbered(next));
        expectConsecutive("after the flood");
        // Ctrl+Down a row at a time, then Page Down, up to the bottom.
        for (int step = 0; step < 5; ++step) {
            out.ScrollOutput(true, 1);
            expectConsecutive("after Ctrl+Down");
        }
        out.AppendOutput(Numbered(next++));
        expectConsecutive("after one more line");
        while (out.RowsBelowWindow() > 0) {
            out.ScrollOutput(true, rows - 1);
            expectConsecutive("after Page Down");
        }
        EXPECT_EQ(ScreenRow(rows - 1), Numbered(next - 1));
    }
}

// --- The unfinished line ---

TEST_F(OutputBufferTest, TheUnfinishedLineStaysBelowThePrintedLinesUntilRemoved) {
    OutputBuffer out(Con, 20, 50, 5);
    out.AppendOutput("first");
    out.ShowUnfinished("\x1ALogin: ");
    EXPECT_EQ(ScreenRow(1), "Login:");
    EXPECT_EQ(out.RowCount(), 2);
    EXPECT_EQ(out.TextAttr(), 0x0A);
    // A line printed meanwhile goes above it, in the colour from before it.
    out.AppendOutput("notice");
    EXPECT_EQ(ScreenRow(1), "notice");
    EXPECT_EQ(out.At(1, 0).Attr, 7);
    EXPECT_EQ(ScreenRow(2), "Login:");
    // Replaced in place, then taken away: the rows and the colour are as before it.
    out.ShowUnfinished(std::string(25, 'x'));
    EXPECT_EQ(out.RowCount(), 4);
    EXPECT_EQ(ScreenRow(3), "xxxxx");
    out.RemoveUnfinished();
    EXPECT_FALSE(out.ShowsUnfinished());
    EXPECT_EQ(out.RowCount(), 2);
    EXPECT_EQ(out.TextAttr(), 7);
    EXPECT_EQ(ScreenRow(2), "");
    EXPECT_EQ(ScreenRow(3), "");
    // Its whole line, printed in its place.
    out.AppendOutput("Login: ");
    EXPECT_EQ(ScreenRow(2), "Login:");
    EXPECT_EQ(out.RowCount(), 3);
    out.RemoveUnfinished(); // nothing shown: nothing happens
    EXPECT_EQ(out.RowCount(), 3);
}

TEST_F(OutputBufferTest, TheUnfinishedLineFollowsTheWindowOrLeavesAScrolledBackOneAlone) {
    OutputBuffer out(Con, 80, 50, 21);
    for (int n = 0; n < 100; ++n)
        out.AppendOutput(Numbered(n));
    out.ShowUnfinished("> ");
    EXPECT_EQ(ScreenRow(20), ">");
    EXPECT_EQ(ScreenRow(19), "line 99");
    out.AppendOutput(Numbered(100));
    EXPECT_EQ(ScreenRow(19), "line 100");
    EXPECT_EQ(ScreenRow(20), ">");
    out.RemoveUnfinished();
    EXPECT_EQ(ScreenRow(20), "line 100");
    EXPECT_EQ(out.WindowTop(), out.BottomPosition());
    // The scrollback's top moves with the rows shown and back when they go.
    const int64_t minViewTop = out.FirstReachableRow();
    out.ShowUnfinished(std::string(80 * 3, 'p'));
    EXPECT_EQ(out.FirstReachableRow(), minViewTop + 3);
    out.RemoveUnfinished();
    EXPECT_EQ(out.FirstReachableRow(), minViewTop);

    out.ScrollOutput(false, 5);
    const std::string top = ScreenRow(0);
    out.ShowUnfinished("Password: ");
    out.AppendOutput(Numbered(101));
    EXPECT_EQ(ScreenRow(0), top);
    EXPECT_EQ(out.RowsBelowWindow(), 7);
    out.RemoveUnfinished();
    EXPECT_EQ(ScreenRow(0), top);
    EXPECT_EQ(out.RowsBelowWindow(), 6);
}

TEST_F(OutputBufferTest, AWindowScrolledIntoTheRowsTakenBackMovesToTheNewEnd) {
    OutputBuffer out(Con, 20, 50, 5);
    for (int n = 0; n < 10; ++n)
        out.AppendOutput(Numbered(n));
    out.ShowUnfinished(std::string(20 * 4, 'u')); // four rows
    out.ScrollOutput(false, 2);
    EXPECT_EQ(out.WindowTop(), 7);
    out.RemoveUnfinished();
    EXPECT_EQ(out.WindowTop(), 5);
    EXPECT_EQ(ScreenRow(4), "line 9");
}

TEST_F(OutputBufferTest, AnUnfinishedLineTallerThanTheWindowShowsItsFirstWindowfulOnly) {
    OutputBuffer out(Con, 20, 10, 5); // the smallest ring: twice the window
    for (int n = 0; n < 12; ++n)
        out.AppendOutput(Numbered(n));
    out.ShowUnfinished(std::string(20 * 40, 'u'));
    EXPECT_EQ(out.RowCount(), 17);
    out.RemoveUnfinished();
    // Every row the scrollback reaches is still there.
    out.ScrollOutput(false, 100);
    for (int y = 0; y < 5; ++y)
        EXPECT_EQ(ScreenRow(y), Numbered(static_cast<int>(out.WindowTop()) + y));
}

TEST_F(OutputBufferTest, OnlyTheOutputRowsAreDrawn) {
    OutputBuffer out(Con, 80, 50, 3);
    Con.FillRect(MakeCoord(0, 3), 80, 1, 0xC4, 7);
    for (int n = 0; n < 10; ++n)
        out.AppendOutput(Numbered(n));
    EXPECT_EQ(ScreenRow(2), "line 9");
    EXPECT_TRUE(test::RowIs(Con.Cells(), 3, 0xC4, 7));
}

} // namespace
} // namespace tolmix
