// The assembled client follows the terminal's size: every part is laid out again and drawn
// whole, the scrollback and the editor's text are wrapped at the new width.
#include "app/ClientFakes.h"
#include "app/TClient.h"
#include "platform/VirtualKeys.h"
#include "support/ScreenText.h"
#include "text/CodePage.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

class ClientResize : public ::testing::Test, public test::ClientFakes {
  protected:
    void SetUp() override {
        Files.Add("TolmixClient.tcf", "AutoSend=\r\n");
        const char* argv[] = {"tolmix-client"};
        Client = std::make_unique<TClient>(Con, Env, 1, argv);
    }
    // Every cell of the row has this background colour.
    bool RowBackgroundIs(int y, int background) {
        const Frame& screen = Term.Shown;
        for (int x = 0; x < screen.Width; ++x)
            if ((screen.At(x, y).Attr >> 4) != background)
                return false;
        return true;
    }
    std::string Shown(int y) const { return test::RowText(Term.Shown, y); }
    // The screen as a player sees it after a resize to columns x rows: the panel on the last
    // two rows, the editor above it, the separator above that.
    void ExpectLaidOut(int columns, int rows) {
        const Frame& screen = Term.Shown;
        ASSERT_EQ(screen.Width, columns);
        ASSERT_EQ(screen.Height, rows);
        EXPECT_TRUE(RowBackgroundIs(rows - 2, 8) && RowBackgroundIs(rows - 1, 8)) << "panel rows";
        EXPECT_EQ(Shown(rows - 2).substr(0, 7), Level);
        EXPECT_EQ(screen.At(0, rows - 3).Attr, 0x0F) << "editor row";
        // The separator keeps its line characters where nothing is written on it.
        EXPECT_EQ(screen.At(0, rows - 4), (Cell{0xC4, 7}));
        EXPECT_EQ(screen.At(columns - 1, rows - 4), (Cell{0xC4, 7}));
        EXPECT_NE(screen.At(0, rows - 5), (Cell{0xC4, 7})) << "one separator only";
        EXPECT_TRUE(screen.CursorVisible);
    }

    const std::string Level = AnsiToConsole("\xD3\xF0\xEE\xE2\xE5\xED\xFC"); // Уровень
    std::unique_ptr<TClient> Client;
    void RunInput() { ClientFakes::RunInput(*Client); }
};

TEST_F(ClientResize, EveryPartIsLaidOutAgainAtEachNewSize) {
    Type(std::string(70, 'w'));
    RunInput();
    Term.ResizeTo(60, 15);
    RunInput();
    ExpectLaidOut(60, 15);
    // The banner bar is wrapped again at the new width, both its rows in its colours.
    EXPECT_EQ(Shown(0).substr(0, 20), "Tolmix Client v1.4.0");
    EXPECT_EQ(Term.Shown.At(59, 0).Attr, 0x4E);
    EXPECT_EQ(Term.Shown.At(59, 1).Attr, 0x4E);
    // The editor's seventy characters are two lines now; its one row shows the cursor's.
    EXPECT_EQ(Shown(12).substr(0, 11), std::string(10, 'w') + ' ');
    EXPECT_EQ(Term.Shown.CursorX, 10);
    EXPECT_EQ(Term.Shown.CursorY, 12);

    Term.ResizeTo(120, 40);
    RunInput();
    ExpectLaidOut(120, 40);
    EXPECT_EQ(Shown(37).substr(0, 71), std::string(70, 'w') + ' ');
    EXPECT_EQ(Term.Shown.CursorX, 70);
    EXPECT_EQ(Term.Shown.CursorY, 37);

    // The page keys scroll by the new window's height less one: 35 rows wait below, counted on
    // the split's separator below the 23 rows scrolled back; the newest rows stay in view.
    for (int n = 0; n < 100; ++n)
        Client->Lines().PrintLine("line " + std::to_string(n));
    Term.Key(VkPrior);
    RunInput();
    EXPECT_NE(Shown(23).find("\x19"
                             "35"),
              std::string::npos)
        << Shown(23);
    EXPECT_EQ(Shown(0).substr(0, 8), "line 29 ");
    EXPECT_EQ(Shown(22).substr(0, 8), "line 51 ");
    EXPECT_EQ(Shown(35).substr(0, 8), "line 99 ");
    EXPECT_EQ(Shown(36).find('\x19'), std::string::npos) << Shown(36);
}

TEST_F(ClientResize, ATerminalTooSmallShowsTheNoticeAndKeysStillWork) {
    Term.ResizeTo(19, 4);
    Type("abc");
    RunInput();
    EXPECT_TRUE(Screen.TooSmall());
    EXPECT_EQ(Term.Shown.Width, 19);
    EXPECT_FALSE(Term.Shown.CursorVisible);

    Term.ResizeTo(80, 24);
    RunInput();
    ExpectLaidOut(80, 24);
    EXPECT_EQ(Shown(21).substr(0, 4), "abc ");
    EXPECT_EQ(Term.Shown.CursorX, 3);
}

TEST_F(ClientResize, ScrolledBackTheSplitIsLaidOutAgainWithItsCount) {
    for (int n = 0; n < 100; ++n)
        Client->Lines().PrintLine("line " + std::to_string(n));
    Term.Key(VkPrior);
    RunInput();
    // 21 rows: 13 scrolled back, the separator with the count, the 7 newest.
    ASSERT_NE(Shown(13).find("\x19"
                             "20"),
              std::string::npos)
        << Shown(13);
    EXPECT_EQ(Shown(20).substr(0, 8), "line 99 ");
    EXPECT_EQ(Shown(21).find('\x19'), std::string::npos) << Shown(21);
    Term.ResizeTo(100, 30);
    RunInput();
    ExpectLaidOut(100, 30);
    // 26 rows: 17 above the separator, 8 below; the top keeps its text.
    EXPECT_EQ(Shown(0).substr(0, 8), "line 59 ");
    EXPECT_NE(Shown(17).find("\x19"
                             "15"),
              std::string::npos)
        << Shown(17);
    EXPECT_EQ(Shown(25).substr(0, 8), "line 99 ");
    EXPECT_EQ(Shown(26).find('\x19'), std::string::npos) << Shown(26);
}

TEST_F(ClientResize, ScrolledBackWithoutTheSplitTheMarkIsOnTheNewSeparator) {
    Client.reset();
    Files.Add("TolmixClient.tcf", "AutoSend=\r\nSplitView=0\r\n");
    const char* argv[] = {"tolmix-client"};
    Client = std::make_unique<TClient>(Con, Env, 1, argv);
    for (int n = 0; n < 100; ++n)
        Client->Lines().PrintLine("line " + std::to_string(n));
    Term.Key(VkPrior);
    RunInput();
    ASSERT_NE(Shown(21).find("\x19"
                             "20"),
              std::string::npos)
        << Shown(21);
    Term.ResizeTo(100, 30);
    RunInput();
    ExpectLaidOut(100, 30);
    // The window keeps its place: the rows below it now include the five rows it lost.
    const std::string separator = Shown(26);
    EXPECT_NE(separator.find("\x19"
                             "15"),
              std::string::npos)
        << separator;
}

} // namespace
} // namespace tolmix
