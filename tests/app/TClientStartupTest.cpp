#include "app/ClientFakes.h"
#include "app/TClient.h"
#include "platform/VirtualKeys.h"
#include "support/ScreenText.h"
#include "text/CodePage.h"
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
    Screen.Show();
    EXPECT_EQ(Term.Title, ProgramTitle);
    ASSERT_EQ(Term.SizeRequests.size(), 1u);
    EXPECT_EQ(Term.SizeRequests[0].Columns, 100);
    EXPECT_EQ(Term.SizeRequests[0].Rows, 30);
    const Frame& screen = Screen.Cells();
    EXPECT_EQ(screen.Width, 100);
    EXPECT_EQ(screen.At(90, 28).Attr, 0x1F);
    EXPECT_EQ(screen.At(90, 29).Attr, 0x1F);
    EXPECT_TRUE(test::RowIs(screen, 27, ' ', 15));
    EXPECT_TRUE(test::RowIs(screen, 26, ' ', 15));
    EXPECT_TRUE(test::RowIs(screen, 25, 0xC4, 7));
    EXPECT_EQ(screen.CursorY, 26);
}

TEST_F(ClientStartup, MissingSettingsFileGivesTheDefaults) {
    const char* argv[] = {"tolmix-client"};
    TClient client(Con, Env, 1, argv);
    ASSERT_TRUE(ServerConnected());
    EXPECT_EQ(Net.Streams.back()->Host, DefaultServerHost);
    // 21 output rows, the separator, three editor rows.
    EXPECT_TRUE(test::RowIs(Screen.Cells(), 21, 0xC4, 7));
    EXPECT_EQ(Screen.Cells().CursorY, 22);
    // The banner, then empty, connecting, empty: the fake network connects at once.
    client.Lines().PrintLine("next");
    EXPECT_EQ(RowWith("next"), 4);

    // The name was fixed against the folder the program started in before the program's folder
    // became current: a settings file made there now is the one that Tab reads.
    EXPECT_EQ(Files.Cwd, "/opt/tolmix/");
    Files.Add("/home/player/TolmixClient.tcf", "AliasFile=al\r\n");
    Files.Add("/home/player/al.taf", "alias:\r\nk *\r\nkill $1\r\n");
    Term.Key(VkTab, '\t');
    Type("k goblin");
    Term.Key(VkReturn, 0x0D);
    RunInput(client);
    EXPECT_TRUE(Wire().ends_with("kill goblin\r\n")) << Wire();
}

TEST_F(ClientStartup, UnreadableSettingsFileEndsStartUpWithItsMessage) {
    Files.Unreadable.insert("TolmixClient.tcf");
    const char* argv[] = {"tolmix-client"};
    EXPECT_THROW(TClient(Con, Env, 1, argv), EFOpenError);
}

// A folder, a named pipe or a device under the settings file's name is never read: the
// defaults, and one line below the banner naming it.
TEST_F(ClientStartup, ASettingsNameThatIsNoFileGivesTheDefaultsAndOneLine) {
    Files.Folders.insert("/games/hero.tcf/");
    Files.Specials.insert("/games/pipe.tcf");
    for (const char* name : {"/games/hero.txt", "/games/pipe"}) {
        const char* argv[] = {"tolmix-client", name};
        TClient client(Con, Env, 2, argv);
        ASSERT_TRUE(ServerConnected());
        EXPECT_EQ(Net.Streams.back()->Host, DefaultServerHost);
        const std::string path = std::string(name).substr(0, std::string(name).find('.')) + ".tcf";
        // "Ошибка: не файл: <path>" in code page 866.
        EXPECT_EQ(Row(1).substr(0, 17 + path.size()), "\x8E\xE8\xA8\xA1\xAA\xA0: \xAD\xA5 "
                                                      "\xE4\xA0\xA9\xAB: " +
                                                          path)
            << Row(1);
        EXPECT_EQ(Files.SpecialReads, 0);
    }
}

// A typo in the settings file's name is said below the banner, before the connecting line;
// the default file is read instead.
TEST_F(ClientStartup, ANamedSettingsFileThatIsMissingIsOneLineBeforeConnecting) {
    Files.Add("TolmixClient.tcf", "Address=fallback.example\r\n");
    const char* argv[] = {"tolmix-client", "/games/hreo"};
    TClient client(Con, Env, 2, argv);
    ASSERT_TRUE(ServerConnected());
    EXPECT_EQ(Net.Streams.back()->Host, "fallback.example");
    // "Файл настроек не найден: /games/hreo.tcf, используются настройки по умолчанию", red.
    EXPECT_EQ(Row(1).substr(0, 77),
              AnsiToConsole("\xD4\xE0\xE9\xEB \xED\xE0\xF1\xF2\xF0\xEE\xE5\xEA \xED\xE5 "
                            "\xED\xE0\xE9\xE4\xE5\xED: /games/hreo.tcf, \xE8\xF1\xEF\xEE"
                            "\xEB\xFC\xE7\xF3\xFE\xF2\xF1\xFF \xED\xE0\xF1\xF2\xF0\xEE\xE9"
                            "\xEA\xE8 \xEF\xEE \xF3\xEC\xEE\xEB\xF7\xE0\xED\xE8\xFE"))
        << Row(1);
    EXPECT_EQ(Screen.Cells().At(0, 1).Attr, 0x0C);
    EXPECT_GT(RowWith(AnsiToConsole("\xCF\xEE\xE4\xEA\xEB\xFE\xF7\xE5\xED\xE8\xE5 \xEA")), 1);
}

TEST_F(ClientStartup, LeavesNoTimerBehind) {
    const char* argv[] = {"tolmix-client"};
    {
        TClient client(Con, Env, 1, argv);
        // The banner is new text: the status timer runs to see whether the player looks; a
        // countdown runs the other.
        client.Lines().PrintLine("\x80\x80"
                         "a3");
        int timerMessages = 0;
        Loop.Advance(Milliseconds(250));
        Message m;
        while (Loop.TakeMessage(m)) {
            EXPECT_EQ(m.Id, WmTimer);
            ++timerMessages;
        }
        EXPECT_EQ(timerMessages, 2);
    }
    Loop.Advance(Milliseconds(1000));
    Message m;
    EXPECT_FALSE(Loop.TakeMessage(m));
}

TEST_F(ClientStartup, AnUnconsumedEscapeEndsTheRun) {
    const char* argv[] = {"tolmix-client"};
    TClient client(Con, Env, 1, argv);
    Term.Key('A', 'a');
    // A plain Escape clears the editor; Shift+Escape is left to the input loop, which ends the run.
    Term.Key(0x1B, 0x1B);
    Term.Key(0x1B, 0x1B, ShiftPressed);
    for (int i = 0; i < 3 && !Input.LoopEnded(); ++i)
        Input.Step(client);
    EXPECT_EQ(Row(22)[0], ' ') << "the editor is empty";
    EXPECT_TRUE(Input.LoopEnded());
    EXPECT_TRUE(Term.Input.empty());
}

} // namespace
} // namespace tolmix
