#include "ui/OutputSelection.h"
#include "support/FakeClipboard.h"
#include "support/FakeTerminal.h"
#include "ui/ConsoleClipboard.h"
#include "ui/ConsoleScreen.h"
#include "ui/OutputBuffer.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

// A window 10 cells wide and 6 rows high, holding:
//   row 0 "first line"            one line that fills its row exactly
//   row 1 "second"
//   rows 2-4 "0123456789" "abcdefghij" "012"   one line wrapped over three rows
//   row 5 "last  "                with blanks of its own at the end
class OutputSelectionTest : public ::testing::Test {
  protected:
    test::FakeTerminal Term;
    ConsoleScreen Con{Term};
    OutputBuffer Out{Con, 10, 100, 6};

    void SetUp() override {
        for (const char* line : {"first line", "second", "0123456789abcdefghij012", "last  "})
            Out.AppendOutput(line);
    }

    std::string Copied(TextPlace from, TextPlace to) {
        OutputSelection selection;
        selection.Begin(from);
        selection.Extend(to);
        return SelectedText(Out, selection);
    }
};

TEST_F(OutputSelectionTest, ADragSelectsFromItsStartToItsEndInReadingOrderWhicheverWayItWent) {
    EXPECT_EQ(Copied({0, 6}, {1, 2}), "line\r\nsec");
    EXPECT_EQ(Copied({1, 2}, {0, 6}), "line\r\nsec");
    // On one row, right to left is the same as left to right; both end cells are taken.
    EXPECT_EQ(Copied({0, 4}, {0, 0}), "first");
    EXPECT_EQ(Copied({0, 0}, {0, 4}), "first");
    EXPECT_EQ(Copied({1, 3}, {1, 3}), "o");
}

TEST_F(OutputSelectionTest, TheRowsOfAWrappedLineAreCopiedAsOneLine) {
    EXPECT_EQ(Copied({2, 5}, {4, 1}), "56789abcdefghij01");
    EXPECT_EQ(Copied({4, 9}, {1, 0}), "second\r\n0123456789abcdefghij012");
    // The whole window: four lines, three line ends.
    EXPECT_EQ(Copied({0, 0}, {5, 9}), "first line\r\nsecond\r\n0123456789abcdefghij012\r\nlast");
}

TEST_F(OutputSelectionTest, OnlyTheCellsALineUsedAreTakenAndBlanksGoAtALinesEnd) {
    // Past the end of "second" and of the wrapped line's last row: nothing but their text.
    EXPECT_EQ(Copied({1, 0}, {1, 9}), "second");
    EXPECT_EQ(Copied({4, 2}, {4, 8}), "2");
    // The line's own blanks go where the selection reaches its end, and stay inside it.
    EXPECT_EQ(Copied({5, 0}, {5, 9}), "last");
    EXPECT_EQ(Copied({0, 0}, {0, 5}), "first ");
    // A selection that ends in a wrapped line's row keeps what it took of it.
    EXPECT_EQ(Copied({2, 8}, {2, 9}), "89");
    // Rows below the last one stored add nothing.
    EXPECT_EQ(Copied({5, 0}, {40, 3}), "last");
    EXPECT_EQ(Copied({30, 0}, {40, 3}), "");
}

TEST_F(OutputSelectionTest, RowsThatLeftTheScrollbackAreLeftOut) {
    test::FakeTerminal term;
    ConsoleScreen con{term};
    // A ring of twice the window's rows.
    OutputBuffer out(con, 10, 6, 3);
    for (int n = 0; n < 20; ++n)
        out.AppendOutput("row " + std::to_string(n));
    ASSERT_GT(out.FirstReachableRow(), 0);
    OutputSelection selection;
    selection.Begin({0, 2});
    selection.Extend({19, 9});
    const std::string text = SelectedText(out, selection);
    const std::string expected = "row " + std::to_string(out.FirstReachableRow());
    EXPECT_EQ(text.substr(0, expected.size()), expected) << text;
    EXPECT_EQ(text.substr(text.size() - 8), "\r\nrow 19") << text;
}

TEST_F(OutputSelectionTest, TheColumnsOfEachRowFollowTheSelection) {
    OutputSelection selection;
    EXPECT_TRUE(selection.ColumnsOn(0, 10).Empty());
    selection.Begin({3, 7});
    // A drag not yet moved selects nothing.
    EXPECT_TRUE(selection.Empty());
    EXPECT_TRUE(selection.ColumnsOn(3, 10).Empty());
    selection.Extend({1, 2});
    const auto span = [&](int64_t row) {
        const ColumnSpan s = selection.ColumnsOn(row, 10);
        return std::make_pair(s.From, s.To);
    };
    EXPECT_EQ(span(1), std::make_pair(2, 10));
    EXPECT_EQ(span(2), std::make_pair(0, 10));
    EXPECT_EQ(span(3), std::make_pair(0, 8));
    EXPECT_TRUE(selection.ColumnsOn(0, 10).Empty());
    EXPECT_TRUE(selection.ColumnsOn(4, 10).Empty());
    selection.Clear();
    EXPECT_TRUE(selection.ColumnsOn(2, 10).Empty());
}

// A word break hides the blanks that fell beyond the row's edge; a copy across the break keeps
// them, so that the words do not run together.
TEST(OutputSelectionText, TheBlanksOfAWordBreakAreCopiedBetweenTheWords) {
    test::FakeTerminal term;
    ConsoleScreen con{term};
    OutputBuffer out(con, 10, 100, 5, WrapMode::AtWords);
    out.AppendOutput("xxxx  tail  that end");
    ASSERT_EQ(out.LineCells(0), 12);
    OutputSelection selection;
    selection.Begin({0, 6});
    selection.Extend({1, 3});
    EXPECT_EQ(SelectedText(out, selection), "tail  that");
    // Ending on the row of the break takes its shown cells only.
    selection.Extend({0, 9});
    EXPECT_EQ(SelectedText(out, selection), "tail");
}

// The scrollback holds code page 866; the clipboard gets the editor's Windows-1251.
TEST(OutputSelectionText, CyrillicReachesTheClipboardAsTheEditorsCopyGivesIt) {
    test::FakeTerminal term;
    ConsoleScreen con{term};
    OutputBuffer out(con, 8, 100, 5);
    // "Привет, мир" in code page 866, wrapped after "Привет, ".
    out.AppendOutput("\x8F\xE0\xA8\xA2\xA5\xE2, \xAC\xA8\xE0");
    out.AppendOutput("\x85\xE9\xF1"); // "Ещё"
    OutputSelection selection;
    selection.Begin({0, 0});
    selection.Extend({2, 7});
    test::FakeClipboard system;
    ConsoleClipboard clipboard(system);
    clipboard.CopyToClipboard(SelectedText(out, selection));
    ASSERT_TRUE(system.Text.has_value());
    EXPECT_EQ(*system.Text, "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0\r\n\xC5\xF9\xB8");
}

} // namespace
} // namespace tolmix
