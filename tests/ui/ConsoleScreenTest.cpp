// The console's screen buffer: what the screen pieces write, and how it reaches the terminal.
#include "support/FakeConsole.h"
#include "support/ScreenText.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

class ConsoleScreenTest : public ::testing::Test, protected test::FakeConsole {
  protected:
    const Frame& Cells() { return Screen.Cells(); }
};

TEST_F(ConsoleScreenTest, ColourBytesChangeOnlyTheForeground) {
    Screen.WriteColoredText("a\x0C"
                            "b\x01"
                            "c",
                            0x4E, MakeCoord(2, 1));
    EXPECT_EQ(Cells().At(2, 1), (Cell{'a', 0x4E}));
    EXPECT_EQ(Cells().At(3, 1), (Cell{'b', 0x4C}));
    EXPECT_EQ(Cells().At(4, 1), (Cell{'c', 0x41}));
    EXPECT_EQ(Cells().At(5, 1), (Cell{' ', 7}));
}

TEST_F(ConsoleScreenTest, TextOfColourBytesOnlyWritesNoCells) {
    const Frame before = Cells();
    Screen.WriteColoredText("\x01\x02\x0F", 0x17, MakeCoord(0, 0));
    Screen.WriteText("", 0x17, MakeCoord(0, 0));
    Screen.FillRect(MakeCoord(0, 0), 0, 5, 'x', 0x17);
    Screen.FillRect(MakeCoord(0, 0), 5, 0, 'x', 0x17);
    EXPECT_EQ(Cells(), before);
}

TEST_F(ConsoleScreenTest, WritesOutsideTheBufferAreClipped) {
    Screen.WriteText("abc", 0x1F, MakeCoord(78, 24));
    EXPECT_EQ(Cells().At(78, 24), (Cell{'a', 0x1F}));
    EXPECT_EQ(Cells().At(79, 24), (Cell{'b', 0x1F}));
    Screen.FillRect(MakeCoord(-1, -1), 3, 3, '#', 0x20);
    EXPECT_EQ(Cells().At(0, 0), (Cell{'#', 0x20}));
    EXPECT_EQ(Cells().At(1, 1), (Cell{'#', 0x20}));
    EXPECT_EQ(Cells().At(2, 2), (Cell{' ', 7}));
}

TEST_F(ConsoleScreenTest, FillAttributeContinuesOnTheNextRow) {
    Screen.WriteText("xy", 7, MakeCoord(78, 0));
    Screen.FillAttribute(MakeCoord(79, 0), 3, 0x5A);
    EXPECT_EQ(Cells().At(78, 0), (Cell{'x', 7}));
    EXPECT_EQ(Cells().At(79, 0), (Cell{'y', 0x5A}));
    EXPECT_EQ(Cells().At(0, 1).Attr, 0x5A);
    EXPECT_EQ(Cells().At(1, 1).Attr, 0x5A);
    EXPECT_EQ(Cells().At(2, 1).Attr, 7);
}

TEST_F(ConsoleScreenTest, ClearUsesTheTextAttributeAndHomesTheCursor) {
    Screen.SetCursorPos(MakeCoord(5, 5));
    Screen.SetTextAttr(0x1E);
    Screen.Clear();
    EXPECT_TRUE(test::RowIs(Cells(), 0, ' ', 0x1E));
    EXPECT_TRUE(test::RowIs(Cells(), 24, ' ', 0x1E));
    EXPECT_EQ(Cells().CursorX, 0);
    EXPECT_EQ(Cells().CursorY, 0);
}

TEST_F(ConsoleScreenTest, BufferSizeIsAskedOfTheTerminalAndKeepsTheCells) {
    Screen.WriteText("keep", 0x0A, MakeCoord(0, 0));
    Screen.SetBufferSize(MakeCoord(40, 10));
    EXPECT_EQ(Screen.GetBufferSize(), MakeCoord(40, 10));
    ASSERT_EQ(Term.SizeRequests.size(), 1u);
    EXPECT_EQ(Term.SizeRequests[0].Columns, 40);
    EXPECT_EQ(Term.SizeRequests[0].Rows, 10);
    EXPECT_EQ(test::RowText(Cells(), 0).substr(0, 4), "keep");
}

TEST_F(ConsoleScreenTest, TitleIsCappedAndPassedOnWithTheNextFrame) {
    Screen.SetTitle(std::string(300, 'T'));
    EXPECT_EQ(Screen.GetTitle().size(), 260u);
    Screen.Show();
    EXPECT_EQ(Term.Title.size(), 260u);
}

TEST_F(ConsoleScreenTest, ManyTitlesInOneFrameReachTheTerminalOnce) {
    Term.Titles.clear();
    for (int i = 0; i < 100000; ++i)
        Screen.SetTitle("name " + std::to_string(i));
    Screen.Show();
    EXPECT_EQ(Term.Titles, std::vector<std::string>{"name 99999"});
    // The same title again, or none, writes nothing more.
    Screen.SetTitle("name 99999");
    Screen.Show();
    Screen.Show();
    EXPECT_EQ(Term.Titles.size(), 1u);
    Screen.SetTitle("other");
    Screen.Show();
    EXPECT_EQ(Term.Titles.back(), "other");
    EXPECT_EQ(Term.Titles.size(), 2u);
}

TEST_F(ConsoleScreenTest, ClipboardCrossesInWindows1251) {
    Clipboard.CopyToClipboard("\x8F\x11x");
    ASSERT_TRUE(Clip.Text.has_value());
    EXPECT_EQ(*Clip.Text, "\xCF\x81x");
    Clip.Text = std::string("\xE0\x85z\0tail", 8);
    EXPECT_EQ(Clipboard.PasteFromClipboard(), "\xA0\x15z");
    Clip.Text.reset();
    EXPECT_EQ(Clipboard.PasteFromClipboard(), "");
}

} // namespace
} // namespace tolmix
