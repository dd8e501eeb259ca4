#include "app/PartOptions.h"
#include "support/DefaultScreen.h"
#include "text/DateNames.h"
#include "util/TolmixStringList.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

ClientSettings Read(const std::string& text) {
    TTolmixStringList list;
    list.SetText(text);
    return ReadClientSettings(list);
}

// The screen the other tests draw on is the one a settings file that sets nothing gives.
TEST(PartOptions, AnEmptySettingsFileGivesTheDefaultScreen) {
    const ClientSettings settings = Read("");
    const ScreenOptions screen = MakeScreenOptions(settings);
    EXPECT_EQ(screen, test::DefaultScreen());
    const ScreenLayout layout = ComputeLayout(screen);
    EXPECT_EQ(MakePanelOptions(settings, layout, 80, SystemLocale{}), test::DefaultPanel());
    EXPECT_EQ(MakeEditorOptions(settings, layout, 80), test::DefaultEditor());
}

// Every setting a part reads reaches it, each in its own field; the sizes and rows are the
// layout's at the screen's present width, the requested width the setting's.
TEST(PartOptions, EachPartGetsTheSettingsItReadsAndItsPlaceInTheLayout) {
    const ClientSettings settings =
        Read("SizeX=100\r\nSizeY=12\r\nFullScreen=1\r\nInfoPanelColor=0x17\r\n"
             "SeparatorColor=3\r\nNameColor=14\r\nTimeFormat=hh:nn\r\nTimeColor=11\r\n"
             "EditorLines=30\r\nEditorTextColor=0x1E\r\nEditorSelColor=0x2F\r\n"
             "HistorySize=50\r\nEditLockHistory=0\r\nEnterSwap=1\r\n");
    const ScreenOptions screen = MakeScreenOptions(settings);
    EXPECT_EQ(screen.SizeX, 100);
    EXPECT_EQ(screen.SizeY, 12);
    EXPECT_TRUE(screen.FullScreen);
    EXPECT_TRUE(screen.InfoPanel);
    EXPECT_EQ(screen.InfoPanelColor, 0x17);
    EXPECT_TRUE(screen.SeparatorLine);
    EXPECT_EQ(screen.SeparatorColor, 3);
    EXPECT_EQ(screen.EditorLines, 30);
    EXPECT_EQ(screen.EditorTextColor, 0x1E);

    const ScreenLayout layout = ComputeLayout(screen); // an editor of 8 rows, not 30
    const SystemLocale russian{true, ','};
    const StatusPanelOptions panel = MakePanelOptions(settings, layout, 90, russian);
    EXPECT_EQ(panel.SizeX, 90);
    EXPECT_EQ(panel.RequestedSizeX, 100);
    EXPECT_EQ(panel.SeparatorRow, layout.SeparatorRow);
    EXPECT_EQ(panel.PanelRow, layout.PanelRow);
    EXPECT_TRUE(panel.SeparatorLine);
    EXPECT_EQ(panel.SeparatorColor, 3);
    EXPECT_EQ(panel.NameColor, 14);
    EXPECT_EQ(panel.TimeFormat, "hh:nn");
    EXPECT_EQ(panel.TimeColor, 11);
    EXPECT_TRUE(panel.InfoPanel);
    EXPECT_EQ(panel.InfoPanelColor, 0x17);
    EXPECT_EQ(panel.DecimalSeparator, ',');
    EXPECT_EQ(panel.Names, &LocaleDateNames(true));

    const InputEditorOptions editor = MakeEditorOptions(settings, layout, 90);
    EXPECT_EQ(editor.SizeX, 90);
    EXPECT_EQ(editor.EditorTop, layout.EditorTop);
    EXPECT_EQ(editor.EditorLines, 8);
    EXPECT_EQ(editor.EditorTextColor, 0x1E);
    EXPECT_EQ(editor.EditorSelColor, 0x2F);
    EXPECT_EQ(editor.HistorySize, 50);
    EXPECT_FALSE(editor.EditLockHistory);
    EXPECT_TRUE(editor.EnterSwap);

    // The switches that take rows away reach the screen and the panel alike.
    const ClientSettings bare = Read("InfoPanel=0\r\nSeparatorLine=0\r\n");
    EXPECT_FALSE(MakeScreenOptions(bare).InfoPanel);
    EXPECT_FALSE(MakeScreenOptions(bare).SeparatorLine);
    const StatusPanelOptions barePanel =
        MakePanelOptions(bare, ComputeLayout(MakeScreenOptions(bare)), 80, SystemLocale{});
    EXPECT_FALSE(barePanel.InfoPanel);
    EXPECT_FALSE(barePanel.SeparatorLine);
}

} // namespace
} // namespace tolmix
