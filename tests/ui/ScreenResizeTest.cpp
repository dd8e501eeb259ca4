// The console's screen follows the terminal's size: the layout at the start, a resize while
// running, a terminal below the smallest size, and a cursor whose cell is off the screen.
#include "ui/ScreenLayout.h"
#include "ui/SmallScreenNotice.h"
#include "support/DefaultScreen.h"
#include "support/FakeClipboard.h"
#include "support/FakeEventLoop.h"
#include "support/FakeTerminal.h"
#include "support/ScreenText.h"
#include "support/ScriptedLoopClient.h"
#include "text/CodePage.h"
#include "ui/InputLoop.h"
#include "ui/ScreenLayout.h"
#include "ui/SmallScreenNotice.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

class ScreenResizeTest : public ::testing::Test {
  protected:
    test::FakeTerminal Term;
    test::FakeEventLoop Loop;
    test::FakeClipboard Clip;
    ConsoleScreen Con{Term};
    InputLoop Input{Term, Loop, Con};
    test::ScriptedLoopClient Target;
    // "Окно слишком мало" in the console code page.
    static std::string NoticeText() {
        return AnsiToConsole("\xCE\xEA\xED\xEE \xF1\xEB\xE8\xF8\xEA\xEE\xEC \xEC\xE0\xEB\xEE");
    }
};

TEST(ScreenLayoutAtOtherSizes, PanelOnTheLastRowsEditorAboveAndTheRestForOutput) {
    ScreenOptions options = test::DefaultScreen();
    options.SizeX = 120;
    options.SizeY = 40;
    ScreenLayout layout = ComputeLayout(options);
    EXPECT_EQ(layout.PanelRow, 38);
    EXPECT_EQ(layout.EditorTop, 37);
    EXPECT_EQ(layout.SeparatorRow, 36);
    EXPECT_EQ(layout.OutputRows, 36);

    // The smallest screen: one output row, the separator, the editor, the panel.
    options.SizeY = 5;
    options.EditorLines = 3;
    layout = ComputeLayout(options);
    EXPECT_EQ(layout.OutputRows, 1);
    EXPECT_EQ(layout.EditorLines, 1);
    EXPECT_EQ(layout.PanelRow, 3);
    // Taller again, the editor has the rows it was set to.
    options.SizeY = 15;
    EXPECT_EQ(ComputeLayout(options).EditorLines, 3);
    EXPECT_EQ(ComputeLayout(options).OutputRows, 9);
}

TEST_F(ScreenResizeTest, TheLayoutTakesTheSizeOfATerminalThatKeepsItsOwn) {
    Term.TakesSizeRequests = false;
    Term.CurrentSize = {60, 15};
    const ScreenLayout layout = StartScreen(Con, Term, test::DefaultScreen());
    ASSERT_EQ(Term.SizeRequests.size(), 1u);
    EXPECT_EQ(Term.SizeRequests[0].Columns, 80); // still asked for
    EXPECT_EQ(Con.GetBufferSize(), MakeCoord(60, 15));
    EXPECT_EQ(layout.PanelRow, 13);
    EXPECT_EQ(layout.EditorTop, 12);
    EXPECT_EQ(layout.OutputRows, 11);
    EXPECT_TRUE(test::RowIs(Con.Cells(), 11, 0xC4, 7));
    EXPECT_TRUE(test::RowIs(Con.Cells(), 14, ' ', 0x87));
    EXPECT_EQ(Target.Resizes, 0);
}

TEST_F(ScreenResizeTest, ATerminalWithoutASizeGetsTheSizeAskedFor) {
    Term.TakesSizeRequests = false;
    Term.CurrentSize = {0, 0};
    StartScreen(Con, Term, test::DefaultScreen());
    EXPECT_EQ(Con.GetBufferSize(), MakeCoord(80, 25));
    // A resize it cannot measure changes nothing.
    Term.ResizeTo(0, 0);
    Input.ProcessPending(Target);
    EXPECT_EQ(Con.GetBufferSize(), MakeCoord(80, 25));
    EXPECT_EQ(Target.Resizes, 0);
}

TEST_F(ScreenResizeTest, AResizeGivesTheBufferTheNewSizeAndLaysItOutOnce) {
    StartScreen(Con, Term, test::DefaultScreen());
    Term.ResizeTo(100, 30);
    Input.ProcessPending(Target);
    EXPECT_EQ(Con.GetBufferSize(), MakeCoord(100, 30));
    EXPECT_EQ(Target.Resizes, 1);
    // The same size again (a terminal that lost its screen) redraws without a new layout.
    const int presents = Term.Presents;
    Term.ResizeTo(100, 30);
    Input.ProcessPending(Target);
    Con.Show();
    EXPECT_EQ(Target.Resizes, 1);
    EXPECT_EQ(Term.Presents, presents + 1);
    // A terminal larger than any screen laid out gets the largest.
    Term.ResizeTo(5000, 3000);
    Input.ProcessPending(Target);
    EXPECT_EQ(Con.GetBufferSize(), MakeCoord(ConsoleScreen::MaxColumns, ConsoleScreen::MaxRows));
}

TEST_F(ScreenResizeTest, BelowTheSmallestSizeANoticeShowsAndTheScreenComesBack) {
    StartScreen(Con, Term, test::DefaultScreen());
    Con.WriteText("kept", 7, MakeCoord(0, 0));
    for (const auto& [columns, rows] : {std::pair{19, 25}, std::pair{80, 4}, std::pair{19, 4}}) {
        Term.ResizeTo(columns, rows);
        Input.ProcessPending(Target);
        EXPECT_TRUE(Con.TooSmall()) << columns << "x" << rows;
        Con.Show();
        ASSERT_EQ(Term.Shown.Width, columns);
        ASSERT_EQ(Term.Shown.Height, rows);
        EXPECT_FALSE(Term.Shown.CursorVisible);
        const std::string middle = test::RowText(Term.Shown, (rows - 1) / 2);
        EXPECT_EQ(middle.find(NoticeText().substr(0, std::min(columns, 17))) != std::string::npos,
                  true)
            << middle;
    }
    // What was drawn meanwhile is there when the terminal grows back to its size.
    Con.WriteText("more", 7, MakeCoord(0, 1));
    Term.ResizeTo(80, 25);
    Input.ProcessPending(Target);
    Con.Show();
    EXPECT_FALSE(Con.TooSmall());
    EXPECT_EQ(Target.Resizes, 0);
    EXPECT_EQ(test::RowText(Term.Shown, 0).substr(0, 4), "kept");
    EXPECT_EQ(test::RowText(Term.Shown, 1).substr(0, 4), "more");
    EXPECT_TRUE(Term.Shown.CursorVisible);
}

TEST_F(ScreenResizeTest, AStartInATerminalTooSmallLaysOutTheSizeAskedFor) {
    Term.TakesSizeRequests = false;
    Term.CurrentSize = {19, 4};
    const ScreenLayout layout = StartScreen(Con, Term, test::DefaultScreen());
    EXPECT_TRUE(Con.TooSmall());
    EXPECT_EQ(Con.GetBufferSize(), MakeCoord(80, 25));
    EXPECT_EQ(layout.PanelRow, 23);
    Term.ResizeTo(40, 10);
    Input.ProcessPending(Target);
    EXPECT_FALSE(Con.TooSmall());
    EXPECT_EQ(Target.Resizes, 1);
}

TEST_F(ScreenResizeTest, TheCursorIsHiddenWhileItsCellIsOffTheScreen) {
    StartScreen(Con, Term, test::DefaultScreen());
    Con.SetCursorPos(MakeCoord(85, 3));
    Con.Show();
    EXPECT_FALSE(Term.Shown.CursorVisible);
    Con.SetCursorPos(MakeCoord(5, 3));
    Con.Show();
    EXPECT_TRUE(Term.Shown.CursorVisible);
    // The terminal shrank and the console has not heard yet: the editor's row is off screen.
    Con.SetCursorPos(MakeCoord(5, 22));
    Term.CurrentSize = {80, 20};
    Con.Show();
    EXPECT_FALSE(Term.Shown.CursorVisible);
    // A cursor the client hid stays hidden wherever it is.
    Term.CurrentSize = {80, 25};
    Con.SetCursorVisible(false);
    Con.Show();
    EXPECT_FALSE(Term.Shown.CursorVisible);
    Con.SetCursorVisible(true);
    Con.Show();
    EXPECT_TRUE(Term.Shown.CursorVisible);
}

TEST(SmallScreenNotice, SaysHowLargeTheTerminalMustBeWhereThereIsRoom) {
    const Frame wide = SmallScreenNotice(60, 3);
    const std::string row = test::RowText(wide, 1);
    EXPECT_NE(row.find("20x5"), std::string::npos) << row;
    const Frame narrow = SmallScreenNotice(10, 1);
    EXPECT_EQ(test::RowText(narrow, 0), AnsiToConsole("\xCE\xEA\xED\xEE \xF1\xEB\xE8\xF8\xEA"));
    EXPECT_EQ(SmallScreenNotice(1, 0).Cells.size(), 0u);
}

} // namespace
} // namespace tolmix
