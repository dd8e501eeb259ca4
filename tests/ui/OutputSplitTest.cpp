#include "ui/OutputSplit.h"
#include "support/FakeTerminal.h"
#include "support/ScreenText.h"
#include "ui/ConsoleScreen.h"
#include "ui/OutputBuffer.h"

#include <gtest/gtest.h>

#include <string>

namespace tolmix {
namespace {

TEST(OutputSplit, AThirdBelowAtLeastThreeRowsAndNoSplitInATinyWindow) {
    EXPECT_EQ(SplitOutputRows(21), (OutputSplit{13, 7}));
    EXPECT_EQ(SplitOutputRows(26), (OutputSplit{17, 8}));
    EXPECT_EQ(SplitOutputRows(9), (OutputSplit{5, 3}));
    EXPECT_EQ(SplitOutputRows(6), (OutputSplit{2, 3}));
    EXPECT_EQ(SplitOutputRows(5), (OutputSplit{5, 0}));
    EXPECT_EQ(SplitOutputRows(1), (OutputSplit{1, 0}));
    EXPECT_EQ(SplitOutputRows(0), (OutputSplit{0, 0}));
    for (int32_t rows = 6; rows <= 200; ++rows) {
        const OutputSplit split = SplitOutputRows(rows);
        EXPECT_EQ(split.UpperRows + 1 + split.LowerRows, rows);
        EXPECT_GE(split.LowerRows, 3);
        EXPECT_GE(split.LowerRows, rows / 3);
    }
}

class SplitViewTest : public ::testing::Test {
  protected:
    test::FakeTerminal Term;
    ConsoleScreen Con{Term};

    static std::string Numbered(int n) { return "line " + std::to_string(n); }
    std::string ScreenRow(int y) {
        std::string row = test::RowText(Con.Cells(), y);
        return row.substr(0, row.find_last_not_of(' ') + 1);
    }
    // Rows [from, to) of the screen show consecutive lines, the first of them `first`.
    bool ShowsLines(int from, int to, int first) {
        for (int y = from; y < to; ++y) {
            if (ScreenRow(y) != Numbered(first + y - from))
                return false;
        }
        return true;
    }
    // The separator row: line characters, with the arrow and the count ending at column 50.
    bool IsSeparator(int y, int64_t count) {
        const std::string row = test::RowText(Con.Cells(), y);
        const std::string mark = "\x19" + std::to_string(count);
        return row.substr(50 - mark.size(), mark.size()) == mark &&
               row.find_first_not_of('\xC4') == 50 - mark.size() &&
               row.find_last_not_of('\xC4') == 49;
    }
};

TEST_F(SplitViewTest, AScrolledBackWindowKeepsTheNewestRowsBelowASeparator) {
    OutputBuffer out(Con, 80, 500, 21);
    out.UseSplitView(true, 0x07, 0x0F);
    for (int n = 1; n <= 100; ++n)
        out.AppendOutput(Numbered(n));
    EXPECT_EQ(out.Split(), (OutputSplit{21, 0}));
    EXPECT_TRUE(ShowsLines(0, 21, 80));
    out.ScrollOutput(false, 30);
    EXPECT_EQ(out.Split(), (OutputSplit{13, 7}));
    EXPECT_TRUE(ShowsLines(0, 13, 50));
    EXPECT_TRUE(IsSeparator(13, 30));
    EXPECT_EQ(Con.Cells().At(49, 13).Attr, 0x0F);
    EXPECT_EQ(Con.Cells().At(0, 13).Attr, 0x07);
    EXPECT_TRUE(ShowsLines(14, 21, 94));
    // Lines arriving show below; the scrolled-back rows stay, the count grows.
    for (int n = 101; n <= 105; ++n)
        out.AppendOutput(Numbered(n));
    EXPECT_TRUE(ShowsLines(0, 13, 50));
    EXPECT_TRUE(IsSeparator(13, 35));
    EXPECT_TRUE(ShowsLines(14, 21, 99));
    EXPECT_EQ(out.RowsBelowWindow(), 35);
    // Scrolling to the bottom joins the two: the whole window follows again.
    out.ScrollOutput(true, 34);
    EXPECT_TRUE(ShowsLines(0, 13, 84));
    out.ScrollOutput(true, 1);
    EXPECT_EQ(out.Split(), (OutputSplit{21, 0}));
    EXPECT_TRUE(ShowsLines(0, 21, 85));
    out.AppendOutput(Numbered(106));
    EXPECT_TRUE(ShowsLines(0, 21, 86));
}

TEST_F(SplitViewTest, TheUnfinishedLineShowsBelowAndCtrlEndJoins) {
    OutputBuffer out(Con, 80, 500, 12);
    out.UseSplitView(true, 0x07, 0x0F);
    for (int n = 1; n <= 50; ++n)
        out.AppendOutput(Numbered(n));
    out.ScrollOutput(false, 20); // 12 rows: 7 above, the separator, 4 below
    EXPECT_EQ(out.Split(), (OutputSplit{7, 4}));
    out.ShowUnfinished("prompt>");
    EXPECT_EQ(ScreenRow(11), "prompt>");
    EXPECT_TRUE(ShowsLines(8, 11, 48));
    out.ScrollOutputToEnd();
    EXPECT_EQ(out.Split(), (OutputSplit{12, 0}));
    EXPECT_TRUE(ShowsLines(0, 11, 40));
    EXPECT_EQ(ScreenRow(11), "prompt>");
}

TEST_F(SplitViewTest, AResizeKeepsTheSplitWholeAtTheNewHeight) {
    OutputBuffer out(Con, 80, 500, 21);
    out.UseSplitView(true, 0x07, 0x0F);
    for (int n = 1; n <= 100; ++n)
        out.AppendOutput(Numbered(n));
    out.ScrollOutput(false, 40);
    for (const int32_t rows : {9, 15, 6, 5, 21}) {
        out.Resize(80, rows);
        out.DrawOutput();
        const OutputSplit split = out.Split();
        EXPECT_EQ(split, SplitOutputRows(rows)) << rows;
        const int top = static_cast<int>(out.WindowTop()) + 1;
        EXPECT_TRUE(ShowsLines(0, split.UpperRows, top)) << rows;
        if (split.LowerRows > 0) {
            EXPECT_TRUE(IsSeparator(split.UpperRows, out.RowsBelowWindow())) << rows;
            EXPECT_TRUE(ShowsLines(split.UpperRows + 1, rows, 101 - split.LowerRows)) << rows;
        }
    }
}

TEST_F(SplitViewTest, OffTheWholeWindowScrollsBackAsBefore) {
    OutputBuffer out(Con, 80, 500, 21);
    out.UseSplitView(false, 0x07, 0x0F);
    for (int n = 1; n <= 100; ++n)
        out.AppendOutput(Numbered(n));
    out.ScrollOutput(false, 30);
    EXPECT_EQ(out.Split(), (OutputSplit{21, 0}));
    EXPECT_TRUE(ShowsLines(0, 21, 50));
    out.AppendOutput(Numbered(101));
    EXPECT_TRUE(ShowsLines(0, 21, 50));
}

// The search shows its line in the upper rows and the highlight in whichever part shows it.
TEST_F(SplitViewTest, ShowRowPutsARowInTheMiddleOfTheUpperRows) {
    OutputBuffer out(Con, 80, 500, 21);
    out.UseSplitView(true, 0x07, 0x0F);
    for (int n = 1; n <= 100; ++n)
        out.AppendOutput(Numbered(n));
    out.ShowRow(40);
    EXPECT_EQ(out.WindowTop(), 34);
    EXPECT_EQ(ScreenRow(6), Numbered(41));
    out.Highlight({{40, 0, 4}, {99, 5, 8}});
    EXPECT_EQ(Con.Cells().At(0, 6).Attr, 0x70);
    EXPECT_EQ(Con.Cells().At(4, 6).Attr, 0x07);
    EXPECT_EQ(Con.Cells().At(5, 20).Attr, 0x70);
    EXPECT_EQ(Con.Cells().At(8, 20).Attr, 0x07);
    // Near the newest rows the window joins and shows it whole.
    out.ShowRow(95);
    EXPECT_EQ(out.Split(), (OutputSplit{21, 0}));
    EXPECT_EQ(ScreenRow(16), Numbered(96));
}

} // namespace
} // namespace tolmix
