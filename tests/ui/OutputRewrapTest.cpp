// The output buffer at a new screen width: the lines the window can reach are wrapped again,
// the window keeps following or keeps its place, and the ring stays large enough.
#include "support/FakeTerminal.h"
#include "ui/ConsoleScreen.h"
#include "ui/OutputBuffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolmix {
namespace {

class OutputRewrapTest : public ::testing::Test {
  protected:
    test::FakeTerminal Term;
    ConsoleScreen Con{Term};

    // The characters of one stored row, trailing blanks dropped.
    static std::string RowText(const OutputBuffer& out, int64_t row) {
        std::string text;
        for (int x = 0; x < out.Width(); ++x)
            text += static_cast<char>(out.At(row, x).Char);
        return text.substr(0, text.find_last_not_of(' ') + 1);
    }
    // Every row from the first reachable one to the last, as text.
    static std::vector<std::string> Rows(const OutputBuffer& out) {
        std::vector<std::string> rows;
        for (int64_t row = out.FirstReachableRow(); row < out.RowCount(); ++row)
            rows.push_back(RowText(out, row));
        return rows;
    }
    // Lines of assorted lengths, some exactly one or two rows of 20, some empty.
    static std::vector<std::string> Assorted(int count) {
        std::vector<std::string> lines;
        for (int n = 0; n < count; ++n) {
            const int length = (n * 7) % 53;
            std::string line = "L" + std::to_string(n) + ":";
            while (static_cast<int>(line.size()) < length)
                line += static_cast<char>('a' + (line.size() + n) % 26);
            lines.push_back(n % 9 == 4 ? "" : n % 9 == 6 ? std::string(40, 'x') : line);
        }
        return lines;
    }
};

TEST_F(OutputRewrapTest, ANarrowerWidthWrapsEachLineAgainInItsOwnColours) {
    OutputBuffer out(Con, 20, 100, 10);
    out.UseAttr(0x4E);
    out.AppendOutput("banner"); // a bar across the whole width in the banner's colour
    out.UseAttr(7);
    out.AppendOutput("\x1A" "abcdefghij\x1C" "klmnopqrstuvwxy"); // 25 characters in two colours
    out.AppendOutput("");
    out.Resize(8, 10);

    ASSERT_EQ(out.Width(), 8);
    EXPECT_EQ(Rows(out),
              (std::vector<std::string>{"banner", "abcdefgh", "ijklmnop", "qrstuvwx", "y", ""}));
    const int64_t first = out.FirstReachableRow();
    EXPECT_EQ(out.At(first, 7), (Cell{' ', 0x4E}));
    EXPECT_EQ(out.At(first + 2, 1), (Cell{'j', 0x0A}));
    EXPECT_EQ(out.At(first + 2, 2), (Cell{'k', 0x09}));
    // The closing blanks keep the colour in force when the line ended.
    EXPECT_EQ(out.At(first + 4, 1), (Cell{' ', 0x09}));
    EXPECT_EQ(out.At(first + 5, 0), (Cell{' ', 0x09}));
}

TEST_F(OutputRewrapTest, AWiderWidthJoinsTheRowsOfALineButNotTwoLines) {
    OutputBuffer out(Con, 10, 100, 10);
    out.AppendOutput(std::string(10, 'a')); // ends exactly at the row's end
    out.AppendOutput(std::string(25, 'b'));
    out.AppendOutput("c");
    ASSERT_EQ(out.RowCount(), 5);
    out.Resize(30, 10);
    EXPECT_EQ(Rows(out),
              (std::vector<std::string>{std::string(10, 'a'), std::string(25, 'b'), "c"}));
    // Row numbers never go back: the rows saved are below the first one shown.
    EXPECT_EQ(out.RowCount(), 5);
    EXPECT_EQ(out.FirstReachableRow(), 2);
    EXPECT_EQ(out.WindowTop(), 2); // the first rows at the top of the window, as at start
}

TEST_F(OutputRewrapTest, NarrowingAndWideningAgainGivesBackTheSameRows) {
    // Room for every row even one column wide.
    OutputBuffer out(Con, 20, 10000, 10);
    for (const std::string& line : Assorted(120))
        out.AppendOutput(line);
    const std::vector<std::string> before = Rows(out);
    for (int width : {7, 33, 1, 64}) {
        out.Resize(width, 10);
        out.Resize(20, 10);
        EXPECT_EQ(Rows(out), before) << "by way of width " << width;
    }
}

TEST_F(OutputRewrapTest, NewLinesWrapAtTheNewWidthAndTheWindowFollows) {
    OutputBuffer out(Con, 20, 100, 4);
    for (int n = 0; n < 10; ++n)
        out.AppendOutput("line " + std::to_string(n));
    out.Resize(6, 3);
    EXPECT_EQ(out.WindowTop(), out.RowCount() - 3);
    out.AppendOutput("0123456789ab");
    EXPECT_EQ(RowText(out, out.RowCount() - 2), "012345");
    EXPECT_EQ(RowText(out, out.RowCount() - 1), "6789ab");
    EXPECT_EQ(out.WindowTop(), out.RowCount() - 3);
}

TEST_F(OutputRewrapTest, AScrolledBackWindowKeepsItsTopLineInView) {
    OutputBuffer out(Con, 20, 200, 5);
    for (int n = 0; n < 60; ++n)
        out.AppendOutput("line " + std::to_string(n) + std::string(20, '.'));
    // Each line is two rows; the window's top is the second row of line 30.
    out.ScrollOutput(false, out.WindowTop() - 61);
    ASSERT_EQ(out.WindowTop(), 61);
    out.Resize(9, 5);
    const int64_t top = out.WindowTop();
    EXPECT_LT(top, out.BottomPosition());
    // Line 30 is "line 30" and twenty dots: rows of nine. The window's top was the line's
    // twentieth cell, which is now on its third row.
    EXPECT_EQ(RowText(out, top - 2), "line 30..");
    EXPECT_EQ(RowText(out, top), ".........");
    out.Resize(40, 5);
    EXPECT_EQ(RowText(out, out.WindowTop()), "line 30" + std::string(20, '.'));
}

TEST_F(OutputRewrapTest, AFullRingKeepsItsNewestRowsAndTheScrollbackBound) {
    OutputBuffer out(Con, 20, 30, 5);
    for (int n = 0; n < 100; ++n)
        out.AppendOutput("line " + std::to_string(n) + std::string(10, '-'));
    const int64_t count = out.RowCount();
    out.Resize(10, 5); // every line now takes two rows: more than the ring holds
    EXPECT_GE(out.RowCount(), count);
    EXPECT_GE(out.FirstReachableRow(), out.RowCount() - (out.Size() - out.WindowRows()));
    EXPECT_EQ(RowText(out, out.RowCount() - 2), "line 99---");
    EXPECT_EQ(out.WindowTop(), out.BottomPosition());
    // Scrolling up as far as it goes shows rows of the newest lines only, never stale ones.
    out.ScrollOutput(false, 1000);
    for (int64_t row = out.WindowTop(); row < out.RowCount(); ++row)
        EXPECT_EQ(RowText(out, row).rfind("line ", 0) == 0, (row - out.RowCount()) % 2 == 0)
            << "row " << row << ": " << RowText(out, row);
}

TEST_F(OutputRewrapTest, ATallerWindowGrowsTheRingToTwiceItsHeight) {
    OutputBuffer out(Con, 20, 10, 5);
    for (int n = 0; n < 12; ++n)
        out.AppendOutput("line " + std::to_string(n));
    out.Resize(20, 30);
    EXPECT_EQ(out.Size(), 60);
    // The lines the ring still held are all in the window, each once.
    std::vector<std::string> shown;
    for (int64_t row = out.WindowTop(); row < out.RowCount(); ++row)
        shown.push_back(RowText(out, row));
    ASSERT_FALSE(shown.empty());
    EXPECT_EQ(shown.back(), "line 11");
    for (size_t i = 1; i < shown.size(); ++i)
        EXPECT_NE(shown[i], shown[i - 1]);
}

} // namespace
} // namespace tolmix
