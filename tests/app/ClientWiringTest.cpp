// The client's parts working together: the connection at start-up, the server's requests, the
// macro files read again from the same place, and the plugins behind the receive step.
#include "app/ClientFakes.h"
#include "app/TClient.h"
#include "platform/SoftwareMidiDevices.h"
#include "platform/VirtualKeys.h"
#include "support/LoopClock.h"
#include "support/RecordingMidiSink.h"
#include "support/ScreenText.h"
#include "support/ScriptedPlugin.h"
#include "text/CodePage.h"
#include "util/Base64.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

std::vector<std::string> PluginJournal;

class ScriptedClass final : public TGamePluginClass {
  public:
    TGamePlugin* Create(TTolmixHost& host) const override {
        return new test::ScriptedPlugin(host, "Chess", "a board game", PluginJournal);
    }
};

const TGamePluginClass* ScriptedFactory() {
    static const ScriptedClass pluginClass;
    return &pluginClass;
}

uint32_t ScriptedVersion() {
    return TolmixPluginInterfaceVersion;
}

class ClientWiring : public ::testing::Test, public test::ClientFakes {
  protected:
    void SetUp() override {
        PluginJournal.clear();
        Server = Net.Prepare();
    }
    void Start(int argc = 1) {
        const char* argv[] = {"tolmix-client", "hero.txt"};
        Client = std::make_unique<TClient>(Con, Env, argc, argv);
    }
    void InstallPlugin() {
        Files.Add("/opt/tolmix/Plugins/chess.so", "");
        Modules.Add("/opt/tolmix/Plugins/chess.so",
                    {{"TolmixPluginVersion", reinterpret_cast<ModuleProc>(&ScriptedVersion)},
                     {"TolmixPluginFactory", reinterpret_cast<ModuleProc>(&ScriptedFactory)}});
    }
    // Lets the input loop's idle step receive everything that has arrived.
    void Receive() {
        for (int i = 0; i < 100 && Client->Idle(); ++i) {
        }
        while (ServerConnected() && !Server->Incoming.empty() && Client->Idle()) {
        }
    }
    void Arrive(const std::string& line) {
        Server->Arrive(line + "\r\n");
        for (int i = 0; i < 4 && ServerConnected() && !Server->Incoming.empty(); ++i)
            Client->Idle();
    }
    bool OutputHas(const std::string& text) const { return ScreenHas(text); }
    // What the client sends when the player types the command and presses Enter.
    std::string Command(std::string_view typed) {
        Server->Sent.clear();
        Type(typed);
        Term.Key(VkReturn, 0x0D);
        RunInput();
        return Server->Sent;
    }
    // What the client sends when the player presses the key.
    std::string KeySends(uint16_t vk) {
        Server->Sent.clear();
        Term.Key(vk);
        RunInput();
        return Server->Sent;
    }
    // Tab reads the macro and alias files again.
    void PressTab() {
        Term.Key(VkTab, '\t');
        RunInput();
    }

    std::shared_ptr<test::FakeStream> Server;
    std::unique_ptr<TClient> Client;
    void RunInput() { ClientFakes::RunInput(*Client); }
};

TEST_F(ClientWiring, ConnectsAtStartUpWithTheSettingsAndSendsAutoSend) {
    Files.Add("hero.tcf",
              "Address=mud.example.org\r\nPort=5555\r\nAutoSend=hero|\xF1\xE5\xEA\xF0\xE5\xF2\r\n");
    Start(2);
    ASSERT_TRUE(ServerConnected());
    EXPECT_EQ(Server->Host, "mud.example.org");
    EXPECT_EQ(Server->Port, "5555");
    // "секрет" travels in Windows-1251 as it was written.
    EXPECT_EQ(Server->Sent, "hero\r\n\xF1\xE5\xEA\xF0\xE5\xF2\r\n");
    EXPECT_TRUE(OutputHas("mud.example.org:5555"));
}

TEST_F(ClientWiring, AnswersTheVersionRequestAndShowsTheGame) {
    Start();
    Server->Sent.clear();
    Arrive("\x1b[1;31mThe goblin\x1b[0m attacks!");
    Arrive("\x80\x80v");
    EXPECT_EQ(Server->Sent, "\x80\x80v1.4\r\n");
    EXPECT_TRUE(OutputHas("The goblin attacks!"));
}

TEST_F(ClientWiring, APeerThatClosesEndsInTheReconnectPrompt) {
    Start();
    Server->ReceiveError = SocketError::ConnectionReset;
    Client->Idle();
    EXPECT_FALSE(ServerConnected());
    // "Нажмите Enter для повторного подключения" in the console code page.
    EXPECT_TRUE(OutputHas(" Enter "));
    EXPECT_TRUE(Server->Closed);
}

TEST_F(ClientWiring, APromptIsShownWhileItWaitsLoggedOnceAndItsPasswordIsMasked) {
    Files.Add("TolmixClient.tcf", "LogEnabled=1\r\n");
    Start();
    Server->Arrive("Welcome\r\nLogin: ");
    Receive();
    EXPECT_FALSE(OutputHas("Login:"));
    // The loop sleeps until the wait for more is over, and the prompt is on the screen.
    const TimePoint start = Loop.Now();
    for (int pass = 0; pass < 20 && Loop.Now() - start < Milliseconds(150); ++pass)
        Input.Step(*Client);
    Input.Step(*Client);
    EXPECT_TRUE(OutputHas("Login: "));
    std::string* log = nullptr;
    for (auto& [path, data] : Files.Files)
        if (path.ends_with(".log"))
            log = &data;
    ASSERT_NE(log, nullptr);
    EXPECT_EQ(log->find("Login"), std::string::npos);

    // The name sent ends the prompt's line: printed and logged once with the name after it,
    // and the password prompt comes on a row of its own.
    EXPECT_EQ(Command("hero"), "hero\r\n");
    Server->Arrive("Password: \xFF\xFB\x01");
    RunInput();
    EXPECT_EQ(Wire().substr(Wire().size() - 3), "\xFF\xFE\x01");
    Type("pw");
    RunInput();
    EXPECT_EQ(Row(Screen.Cells().CursorY).substr(0, 3), "** ");
    EXPECT_FALSE(OutputHas("Login: Password"));
    const std::size_t at = log->find("Login: hero\n");
    ASSERT_NE(at, std::string::npos);
    EXPECT_EQ(log->find("Login", at + 1), std::string::npos);
    EXPECT_TRUE(OutputHas("Login: hero"));
}

TEST_F(ClientWiring, MacroFilesAreReadAgainFromTheFolderTheProgramStartedIn) {
    Files.Add("TolmixClient.tcf", "AliasFile=aliases\r\n");
    Files.Add("aliases.taf", "alias:\r\nk *\r\nkill $1\r\n");
    Start();
    EXPECT_EQ(Files.Cwd, "/opt/tolmix/");
    EXPECT_EQ(Command("k goblin"), "kill goblin\r\n");
    Files.Add("/home/player/aliases.taf", "alias:\r\nk *\r\nkick $1\r\n");
    PressTab();
    EXPECT_EQ(Command("k goblin"), "kick goblin\r\n");
}

TEST_F(ClientWiring, MacroFilesNamedWithAFolderAreTheSameFilesAfterTab) {
    Files.Add("TolmixClient.tcf", "MacrosFile=sub/keys\r\nAliasFile=sub\\al\r\n");
    Files.Add("sub/keys.tmf", "F1=look\r\n");
    Files.Add("sub/al.taf", "alias:\r\nk *\r\nkill $1\r\n");
    Start();
    EXPECT_EQ(Files.Cwd, "/opt/tolmix/");
    EXPECT_EQ(KeySends(VkF1), "look\r\n");
    EXPECT_EQ(Command("k goblin"), "kill goblin\r\n");
    PressTab();
    EXPECT_EQ(KeySends(VkF1), "look\r\n");
    EXPECT_EQ(Command("k goblin"), "kill goblin\r\n");
    EXPECT_FALSE(OutputHas("sub/"));
    // A file gone by the next Tab is named in the output, once.
    Files.Files.erase("/home/player/sub/al.taf");
    PressTab();
    EXPECT_TRUE(OutputHas("/home/player/sub/al.taf"));
    EXPECT_EQ(Command("k goblin"), "k goblin\r\n");
}

TEST_F(ClientWiring, PluginsBesideTheProgramAnswerTheServersGameCodes) {
    InstallPlugin();
    Start();
    Server->Sent.clear();
    Arrive("\x80\x80gl");
    EXPECT_EQ(Server->Sent, "\x80\x80glChess\x80"
                            "a board game\r\n");
    Server->Sent.clear();
    Arrive("\x80\x80gsChess");
    Arrive("\x80\x80gd" + EncodeBase64("send:ok"));
    EXPECT_EQ(Server->Sent, "\x80\x80gd" + EncodeBase64("ok") + "\r\n");
}

TEST_F(ClientWiring, APluginErrorWhileALineIsHandledDropsTheConnectionAndTheClientGoesOn) {
    InstallPlugin();
    Start();
    Arrive("\x80\x80gsChess");
    Arrive("\x80\x80gd" + EncodeBase64("throw"));
    EXPECT_FALSE(ServerConnected());
    EXPECT_TRUE(OutputHas(" Enter "));
    Client->Lines().PrintLine("still printing");
    EXPECT_TRUE(OutputHas("still printing"));
}

TEST_F(ClientWiring, NestedIdleStepsInsideAPluginHandleEveryLineOnce) {
    InstallPlugin();
    Start();
    Arrive("\x80\x80gsChess");
    Server->Arrive("\x80\x80gd" + EncodeBase64("idle:3") + "\r\n");
    Server->Arrive("first\r\nsecond\r\n");
    Client->Idle();
    Receive();
    EXPECT_NE(std::find(PluginJournal.begin(), PluginJournal.end(), "end idle:3"),
              PluginJournal.end());
    int firsts = 0;
    for (int y = 0; y < Screen.Cells().Height; ++y)
        firsts += test::RowText(Screen.Cells(), y).rfind("first", 0) == 0;
    EXPECT_EQ(firsts, 1);
    EXPECT_TRUE(OutputHas("second"));
}

TEST_F(ClientWiring, SoundCodesWithoutAMidiOutputPlayNothingQuietly) {
    Start();
    Client->Lines().PrintLine("before");
    Arrive("\x80\x80p50 C4 E4 G4");
    Arrive("\x80\x80P");
    EXPECT_TRUE(ServerConnected());
    // Not a line between: no message, no error.
    Client->Lines().PrintLine("after");
    ASSERT_GE(RowWith("before"), 0);
    EXPECT_EQ(RowWith("after"), RowWith("before") + 1);
}

TEST_F(ClientWiring, SoundCodesPlayOnTheOutputTheSettingsChoose) {
    test::LoopClock clock(Loop);
    test::RecordingMidiSink sink(clock);
    SoftwareMidiDevices* devices = nullptr;
    MidiSinkSettings chosen;
    // Opens the recording sink and keeps what the settings chose.
    Midi.Open = [&](const MidiSinkSettings& settings) -> std::unique_ptr<MidiDevices> {
        chosen = settings;
        auto made =
            std::make_unique<SoftwareMidiDevices>(&sink, clock, SoftwareMidiStream::Timing::Manual);
        devices = made.get();
        return made;
    };
    // The player's waits let the stream run.
    Loop.OnWait = [&] {
        if (devices)
            devices->Service(Loop.Now());
    };
    Files.Add("TolmixClient.tcf", "MidiOutput=alsa\r\nMidiPort=128:0\r\n");
    Start();
    EXPECT_EQ(chosen.Output, "alsa");
    EXPECT_EQ(chosen.Port, "128:0");

    Arrive("\x80\x80p"
           "50 C4 E4");
    std::vector<int> keys;
    for (int step = 0; step < 2000 && keys.size() < 2; ++step) {
        Loop.Clock += Milliseconds(5);
        devices->Service(Loop.Now());
        Input.ProcessPending(*Client);
        keys.clear();
        for (const auto& m : sink.Taken())
            if ((m.Status & 0xF0) == 0x90 && m.Data2 > 0)
                keys.push_back(m.Data1);
    }
    EXPECT_EQ(keys, (std::vector<int>{48, 52})); // C4 and E4 of the music strings' octaves
    Arrive("\x80\x80P");
    for (int step = 0; step < 2000 && devices->HasOpenStream(); ++step) {
        Loop.Clock += Milliseconds(5);
        devices->Service(Loop.Now());
        Input.ProcessPending(*Client);
    }
    EXPECT_FALSE(devices->HasOpenStream());
}

// A server that stopped reading: the command waits its 30 s and the connection drops. Two
// commands typed meanwhile must not, after the drop, reconnect and go out glued into one.
TEST_F(ClientWiring, CommandsTypedWhileASendWaitsNeverGoOutMergedAfterTheDrop) {
    Start();
    ASSERT_TRUE(ServerConnected());
    Server->SendRoom = 0;
    const std::shared_ptr<test::FakeStream> next = Net.Prepare();
    Type("look");
    Term.Key(VkReturn, 0x0D);
    Type("north");
    Term.Key(VkReturn, 0x0D);
    Type("kill guard");
    Term.Key(VkReturn, 0x0D);
    RunInput();
    EXPECT_FALSE(ServerConnected());
    EXPECT_EQ(next->Connects, 0) << "no reconnect the player did not ask for after the drop";
    // "Команда не ушла; набранное после неё отброшено (нажатий: 17)"
    EXPECT_TRUE(OutputHas(AnsiToConsole("\xED\xE0\xE6\xE0\xF2\xE8\xE9: 17)")));
    // Typed again, each command goes out on its own.
    Type("kill guard");
    Term.Key(VkReturn, 0x0D); // connects; the command stays
    RunInput();
    ASSERT_TRUE(ServerConnected());
    Server = next;
    EXPECT_EQ(Command(""), "kill guard\r\n");
    EXPECT_EQ(next->Sent.find("north"), std::string::npos);
}

TEST_F(ClientWiring, F10TypedWhileASendWaitsQuitsAfterTheTypeAhead) {
    Start();
    ASSERT_TRUE(ServerConnected());
    Server->SendRoom = 0;
    const std::shared_ptr<test::FakeStream> next = Net.Prepare();
    Type("look");
    Term.Key(VkReturn, 0x0D);
    Type("north");
    Term.Key(VkReturn, 0x0D);
    Term.Key(VkF10);
    RunInput();
    EXPECT_TRUE(Input.LoopEnded());
    EXPECT_EQ(next->Connects, 0);
}

} // namespace
} // namespace tolmix
