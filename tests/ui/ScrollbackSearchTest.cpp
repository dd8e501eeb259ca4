#include "ui/ScrollbackSearch.h"
#include "support/FakeTerminal.h"
#include "support/ScreenText.h"
#include "text/CodePage.h"
#include "ui/ConsoleScreen.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tolmix {
namespace {

class ScrollbackSearchTest : public ::testing::Test {
  protected:
    test::FakeTerminal Term;
    ConsoleScreen Con{Term};

    static std::string Numbered(int n) { return "line " + std::to_string(n); }
    std::string ScreenRow(int y) {
        std::string row = test::RowText(Con.Cells(), y);
        return row.substr(0, row.find_last_not_of(' ') + 1);
    }
    // The first row of the line found, or -1.
    static int64_t HitRow(const ScrollbackSearch& search) {
        return search.Hit() ? search.Hit()->First : -1;
    }
};

TEST_F(ScrollbackSearchTest, CapitalsOfLatinAndCyrillicFoldToTheirSmallLetters) {
    for (int capital = 0xC0; capital <= 0xDF; ++capital) {
        const std::string big = AnsiToConsole(std::string(1, static_cast<char>(capital)));
        const std::string small = AnsiToConsole(std::string(1, static_cast<char>(capital + 0x20)));
        EXPECT_EQ(FoldCase(big), small) << capital;
        EXPECT_EQ(FoldCase(small), small) << capital;
    }
    // Ё, Є, Ї, І, Ў, Ґ (Windows-1251) and their small letters.
    EXPECT_EQ(FoldCase(AnsiToConsole("\xA8\xAA\xAF\xB2\xA1\xA5")),
              AnsiToConsole("\xB8\xBA\xBF\xB3\xA2\xB4"));
    EXPECT_EQ(FoldCase("Hello, World 42!"), "hello, world 42!");
    // The box drawings, the line character among them, and the glyphs of control bytes are no
    // letters.
    EXPECT_EQ(FoldCase("\xC4\xB3\xDB\x07"), "\xC4\xB3\xDB\x07");
}

TEST_F(ScrollbackSearchTest, EnterGoesToOlderLinesShiftEnterToNewerAndTheEndsSayNotFound) {
    OutputBuffer out(Con, 40, 100, 10);
    for (const char* line : {"alpha one", "beta", "Alpha two", "gamma", "ALPHA three", "delta"})
        out.AppendOutput(line);
    ScrollbackSearch search(out);
    search.Begin();
    search.Insert("alpha");
    search.Find(true);
    EXPECT_EQ(search.Result(), ScrollbackSearch::Outcome::Found);
    EXPECT_EQ(HitRow(search), 4);
    search.Find(true);
    EXPECT_EQ(HitRow(search), 2);
    search.Find(true);
    EXPECT_EQ(HitRow(search), 0);
    // Past the oldest: nothing more, and the line found stays.
    search.Find(true);
    EXPECT_EQ(search.Result(), ScrollbackSearch::Outcome::NotFound);
    EXPECT_EQ(HitRow(search), 0);
    search.Find(false);
    EXPECT_EQ(HitRow(search), 2);
    search.Find(false);
    EXPECT_EQ(HitRow(search), 4);
    search.Find(false);
    EXPECT_EQ(search.Result(), ScrollbackSearch::Outcome::NotFound);
    EXPECT_EQ(HitRow(search), 4);
    // Typing clears the note; a new text starts again from the newest line.
    search.Delete(false);
    EXPECT_EQ(search.Result(), ScrollbackSearch::Outcome::Typing);
    search.MoveToEdge(false);
    search.Insert("ALPHA ");
    search.Delete(true); // "ALPHA lph"
    EXPECT_EQ(search.Text(), "ALPHA lph");
    search.MoveToEdge(true);
    search.Insert("a t");
    search.Find(true);
    EXPECT_EQ(search.Result(), ScrollbackSearch::Outcome::NotFound);
    EXPECT_FALSE(search.Hit().has_value());
}

TEST_F(ScrollbackSearchTest, CyrillicIsFoundWhateverItsLetterCase) {
    OutputBuffer out(Con, 40, 100, 10);
    // "Тяжёлый МЕЧ лежит здесь." and a line without it.
    out.AppendOutput(AnsiToConsole("\xD2\xFF\xE6\xB8\xEB\xFB\xE9 \xCC\xC5\xD7 "
                                   "\xEB\xE5\xE6\xE8\xF2 \xE7\xE4\xE5\xF1\xFC."));
    out.AppendOutput(AnsiToConsole("\xD2\xFF\xE6\xE5\xEB\xFB\xE9")); // "Тяжелый"
    ScrollbackSearch search(out);
    search.Begin();
    search.Insert(AnsiToConsole("\xF2\xDF\xC6\xA8\xCB\xDB\xC9 \xEC\xE5\xF7")); // "тЯЖЁЛЫЙ меч"
    search.Find(true);
    ASSERT_EQ(search.Result(), ScrollbackSearch::Outcome::Found);
    EXPECT_EQ(*search.Hit(), (SearchHit{0, 1, 0, 11}));
    // Ё is a letter of its own: "ТЯЖЕЛЫЙ" finds only the line spelt with Е.
    search.End();
    search.Begin();
    search.Insert(AnsiToConsole("\xD2\xDF\xC6\xC5\xCB\xDB\xC9"));
    search.Find(true);
    EXPECT_EQ(HitRow(search), 1);
    search.Find(true);
    EXPECT_EQ(search.Result(), ScrollbackSearch::Outcome::NotFound);
}

TEST_F(ScrollbackSearchTest, AMatchAcrossAWrappedRowIsFoundAndDrawnReversedOnBothRows) {
    OutputBuffer out(Con, 10, 100, 8);
    out.UseAttr(0x0A);
    out.AppendOutput("0123456789abcdefghij"); // rows 0 and 1
    out.AppendOutput("89 ab");
    ScrollbackSearch search(out);
    search.Begin();
    search.Insert("89AB");
    search.Find(true);
    ASSERT_EQ(search.Result(), ScrollbackSearch::Outcome::Found);
    EXPECT_EQ(*search.Hit(), (SearchHit{0, 2, 8, 4}));
    EXPECT_EQ(HitSpans(out, *search.Hit()), (std::vector<CellSpan>{{0, 8, 10}, {1, 0, 2}}));
    const Frame& shown = Con.Cells();
    for (int x = 0; x < 10; ++x) {
        const bool lit = x >= 8;
        EXPECT_EQ(shown.At(x, 0).Attr, lit ? 0xA0 : 0x0A) << x;
        EXPECT_EQ(shown.At(x, 1).Attr, x < 2 ? 0xA0 : 0x0A) << x;
        EXPECT_EQ(shown.At(x, 2).Attr, 0x0A) << x;
    }
    // Escape takes the highlight away.
    search.End();
    EXPECT_EQ(Con.Cells().At(8, 0).Attr, 0x0A);
    EXPECT_EQ(Con.Cells().At(0, 1).Attr, 0x0A);
}

TEST_F(ScrollbackSearchTest, ABreakBetweenWordsIsSearchedWithTheBlanksHiddenBeyondTheEdge) {
    // At ten columns the blanks after "tail" fall beyond the first row's edge and are hidden,
    // so that the second row starts with "that".
    OutputBuffer out(Con, 10, 100, 8, WrapMode::AtWords);
    out.UseAttr(0x0A);
    out.AppendOutput("xxxx  tail  that end");
    ASSERT_EQ(out.UsedCells(0), 10);
    ASSERT_EQ(out.LineCells(0), 12);
    ScrollbackSearch search(out);
    search.Begin();
    search.Insert("tail  that");
    search.Find(true);
    ASSERT_EQ(search.Result(), ScrollbackSearch::Outcome::Found);
    EXPECT_EQ(*search.Hit(), (SearchHit{0, 2, 6, 10}));
    // Only what is shown is lit: "tail" at the first row's end, "that" at the second's start.
    EXPECT_EQ(HitSpans(out, *search.Hit()), (std::vector<CellSpan>{{0, 6, 10}, {1, 0, 4}}));
    // The words alone do not meet across the break.
    search.End();
    search.Begin();
    search.Insert("tailthat");
    search.Find(true);
    EXPECT_EQ(search.Result(), ScrollbackSearch::Outcome::NotFound);
    // A text that ends in the hidden blanks lights only the shown part.
    search.End();
    search.Begin();
    search.Insert("il ");
    search.Find(true);
    ASSERT_EQ(search.Result(), ScrollbackSearch::Outcome::Found);
    EXPECT_EQ(HitSpans(out, *search.Hit()), (std::vector<CellSpan>{{0, 8, 10}}));
}

TEST_F(ScrollbackSearchTest, TheFirstSearchStartsAtTheBottomOfAScrolledBackView) {
    OutputBuffer out(Con, 40, 200, 10);
    for (int n = 1; n <= 100; ++n)
        out.AppendOutput(Numbered(n));
    out.ScrollOutputTo(30); // rows 30 to 39: lines 31 to 40
    ScrollbackSearch search(out);
    search.Begin();
    search.Insert("line 9");
    search.Find(true);
    EXPECT_EQ(HitRow(search), 8); // "line 9", not "line 99"
    search.Find(false);
    EXPECT_EQ(HitRow(search), 89); // "line 90", after the view
}

TEST_F(ScrollbackSearchTest, EscapePutsTheViewBackAsItWasBeforeTheSearch) {
    OutputBuffer out(Con, 40, 200, 10);
    for (int n = 1; n <= 100; ++n)
        out.AppendOutput(Numbered(n));
    ScrollbackSearch search(out);
    // Scrolled back: the same top again.
    out.ScrollOutputTo(50);
    search.Begin();
    search.Insert("line 7");
    search.Find(true);
    ASSERT_EQ(HitRow(search), 6);
    EXPECT_LT(out.WindowTop(), 7);
    EXPECT_EQ(ScreenRow(6 - static_cast<int>(out.WindowTop())), "line 7");
    search.End();
    EXPECT_FALSE(search.Active());
    EXPECT_EQ(out.WindowTop(), 50);
    EXPECT_EQ(ScreenRow(0), "line 51");
    // Following: following again, with the lines that came meanwhile.
    out.ScrollOutputToEnd();
    search.Begin();
    search.Insert("line 1");
    search.Find(true);
    EXPECT_EQ(HitRow(search), 99); // "line 100"
    search.Find(true);
    EXPECT_EQ(HitRow(search), 18); // "line 19"
    out.AppendOutput(Numbered(101));
    search.End();
    EXPECT_EQ(out.WindowTop(), out.BottomPosition());
    EXPECT_EQ(ScreenRow(9), "line 101");
    out.AppendOutput(Numbered(102));
    EXPECT_EQ(ScreenRow(9), "line 102");
}

TEST_F(ScrollbackSearchTest, AnEmptyTextOrNoSearchFindsNothingAndControlBytesAreLeftOut) {
    OutputBuffer out(Con, 40, 100, 10);
    out.AppendOutput("text");
    ScrollbackSearch search(out);
    search.Insert("text");
    search.Find(true); // not begun
    EXPECT_FALSE(search.Hit().has_value());
    search.Begin();
    search.Find(true);
    EXPECT_EQ(search.Result(), ScrollbackSearch::Outcome::Typing);
    search.Insert("t\r\nex\x01t");
    EXPECT_EQ(search.Text(), "text");
    search.Find(true);
    EXPECT_EQ(HitRow(search), 0);
}

// Partial matches that overlap the real one: the search falls back within what it matched.
TEST_F(ScrollbackSearchTest, OverlappingPartialMatchesDoNotHideTheMatch) {
    OutputBuffer out(Con, 40, 100, 10);
    const struct {
        const char* line;
        const char* text;
        int64_t offset;
    } cases[] = {{"aabaabaaab", "aaab", 6},
                 {"abcabcabd", "abcabd", 3},
                 {"xxaxaxaxb", "axaxb", 4},
                 {"mississippi", "issip", 4}};
    for (const auto& c : cases) {
        out.AppendOutput(c.line);
        const std::optional<SearchHit> hit = FindLine(out, c.text, out.RowCount() - 1, true);
        ASSERT_TRUE(hit.has_value()) << c.line;
        EXPECT_EQ(hit->First, out.RowCount() - 1) << c.line;
        EXPECT_EQ(hit->Offset, c.offset) << c.line;
    }
    EXPECT_FALSE(FindLine(out, "ississippii", out.RowCount() - 1, true).has_value());
}

// A text of 10,000 characters: found in a line that holds it, and a near miss in a scrollback of
// one letter takes no more than a pass over the rows.
TEST_F(ScrollbackSearchTest, ALongTextIsBoundedAndSearchedInOnePass) {
    OutputBuffer out(Con, 80, 2000, 10);
    out.AppendOutput("start " + std::string(12'000, 'a') + " end");
    for (int n = 0; n < 500; ++n)
        out.AppendOutput(std::string(80, 'a'));
    ScrollbackSearch search(out);
    search.Begin();
    search.Insert(std::string(40'000, 'b'));
    EXPECT_EQ(search.Text().size(), ScrollbackSearch::MaxTextLength);
    search.MoveToEdge(false);
    for (size_t i = 0; i < ScrollbackSearch::MaxTextLength; ++i)
        search.Delete(true);
    EXPECT_EQ(search.Text(), "");
    search.Insert("b" + std::string(9'999, 'a'));
    search.Find(true);
    EXPECT_EQ(search.Result(), ScrollbackSearch::Outcome::NotFound);
    search.MoveToEdge(false);
    search.Delete(true);
    search.Insert("t ");
    search.Find(true);
    ASSERT_EQ(search.Result(), ScrollbackSearch::Outcome::Found);
    EXPECT_EQ(search.Hit()->First, 0);
    EXPECT_EQ(search.Hit()->Offset, 4);
    EXPECT_EQ(search.Hit()->Length, 10'001);
    // Its cells, row by row, add up to the text.
    int64_t cells = 0;
    for (const CellSpan& span : HitSpans(out, *search.Hit()))
        cells += span.To - span.From;
    EXPECT_EQ(cells, 10'001);
}

TEST_F(ScrollbackSearchTest, AResizeKeepsTheLineFoundAndWhereTheSearchBegan) {
    OutputBuffer out(Con, 20, 400, 10);
    for (int n = 1; n <= 60; ++n)
        out.AppendOutput(Numbered(n) + (n % 10 == 0 ? " with a tail that wraps here" : ""));
    out.ScrollOutputTo(40);
    const std::string top = ScreenRow(0);
    ScrollbackSearch search(out);
    search.Begin();
    search.Insert("TAIL THAT");
    search.Find(true);
    ASSERT_EQ(search.Result(), ScrollbackSearch::Outcome::Found);
    const int64_t before = HitRow(search);
    search.BeforeResize();
    out.Resize(12, 8);
    search.AfterResize();
    out.DrawOutput();
    // The line found is the same line at its new rows, and its cells are still "tail that".
    ASSERT_TRUE(search.Hit().has_value());
    EXPECT_NE(HitRow(search), before);
    std::string lit;
    for (const CellSpan& span : HitSpans(out, *search.Hit())) {
        for (int x = span.From; x < span.To; ++x)
            lit += static_cast<char>(out.At(span.Row, x).Char);
    }
    EXPECT_EQ(lit, "tail that");
    // Enter goes on from it, and Escape brings back the text the view began at.
    search.Find(true);
    EXPECT_EQ(search.Result(), ScrollbackSearch::Outcome::Found);
    search.End();
    EXPECT_EQ(ScreenRow(0), top.substr(0, 12));
}

} // namespace
} // namespace tolmix
