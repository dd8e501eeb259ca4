#include "ui/ScreenLayout.h"
#include "support/DefaultScreen.h"
#include "support/FakeTerminal.h"
#include "support/ScreenText.h"
#include "text/ProgramName.h"
#include "ui/ConsoleScreen.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

struct LayoutCase {
    bool InfoPanel;
    bool SeparatorLine;
    int EditorLines;
    int OutputRows, SeparatorRow, EditorTop, PanelRow;
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << "panel " << c.InfoPanel << ", separator " << c.SeparatorLine << ", editor lines "
        << c.EditorLines;
}

class ScreenLayoutTest : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(ScreenLayoutTest, DrawsEveryRowInItsColour) {
    const LayoutCase c = GetParam();
    test::FakeTerminal term;
    ConsoleScreen console(term);
    ScreenOptions options = test::DefaultScreen();
    options.InfoPanel = c.InfoPanel;
    options.SeparatorLine = c.SeparatorLine;
    options.EditorLines = c.EditorLines;
    options.SeparatorColor = 0x03;
    const ScreenLayout layout = StartScreen(console, term, options);

    EXPECT_EQ(layout.OutputRows, c.OutputRows);
    EXPECT_EQ(layout.SeparatorRow, c.SeparatorRow);
    EXPECT_EQ(layout.EditorTop, c.EditorTop);
    EXPECT_EQ(layout.PanelRow, c.PanelRow);

    const Frame& screen = console.Cells();
    ASSERT_EQ(screen.Width, 80);
    ASSERT_EQ(screen.Height, 25);
    for (int y = 0; y < layout.OutputRows; ++y)
        EXPECT_TRUE(test::RowIs(screen, y, ' ', 7)) << "output row " << y;
    if (c.SeparatorLine) {
        EXPECT_TRUE(test::RowIs(screen, layout.SeparatorRow, 0xC4, 0x03));
    }
    for (int y = layout.EditorTop; y < layout.EditorTop + c.EditorLines; ++y)
        EXPECT_TRUE(test::RowIs(screen, y, ' ', 15)) << "editor row " << y;
    if (c.InfoPanel) {
        EXPECT_TRUE(test::RowIs(screen, 23, ' ', 0x87));
        EXPECT_TRUE(test::RowIs(screen, 24, ' ', 0x87));
    }
    EXPECT_EQ(screen.CursorX, 0);
    EXPECT_EQ(screen.CursorY, layout.EditorTop);
    EXPECT_EQ(screen.CursorSize, 16);
    EXPECT_TRUE(screen.CursorVisible);
    console.Show(); // the title goes out with the frame
    EXPECT_EQ(term.Title, ProgramTitle);
}

INSTANTIATE_TEST_SUITE_P(Settings, ScreenLayoutTest,
                         ::testing::Values(LayoutCase{true, true, 1, 21, 21, 22, 23},
                                           LayoutCase{false, true, 1, 23, 23, 24, 25},
                                           LayoutCase{true, false, 1, 22, 22, 22, 23},
                                           LayoutCase{true, true, 3, 19, 19, 20, 23},
                                           LayoutCase{false, false, 1, 24, 24, 24, 25}));

TEST(ScreenLayout, EditorNeverTakesTheLastOutputRow) {
    ScreenOptions options = test::DefaultScreen();
    options.SizeY = 5;
    options.EditorLines = 50;
    const ScreenLayout layout = ComputeLayout(options);
    EXPECT_EQ(layout.EditorLines, 1);
    EXPECT_EQ(layout.OutputRows, 1);
    options.SizeY = 25;
    EXPECT_EQ(ComputeLayout(options).EditorLines, 21);
    EXPECT_EQ(ComputeLayout(options).OutputRows, 1);
}

} // namespace
} // namespace tolmix
