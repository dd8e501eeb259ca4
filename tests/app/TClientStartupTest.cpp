#include "app/ClientFakes.h"
#include "app/TClient.h"
#include "app/TClientParts.h"
#include "support/ScreenText.h"
#include "text/ProgramName.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

class ClientStartup : public ::testing::Test, public test::ClientFakes {
  protected:
};

TEST_F(ClientStartup, ReadsTheArgumentsSettingsAndLaysOutTheScreen) {
    Files.Add("/games/hero.tcf",
              "SizeX=100\r\nSizeY=30\r\nEditorLines=2\r\nInfoPanelColor=$1F\r\n");
    const char* argv[] = {"tolmix-client", "/games/hero.txt"};
    TClient client(Con, Env, 2, argv);
    EXPECT_EQ(test::TClientParts(client).SettingsPath, "/games/hero.tcf");
    EXPECT_EQ(Term.Title, ProgramTitle);
    ASSERT_EQ(Term.SizeRequests.size(), 1u);
    EXPECT_EQ(Term.SizeRequests[0].Columns, 100);
    EXPECT_EQ(Term.SizeRequests[0].Rows, 30);
    const Frame& screen = Con.Screen();
    EXPECT_EQ(screen.Width, 100);
    EXPECT_EQ(screen.At(90, 28).Attr, 0x1F);
    EXPECT_EQ(screen.At(90, 29).Attr, 0x1F);
    EXPECT_TRUE(test::RowIs(screen, 27, ' ', 15));
    EXPECT_TRUE(test::RowIs(screen, 26, ' ', 15));
    EXPECT_TRUE(test::RowIs(screen, 25, 0xC4, 7));
    EXPECT_EQ(test::TClientParts(client).Layout.OutputRows, 25);
    EXPECT_EQ(screen.CursorY, 26);
}

TEST_F(ClientStartup, MissingSettingsFileGivesTheDefaults) {
    const char* argv[] = {"tolmix-client"};
    TClient client(Con, Env, 1, argv);
    // Fixed against the folder the program started in before the program's folder became current.
    EXPECT_EQ(test::TClientParts(client).SettingsPath, "/home/player/TolmixClient.tcf");
    EXPECT_EQ(test::TClientParts(client).Settings.Address, DefaultServerHost);
    EXPECT_EQ(test::TClientParts(client).Layout.EditorTop, 22);

    EXPECT_EQ(test::TClientParts(client).Output.OutputRows, 21);
    // The banner, then empty, connecting, empty: the fake network connects at once.
    EXPECT_EQ(test::TClientParts(client).Output.LineCount, 4);
}

TEST_F(ClientStartup, UnreadableSettingsFileEndsStartUpWithItsMessage) {
    Files.Unreadable.insert("TolmixClient.tcf");
    const char* argv[] = {"tolmix-client"};
    EXPECT_THROW(TClient(Con, Env, 1, argv), EFOpenError);
}

TEST_F(ClientStartup, BindsTheCallbacksAndRunsBothTimersUntilDestroyed) {
    const char* argv[] = {"tolmix-client"};
    {
        TClient client(Con, Env, 1, argv);
        EXPECT_TRUE(Con.OnKey);
        EXPECT_TRUE(Con.OnIdle);
        EXPECT_NE(test::TClientParts(client).StatusTimer, 0u);
        EXPECT_NE(test::TClientParts(client).CountdownTimer,
                  test::TClientParts(client).StatusTimer);
        int timerMessages = 0;
        Loop.Advance(Milliseconds(250));
        Message m;
        while (Loop.TakeMessage(m)) {
            EXPECT_EQ(m.Id, WmTimer);
            ++timerMessages;
        }
        EXPECT_EQ(timerMessages, 2);
    }
    EXPECT_FALSE(Con.OnKey);
    Loop.Advance(Milliseconds(1000));
    Message m;
    EXPECT_FALSE(Loop.TakeMessage(m));
}

TEST_F(ClientStartup, AnUnconsumedEscapeEndsTheRun) {
    const char* argv[] = {"tolmix-client"};
    TClient client(Con, Env, 1, argv);
    Term.Key('A', 'a');
    // A plain Escape clears the editor; Shift+Escape is left to the driver, which ends the run.
    Term.Key(0x1B, 0x1B);
    Term.Key(0x1B, 0x1B, ShiftPressed);
    for (int i = 0; i < 3 && !Con.Terminated; ++i)
        Con.Step();
    EXPECT_EQ(test::TClientParts(client).Editor.EditText, "");
    EXPECT_TRUE(Con.Terminated);
    EXPECT_TRUE(Term.Input.empty());
}

} // namespace
} // namespace tolmix
