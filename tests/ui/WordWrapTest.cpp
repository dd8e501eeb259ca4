// Long lines broken between words: where rows end, what becomes of the blanks at a break and of
// colours inside a word, and that wrapping again at a new width gives the rows printing at that
// width would have given.
#include "support/FakeTerminal.h"
#include "ui/ConsoleScreen.h"
#include "ui/OutputBuffer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolmix {
namespace {

class WordWrapTest : public ::testing::Test {
  protected:
    test::FakeTerminal Term;
    ConsoleScreen Con{Term};

    OutputBuffer Make(int width, int32_t size = 1000, int32_t rows = 10) {
        return OutputBuffer(Con, width, size, rows, WrapMode::AtWords);
    }
    // The characters of one stored row, every cell.
    static std::string WholeRow(const OutputBuffer& out, int64_t row) {
        std::string text;
        for (int x = 0; x < out.Width(); ++x)
            text += static_cast<char>(out.At(row, x).Char);
        return text;
    }
    static std::string RowText(const OutputBuffer& out, int64_t row) {
        const std::string text = WholeRow(out, row);
        return text.substr(0, text.find_last_not_of(' ') + 1);
    }
    // Every row from the first reachable one to the last, as text.
    static std::vector<std::string> Rows(const OutputBuffer& out) {
        std::vector<std::string> rows;
        for (int64_t row = out.FirstReachableRow(); row < out.RowCount(); ++row)
            rows.push_back(RowText(out, row));
        return rows;
    }
    // Every reachable cell, row by row.
    static std::vector<std::vector<Cell>> Cells(const OutputBuffer& out) {
        std::vector<std::vector<Cell>> rows;
        for (int64_t row = out.FirstReachableRow(); row < out.RowCount(); ++row) {
            rows.emplace_back();
            for (int x = 0; x < out.Width(); ++x)
                rows.back().push_back(out.At(row, x));
        }
        return rows;
    }
    // Lines with the hard cases of wrapping: runs of blanks, words of exactly a row and longer,
    // colour bytes and background marks inside words and blanks, empty lines, leading blanks.
    static std::vector<std::string> Prose() {
        return {
            "The quick brown fox jumps over the lazy dog by a wide and calm river.",
            "",
            "  Two leading blanks, then    four, then one.",
            "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789 short words",
            "red\x19wo\x1Ard\x17 then a \x1E\xB8"
            "Dblue band\x17 across   the   row     end  ",
            "a b c d e f g h i j k l m n o p q r s t u v w x y z",
            "\x80\xA0\xE0\xAE\xA1\xE0\xAE 12345678 1234567 123456789 123456 x",
            "                                        ",
            "ends with a colour\x1C",
        };
    }
};

TEST_F(WordWrapTest, RowsEndAfterTheLastBlankThatFitsAtEveryWidth) {
    const std::string line = "The quick brown fox jumps over the lazy dog";
    struct Case {
        int width;
        std::vector<std::string> rows;
    };
    const Case cases[] = {
        {10, {"The quick", "brown fox", "jumps over", "the lazy", "dog"}},
        {15, {"The quick brown", "fox jumps over", "the lazy dog"}},
        {16, {"The quick brown", "fox jumps over", "the lazy dog"}},
        {20, {"The quick brown fox", "jumps over the lazy", "dog"}},
        {43, {line}},
    };
    for (const Case& c : cases) {
        OutputBuffer out = Make(c.width);
        out.AppendOutput(line);
        EXPECT_EQ(Rows(out), c.rows) << "width " << c.width;
        // The blank that ended a row stays with it; the next row begins with the word.
        for (int64_t row = 1; row < out.RowCount(); ++row)
            EXPECT_NE(out.At(row, 0).Char, ' ') << "width " << c.width << ", row " << row;
    }
}

TEST_F(WordWrapTest, WordsOfExactlyTheWidthAndLongerOnes) {
    OutputBuffer out = Make(6);
    out.AppendOutput("abcdef ghijkl");       // each word fills a row; the blank between is hidden
    out.AppendOutput("ab cdefghijklmnop q"); // a word longer than the row is cut
    out.AppendOutput("abcdef");              // one row, no empty row after it
    EXPECT_EQ(Rows(out), (std::vector<std::string>{"abcdef", "ghijkl", "ab", "cdefgh", "ijklmn",
                                                   "op q", "abcdef"}));
}

TEST_F(WordWrapTest, BlanksAtABreakStayAtTheRowsEndAndComeBackWhenWider) {
    OutputBuffer out = Make(5);
    out.AppendOutput("one"
                     "\xB8"
                     "E"
                     "     two"); // five blanks on a magenta background
    EXPECT_EQ(Rows(out), (std::vector<std::string>{"one", "two"}));
    // Two blanks fit after "one"; the three beyond the edge are hidden.
    EXPECT_EQ(out.At(0, 4), (Cell{' ', 0x57}));
    EXPECT_EQ(out.Shape(0).Used, 5);
    EXPECT_EQ(out.Shape(0).Hidden, 3);
    EXPECT_EQ(out.Shape(0).HiddenAttr, 0x57);
    EXPECT_TRUE(out.Shape(1).Continues);
    out.Resize(12, 10);
    EXPECT_EQ(WholeRow(out, out.RowCount() - 1), "one     two ");
    for (int x = 3; x < 8; ++x)
        EXPECT_EQ(out.At(out.RowCount() - 1, x), (Cell{' ', 0x57})) << x;
    // Beyond the edge, a blank of another colour than the hidden ones starts the next row:
    // the hidden blanks share one colour, so that a new width shows each blank in its own.
    out.Resize(5, 10);
    out.AppendOutput("\x17" "abc" "   \x1E  def");
    EXPECT_EQ(Rows(out).back(), "  def");
    out.Resize(20, 10);
    EXPECT_EQ(RowText(out, out.RowCount() - 1), "abc     def");
    EXPECT_EQ(out.At(out.RowCount() - 1, 4), (Cell{' ', 0x07}));
    EXPECT_EQ(out.At(out.RowCount() - 1, 6), (Cell{' ', 0x0B}));
    out.Resize(12, 10);
    // A row of nothing but blanks is kept as it is; the blanks of a line's end stay hidden.
    out.AppendOutput("          x  ");
    EXPECT_EQ(RowText(out, out.RowCount() - 1), "          x");
    out.Resize(4, 10);
    EXPECT_EQ(Rows(out).back(), "x");
    EXPECT_EQ(Rows(out)[Rows(out).size() - 2], "");
}

TEST_F(WordWrapTest, AWordMovesToTheNextRowWithItsColours) {
    OutputBuffer out = Make(10);
    out.UseAttr(7);
    out.AppendOutput("fight: \x19red\x1A"
                     "gre\x1F"
                     "en!");
    ASSERT_EQ(Rows(out), (std::vector<std::string>{"fight:", "redgreen!"}));
    const char* word = "redgreen!";
    const uint16_t attrs[] = {0x0C, 0x0C, 0x0C, 0x0A, 0x0A, 0x0A, 0x0F, 0x0F, 0x0F};
    for (int x = 0; x < 9; ++x)
        EXPECT_EQ(out.At(1, x), (Cell{static_cast<uint8_t>(word[x]), attrs[x]})) << x;
    // The row the word left is blank in the colour of the blank that ended it.
    EXPECT_EQ(out.At(0, 6), (Cell{' ', 7}));
    EXPECT_EQ(out.At(0, 9), (Cell{' ', 7}));
    // The colour in force at the line's end carries over to the next line.
    EXPECT_EQ(out.TextAttr(), 0x0F);
    EXPECT_EQ(out.At(1, 9), (Cell{' ', 0x0F}));
}

TEST_F(WordWrapTest, ResizingGivesTheRowsOfPrintingAtTheNewWidth) {
    OutputBuffer resized = Make(30, 10000);
    for (const std::string& line : Prose())
        resized.AppendOutput(line);
    for (int width : {7, 13, 29, 31, 1, 2, 6, 80, 30}) {
        resized.Resize(width, 10);
        OutputBuffer printed = Make(width, 10000);
        for (const std::string& line : Prose())
            printed.AppendOutput(line);
        EXPECT_EQ(Rows(resized), Rows(printed)) << "width " << width;
        EXPECT_EQ(Cells(resized), Cells(printed)) << "width " << width;
    }
}

TEST_F(WordWrapTest, TheUnfinishedPromptWrapsAtWordsAndStaysBelowTheLines) {
    OutputBuffer out = Make(12);
    out.ShowUnfinished("What is your name? ");
    EXPECT_EQ(Rows(out), (std::vector<std::string>{"What is your", "name?"}));
    out.AppendOutput("A voice says hello.");
    EXPECT_EQ(Rows(out),
              (std::vector<std::string>{"A voice says", "hello.", "What is your", "name?"}));
    out.Resize(9, 10);
    EXPECT_EQ(Rows(out),
              (std::vector<std::string>{"A voice", "says", "hello.", "What is", "your", "name?"}));
    out.RemoveUnfinished();
    EXPECT_EQ(Rows(out), (std::vector<std::string>{"A voice", "says", "hello."}));
}

TEST_F(WordWrapTest, AtTheEdgeModeCutsWordsAsBefore) {
    OutputBuffer out(Con, 10, 100, 10, WrapMode::AtEdge);
    out.AppendOutput("The quick brown fox");
    EXPECT_EQ(Rows(out), (std::vector<std::string>{"The quick", "brown fox"}));
    out.AppendOutput("jumps over the lazy dog");
    EXPECT_EQ(Rows(out), (std::vector<std::string>{"The quick", "brown fox", "jumps over",
                                                   " the lazy", "dog"}));
    out.Resize(7, 10);
    EXPECT_EQ(Rows(out), (std::vector<std::string>{"The qui", "ck brow", "n fox", "jumps o",
                                                   "ver the", " lazy d", "og"}));
}

TEST_F(WordWrapTest, AMegabyteLineWrapsInLinearTimeIntoASmallRing) {
    // Quadratic work on any of these would not end within the test's time limit.
    std::string words;
    while (words.size() < (1u << 20))
        words += "word\x1C"
                 "s of ei\x1Aght ";
    const std::vector<std::string> lines = {words, std::string(1u << 20, 'x'),
                                            std::string(1u << 20, ' ') + "end"};
    for (const std::string& line : lines) {
        OutputBuffer out = Make(80, 200, 20);
        out.AppendOutput(line);
        out.AppendOutput("after");
        EXPECT_EQ(RowText(out, out.RowCount() - 1), "after");
        out.Resize(33, 20);
        EXPECT_EQ(RowText(out, out.RowCount() - 1), "after");
        EXPECT_LE(out.RowCount() - out.FirstReachableRow(), out.Size());
    }
    // The widest screen: rows whose used cells and hidden blanks reach their 16-bit bounds.
    OutputBuffer wide = Make(65535, 4, 2);
    wide.AppendOutput(std::string(200000, ' ') + "x" + std::string(70000, 'y'));
    wide.Resize(65534, 2);
    EXPECT_EQ(wide.At(wide.RowCount() - 1, 0).Char, 'y');
}

} // namespace
} // namespace tolmix
