// The player's own commands in the output and the log: on the row of the prompt they answer,
// or on a row of their own, never for a password, a client code or the settings' AutoSend,
// and never seen by the triggers.
#include "app/CommandEcho.h"
#include "app/ClientFakes.h"
#include "app/TClient.h"
#include "platform/VirtualKeys.h"
#include "text/CodePage.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

// "Тестер> " and "смотреть" in Windows-1251.
const std::string Prompt = "\xD2\xE5\xF1\xF2\xE5\xF0> ";
const std::string Look = "\xF1\xEC\xEE\xF2\xF0\xE5\xF2\xFC";
// The same in UTF-8, as the log has them.
const std::string PromptUtf8 = "\xD0\xA2\xD0\xB5\xD1\x81\xD1\x82\xD0\xB5\xD1\x80> ";
const std::string LookUtf8 = "\xD1\x81\xD0\xBC\xD0\xBE\xD1\x82\xD1\x80\xD0\xB5\xD1\x82\xD1\x8C";

class CommandEcho : public ::testing::Test, public test::ClientFakes {
  protected:
    void SetUp() override { Server = Net.Prepare(); }
    void Start(const std::string& settings = "") {
        Files.Add("TolmixClient.tcf", "AutoSend=\r\nLogEnabled=1\r\n" + settings);
        const char* argv[] = {"tolmix-client"};
        Client = std::make_unique<TClient>(Con, Env, 1, argv);
        ASSERT_TRUE(ServerConnected());
    }
    void Receive(const std::string& bytes) {
        Server->Arrive(bytes);
        for (int i = 0; i < 8 && ServerConnected() && !Server->Incoming.empty(); ++i)
            Client->Idle();
        for (int i = 0; i < 100 && Client->Idle(); ++i) {
        }
    }
    // Types the command (Windows-1251) and presses Enter.
    void Send(const std::string& command) {
        Type(AnsiToConsole(command));
        Term.Key(VkReturn, 0x0D);
        RunInput(*Client);
    }
    std::string Log() const {
        for (const auto& [path, data] : Files.Files)
            if (path.ends_with(".log"))
                return data;
        return {};
    }
    int ShownRow(const std::string& ansiText) const { return RowWith(AnsiToConsole(ansiText)); }
    uint16_t AttrAt(int x, int y) const { return Screen.Cells().At(x, y).Attr; }

    std::shared_ptr<test::FakeStream> Server;
    std::unique_ptr<TClient> Client;
};

TEST_F(CommandEcho, ACommandJoinsThePromptItAnswersInTheEchoColourAndTheColourAfterIsTheServers) {
    Start();
    Receive("\x1b[32m" + Prompt);
    Send(Look);
    EXPECT_EQ(Server->Sent, Look + "\r\n");
    const int row = ShownRow(Prompt + Look);
    ASSERT_GE(row, 0);
    EXPECT_EQ(AttrAt(0, row), 2);                               // the server's green
    EXPECT_EQ(AttrAt(static_cast<int>(Prompt.size()), row), 8); // the echo's dark grey
    EXPECT_NE(Log().find(PromptUtf8 + LookUtf8 + "\n"), std::string::npos) << Log();

    // The server's colour goes on after the echo.
    Receive("You see a road.\r\n");
    const int next = ShownRow("You see a road.");
    ASSERT_EQ(next, row + 1);
    EXPECT_EQ(AttrAt(0, next), 2);
}

// A prompt the server ends with GA is shown at once; the command typed at it still joins its
// row, and the log has the prompt once, with the command.
TEST_F(CommandEcho, APromptEndedByGoAheadTakesTheCommandOnItsRowUntilAnotherLineFollows) {
    Start();
    Receive("HP:10> \xFF\xF9");
    EXPECT_GE(ShownRow("HP:10>"), 0);
    Send("look");
    const int row = ShownRow("HP:10> look");
    ASSERT_GE(row, 0);
    EXPECT_EQ(AttrAt(7, row), 8);
    Receive("A road.\r\nHP:9> \xFF\xF9"
            "Thunder.\r\n");
    Send("north");
    EXPECT_EQ(ShownRow("HP:9>"), row + 2);
    EXPECT_EQ(ShownRow("Thunder."), row + 3);
    EXPECT_EQ(ShownRow("north"), row + 4);
    EXPECT_NE(Log().find("HP:10> look\nA road.\nHP:9> \nThunder.\nnorth\n"), std::string::npos)
        << Log();
}

TEST_F(CommandEcho, WithoutAPromptEachLineOfACommandHasARowOfItsOwnAndNothingSentShowsNothing) {
    Start("EchoColor=14\r\n");
    Receive("Hello\r\n");
    Send("look");
    const int row = ShownRow("look");
    ASSERT_EQ(row, ShownRow("Hello") + 1);
    EXPECT_EQ(Row(row).substr(0, 5), "look ");
    EXPECT_EQ(AttrAt(0, row), 14);

    // Two lines typed with Ctrl+Enter between them: two rows.
    Type("north");
    Term.Key(VkReturn, 0x0A, LeftCtrlPressed);
    Type("east");
    Term.Key(VkReturn, 0x0D);
    RunInput(*Client);
    EXPECT_EQ(ShownRow("north"), row + 1);
    EXPECT_EQ(ShownRow("east"), row + 2);

    // An empty command adds no row.
    Term.Key(VkReturn, 0x0D);
    RunInput(*Client);
    Receive("Done\r\n");
    EXPECT_EQ(ShownRow("Done"), row + 3);
    EXPECT_NE(Log().find("Hello\nlook\nnorth\neast\nDone\n"), std::string::npos) << Log();
}

TEST_F(CommandEcho, APasswordIsNeitherShownNorLoggedNorKeptAndTheNextCommandIsShownAgain) {
    Start();
    Receive("Password: \xFF\xFB\x01");
    Send("secret");
    EXPECT_NE(Server->Sent.find("secret\r\n"), std::string::npos);
    Receive("\xFF\xFC\x01Welcome\r\n" + Prompt);
    Send(Look);
    EXPECT_FALSE(ScreenHas("secret"));
    EXPECT_EQ(Log().find("secret"), std::string::npos);
    EXPECT_GE(ShownRow(Prompt + Look), 0);
    // Up recalls the command after the password, and from there the empty line: the password
    // was never kept.
    Term.Key(VkUp);
    RunInput(*Client);
    EXPECT_EQ(Row(Screen.Cells().CursorY).substr(0, 8), AnsiToConsole(Look));
    Term.Key(VkUp);
    RunInput(*Client);
    EXPECT_EQ(Row(Screen.Cells().CursorY).substr(0, 8), "        ");
}

TEST_F(CommandEcho, KeyMacrosAndAliasesAreShownAsSentButNotClientCodesTheAutoSendOrWithEchoOff) {
    Files.Add("keys.tmf", "F1=score\r\n");
    Files.Add("al.taf", "alias:\r\nk *\r\nkill $1\r\n");
    Start("MacrosFile=keys\r\nAliasFile=al\r\n");
    Term.Key(VkF1);
    RunInput(*Client);
    EXPECT_GE(ShownRow("score"), 0);
    Send("k orc");
    EXPECT_GE(ShownRow("kill orc"), 0);
    EXPECT_LT(ShownRow("k orc"), 0);
    // The server asks for the version: the answer is the client's, not the player's.
    Receive("\x80\x80v\r\n");
    EXPECT_NE(Server->Sent.find("\x80\x80v"), std::string::npos);
    for (int y = 0; y < Screen.Cells().Height; ++y)
        EXPECT_NE(Row(y).rfind("v1.", 0), 0u) << Row(y);
}

TEST(CommandEchoOff, LocalEchoOffShowsNoCommandAndAutoSendIsNeverShown) {
    test::ClientFakes fakes;
    std::shared_ptr<test::FakeStream> server = fakes.Net.Prepare();
    fakes.Files.Add("TolmixClient.tcf", "AutoSend=hero|pass\r\nLocalEcho=0\r\n");
    const char* argv[] = {"tolmix-client"};
    TClient client(fakes.Con, fakes.Env, 1, argv);
    ASSERT_TRUE(fakes.ServerConnected());
    EXPECT_EQ(server->Sent, "hero\r\npass\r\n");
    EXPECT_FALSE(fakes.ScreenHas("pass"));
    fakes.Type("look");
    fakes.Term.Key(VkReturn, 0x0D);
    fakes.RunInput(client);
    EXPECT_NE(server->Sent.find("look\r\n"), std::string::npos);
    EXPECT_FALSE(fakes.ScreenHas("look"));
}

TEST(CommandEchoOff, AutoSendIsNotShownWithEchoOn) {
    test::ClientFakes fakes;
    std::shared_ptr<test::FakeStream> server = fakes.Net.Prepare();
    fakes.Files.Add("TolmixClient.tcf", "AutoSend=hero|pass\r\n");
    const char* argv[] = {"tolmix-client"};
    TClient client(fakes.Con, fakes.Env, 1, argv);
    ASSERT_TRUE(fakes.ServerConnected());
    EXPECT_EQ(server->Sent, "hero\r\npass\r\n");
    EXPECT_FALSE(fakes.ScreenHas("hero"));
    EXPECT_FALSE(fakes.ScreenHas("pass"));
}

TEST_F(CommandEcho, TriggersNeverSeeTheEchoButStillSeeThePromptItJoins) {
    Files.Add("fight.ttr", "trigger:\r\nlook\r\nsay echo matched\r\n"
                           "trigger:\r\nHP>*\r\nsay prompt matched\r\n");
    Start("TriggerFile=fight\r\n");
    Send("look");
    EXPECT_EQ(Server->Sent.find("echo matched"), std::string::npos);
    Receive("HP> ");
    Server->Sent.clear();
    Send("look");
    EXPECT_NE(Server->Sent.find("say prompt matched\r\n"), std::string::npos);
    EXPECT_EQ(Server->Sent.find("echo matched"), std::string::npos);
    EXPECT_GE(ShownRow("HP> look"), 0);
    // The trigger's own command is shown too, on its own row, as if typed.
    EXPECT_GE(ShownRow("say prompt matched"), 0);
}

TEST(CommandEchoText, ColourBytesTypedAreShownAsQuestionMarksAndConsoleColoursBecomeColourBytes) {
    EXPECT_EQ(EchoText("a\x14"
                       "b",
                       8),
              "\x18"
              "a?b");
    // Console blue (1) is ANSI colour 4; console yellow (14) is ANSI bright yellow (11).
    EXPECT_EQ(EchoText("x", 1), "\x14x");
    EXPECT_EQ(EchoText("x", 14), "\x1Bx");
    EXPECT_EQ(EchoText("\xB8"
                       "Ax",
                       7),
              "\x17?Ax");
    EXPECT_EQ(CommandLines("a\r\nb"), (std::vector<std::string_view>{"a", "b"}));
    EXPECT_TRUE(CommandLines("").empty());
    EXPECT_EQ(AttrAfter("\x12text\xB8"
                        "D",
                        7),
              0x12);
}

} // namespace
} // namespace tolmix
