// The trigger files in the running client: server lines that set off commands, gags and
// colours, conditions on the status, timers on the loop, Tab, the loop guard and the music,
// all through the printed road of the real client on fakes.
#include "app/ClientFakes.h"
#include "app/TClient.h"
#include "app/TriggerActions.h"
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

using namespace std::chrono_literals;

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

// How often the text occurs in the bytes.
size_t Count(const std::string& text, const std::string& what) {
    size_t n = 0;
    for (size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1))
        ++n;
    return n;
}

class TriggerWiring : public ::testing::Test, public test::ClientFakes {
  protected:
    void SetUp() override {
        PluginJournal.clear();
        Server = Net.Prepare();
    }
    // Starts with the trigger file (Windows-1251) and further settings lines.
    void Start(const std::string& triggers, const std::string& settings = "") {
        Files.Add("TolmixClient.tcf", "AutoSend=\r\nTriggerFile=fight\r\n" + settings);
        Files.Add("fight.ttr", triggers);
        const char* argv[] = {"tolmix-client"};
        Client = std::make_unique<TClient>(Con, Env, 1, argv);
        ASSERT_TRUE(ServerConnected());
        Server->Sent.clear();
    }
    void Arrive(const std::string& line) {
        Server->Arrive(line + "\r\n");
        for (int i = 0; i < 4 && ServerConnected() && !Server->Incoming.empty(); ++i)
            Client->Idle();
    }
    // Lets time pass, dispatching the timers as the input loop does.
    void RunFor(Milliseconds span) {
        const TimePoint end = Loop.Clock + span;
        while (Loop.Clock < end) {
            Loop.Wait(end);
            Message m;
            while (Loop.TakeMessage(m))
                Loop.Dispatch(m);
        }
    }
    void RunUntil(TimePoint end) {
        if (end > Loop.Clock)
            RunFor(std::chrono::duration_cast<Milliseconds>(end - Loop.Clock));
    }
    void PressTab() {
        Term.Key(VkTab, '\t');
        RunInput();
    }
    void Drop() {
        Server->ReceiveError = SocketError::ConnectionReset;
        Client->Idle();
        ASSERT_FALSE(ServerConnected());
    }
    void RunInput() { ClientFakes::RunInput(*Client); }
    std::string Log() const {
        for (const auto& [path, data] : Files.Files)
            if (path.ends_with(".log"))
                return data;
        return {};
    }

    std::shared_ptr<test::FakeStream> Server;
    std::unique_ptr<TClient> Client;
};

TEST_F(TriggerWiring, AServerLineSendsThroughTheAliasesAndTheClientsOwnLinesNeverMatch) {
    Files.Add("al.taf", "alias:\r\nk *\r\nkill $1\r\n");
    Start("Fights goblins.\r\n"
          "trigger:\r\n"
          "* arrives from the *.\r\n"
          "k $1|#echo Goblin arrives in an echo.\r\n",
          "AliasFile=al\r\n");

    Arrive("\x1b[1;33mGoblin\x1b[0m arrives from the north.");
    EXPECT_EQ(Server->Sent, "kill Goblin\r\n");
    EXPECT_TRUE(ScreenHas("Goblin arrives from the north."));
    // The command sent is shown after the line, as a typed one is, and the echo after it; neither
    // sets off anything.
    EXPECT_EQ(RowWith("kill Goblin"), RowWith("arrives from the north.") + 1);
    EXPECT_EQ(RowWith("Goblin arrives in an echo."), RowWith("arrives from the north.") + 2);

    // The client's own lines are no server text.
    Server->Sent.clear();
    Client->Lines().PrintLine("Orc arrives from the west.");
    EXPECT_TRUE(ScreenHas("Orc arrives from the west."));
    EXPECT_EQ(Server->Sent, "");
    // A line that only nearly matches a whole-line trigger sets off nothing.
    Arrive("Orc arrives from the west. Run!");
    EXPECT_EQ(Server->Sent, "");
}

TEST_F(TriggerWiring, PluginTextOnChannelZeroIsMatchedLikeTheServers) {
    Files.Add("/opt/tolmix/Plugins/chess.so", "");
    Modules.Add("/opt/tolmix/Plugins/chess.so",
                {{"TolmixPluginVersion", reinterpret_cast<ModuleProc>(&ScriptedVersion)},
                 {"TolmixPluginFactory", reinterpret_cast<ModuleProc>(&ScriptedFactory)}});
    Start("trigger: part\r\ncheckmate\r\nsay gg\r\n");
    Arrive("\x80\x80gsChess");
    Server->Sent.clear();
    Arrive("\x80\x80gd" + EncodeBase64("text:0:White is checkmated."));
    EXPECT_TRUE(ScreenHas("White is checkmated."));
    EXPECT_EQ(Server->Sent, "say gg\r\n");
}

TEST_F(TriggerWiring, AGagHidesTheLineButTheLogKeepsIt) {
    Start("trigger: part gag colour=12\r\nbuy now\r\n#echo hidden\r\n", "LogEnabled=1\r\n");
    Arrive("before");
    Arrive("Cheap swords, buy now!");
    Arrive("after");
    EXPECT_FALSE(ScreenHas("Cheap swords"));
    // The line's place is not kept: the echo follows the line before.
    EXPECT_EQ(RowWith("hidden"), RowWith("before") + 1);
    EXPECT_EQ(RowWith("after"), RowWith("hidden") + 1);
    const std::string log = Log();
    EXPECT_NE(log.find("before\nCheap swords, buy now!\n"), std::string::npos) << log;
}

TEST_F(TriggerWiring, AColourDrawsTheMatchedTextAndTheServersColourGoesOn) {
    Start("trigger: part colour=14\r\ndragon\r\n#echo !\r\n"
          "trigger: full pure colour=2\r\n^Exits: .*$\r\n#echo !\r\n");
    // Red server text, a matched word within it, then more of the red.
    Arrive("\x1b[31mA dragon flies\x1b[0m; \x1b[31mstill red");
    const int y = RowWith("A dragon flies; still red");
    ASSERT_GE(y, 0);
    const Frame& cells = Screen.Cells();
    const auto attr = [&](int x) { return cells.At(x, y).Attr; };
    EXPECT_EQ(attr(0), 0x04); // "A", the server's red
    for (int x = 2; x < 8; ++x)
        EXPECT_EQ(attr(x), 0x0E) << x; // "dragon"
    EXPECT_EQ(attr(9), 0x04);          // "flies"
    EXPECT_EQ(attr(14), 0x07);         // ";"
    EXPECT_EQ(attr(16), 0x04);         // "still"
    // The next line goes on in the colour the server left, red.
    Arrive("more");
    EXPECT_EQ(cells.At(0, RowWith("more")).Attr, 0x04);

    // A whole-line trigger colours the whole line; the colour in force after it is the
    // server's again.
    Arrive("\x1b[0mExits: north, south");
    const int exits = RowWith("Exits: north, south");
    for (int x = 0; x < 19; ++x)
        EXPECT_EQ(cells.At(x, exits).Attr, 0x02) << x;
    Arrive("plain");
    EXPECT_EQ(cells.At(0, RowWith("plain")).Attr, 0x07);
}

TEST_F(TriggerWiring, AConditionSendsOncePerCrossingAndWaitsForItsValue) {
    // "when: здор < 30%" on the panel's label, and a plain number on hunger.
    Start("when: \xE7\xE4\xEE\xF0 < 30%\r\nflee\r\n"
          "when: hunger < 2\r\neat bread\r\n");
    Arrive("\x80\x80h100/100");
    Arrive("\x80\x80h20/100");
    EXPECT_EQ(Server->Sent, "flee\r\n");
    Arrive("\x80\x80h10/100");
    Arrive("\x80\x80h25/100");
    EXPECT_EQ(Server->Sent, "flee\r\n");
    Arrive("\x80\x80h50/100");
    Arrive("\x80\x80h29/100");
    EXPECT_EQ(Server->Sent, "flee\r\nflee\r\n");
    // Hunger was never sent: other codes leave its condition waiting.
    Server->Sent.clear();
    Arrive("\x80\x80l5");
    EXPECT_EQ(Server->Sent, "");
    Arrive("\x80\x80u1/4");
    EXPECT_EQ(Server->Sent, "eat bread\r\n");
    // A server line of the same text is no status code.
    Server->Sent.clear();
    Arrive("\x1b[0m\x80\x80h5/100");
    EXPECT_EQ(Server->Sent, "");
}

TEST_F(TriggerWiring, ATimerSendsWhileConnectedAndStartsAnewWithTheNextConnection) {
    Start("timer: 5\r\nsay tick\r\n");
    const TimePoint connected = Loop.Clock;
    RunUntil(connected + 4900ms);
    EXPECT_EQ(Server->Sent, "");
    RunUntil(connected + 5100ms);
    EXPECT_EQ(Server->Sent, "say tick\r\n");
    RunUntil(connected + 12s);
    EXPECT_EQ(Server->Sent, "say tick\r\nsay tick\r\n");

    Drop();
    RunUntil(connected + 14s);
    const std::shared_ptr<test::FakeStream> next = Net.Prepare();
    const TimePoint again = Loop.Clock;
    Term.Key(VkReturn, 0x0D); // the reconnect prompt's Enter
    RunInput();
    ASSERT_TRUE(ServerConnected());
    // The old schedule would fire 15 s after the first connection, 1 s after this one.
    RunUntil(again + 4800ms);
    EXPECT_EQ(Count(next->Sent, "tick"), 0u);
    RunUntil(again + 5200ms);
    EXPECT_EQ(Count(next->Sent, "tick"), 1u);
    EXPECT_EQ(Count(Server->Sent, "tick"), 2u);
}

// The timers run only while connected: once the server has closed the connection neither the
// commands nor the client's own lines of a timer come, until the next connection starts them.
TEST_F(TriggerWiring, TimersStopWhenTheServerClosesAndStartAgainWithTheNextConnection) {
    Start("timer: 2\r\nsay tick|#echo tock\r\n");
    const auto tocks = [&] {
        int rows = 0;
        for (int y = 0; y < Screen.Cells().Height; ++y)
            rows += Row(y).find("tock") != std::string::npos ? 1 : 0;
        return rows;
    };
    const TimePoint connected = Loop.Clock;
    RunUntil(connected + 2100ms);
    EXPECT_EQ(Server->Sent, "say tick\r\n");
    EXPECT_EQ(tocks(), 1);

    Server->Arrive("Bye!\r\n");
    Server->ReceiveError = SocketError::Disconnected;
    for (int i = 0; i < 4 && ServerConnected(); ++i)
        Client->Idle();
    ASSERT_FALSE(ServerConnected());
    EXPECT_TRUE(ScreenHas("Bye!"));
    RunFor(20s);
    EXPECT_EQ(Server->Sent, "say tick\r\n");
    EXPECT_EQ(tocks(), 1) << "a timer ran while unconnected";

    const std::shared_ptr<test::FakeStream> next = Net.Prepare();
    const TimePoint again = Loop.Clock;
    Term.Key(VkReturn, 0x0D); // the reconnect prompt's Enter
    RunInput();
    ASSERT_TRUE(ServerConnected());
    RunUntil(again + 2100ms);
    EXPECT_EQ(next->Sent, "say tick\r\n");
    EXPECT_EQ(tocks(), 2);
}

TEST_F(TriggerWiring, TabReadsTheTriggersAndTimersAgain) {
    Start("trigger:\r\nA rat arrives.\r\nkill rat\r\n");
    Arrive("A rat arrives.");
    EXPECT_EQ(Server->Sent, "kill rat\r\n");

    Files.Add("/home/player/fight.ttr", "trigger:\r\nA rat arrives.\r\nflee\r\n"
                                        "timer: 3\r\ntime\r\n");
    const TimePoint read = Loop.Clock;
    PressTab();
    Server->Sent.clear();
    Arrive("A rat arrives.");
    EXPECT_EQ(Server->Sent, "flee\r\n");
    Server->Sent.clear();
    RunUntil(read + 3100ms);
    EXPECT_EQ(Server->Sent, "time\r\n");
    RunUntil(read + 6100ms);
    EXPECT_EQ(Server->Sent, "time\r\ntime\r\n");

    // The timer goes with its entry.
    Files.Add("/home/player/fight.ttr", "trigger:\r\nA rat arrives.\r\nflee\r\n");
    PressTab();
    Server->Sent.clear();
    RunFor(10s);
    EXPECT_EQ(Server->Sent, "");
}

TEST_F(TriggerWiring, ATriggerAnsweringItselfIsStoppedWithOneRedLine) {
    Start("trigger: part\r\nping\r\nsay ping\r\n");
    for (size_t i = 0; i <= TriggerActionsPerSecond; ++i)
        Arrive("You hear: ping");
    EXPECT_EQ(Count(Server->Sent, "say ping\r\n"), TriggerActionsPerSecond);
    // "Триггер fight.ttr:1 ... отключён", once, in red.
    const std::string report = AnsiToConsole("\xD2\xF0\xE8\xE3\xE3\xE5\xF0 ");
    const int y = RowWith(report);
    ASSERT_GE(y, 0);
    EXPECT_NE(Row(y).find(":1"), std::string::npos) << Row(y);
    EXPECT_EQ(Screen.Cells().At(0, y).Attr, 0x0C);
    // Stopped: later lines send nothing and tell nothing more.
    for (int i = 0; i < 5; ++i)
        Arrive("You hear: ping");
    EXPECT_EQ(Count(Server->Sent, "say ping\r\n"), TriggerActionsPerSecond);
    int reports = 0;
    for (int row = 0; row < Screen.Cells().Height; ++row)
        reports += Row(row).find(report) != std::string::npos ? 1 : 0;
    EXPECT_EQ(reports, 1);
    EXPECT_TRUE(ServerConnected());
}

TEST_F(TriggerWiring, PlayReachesTheMusicAndAnOversizedStringIsOneLine) {
    // The player of an earlier client of this test program owns the music: this client's
    // player is the program's only one.
    MidiPlayerShared::Process().OwnerId = 0;
    test::LoopClock clock(Loop);
    test::RecordingMidiSink sink(clock);
    SoftwareMidiDevices* devices = nullptr;
    Midi.Open = [&](const MidiSinkSettings&) -> std::unique_ptr<MidiDevices> {
        auto made =
            std::make_unique<SoftwareMidiDevices>(&sink, clock, SoftwareMidiStream::Timing::Manual);
        devices = made.get();
        return made;
    };
    Loop.OnWait = [&] {
        if (devices)
            devices->Service(Loop.Now());
    };
    Start("trigger:\r\nThe bard plays.\r\n#play 50 C4 E4\r\n"
          "trigger:\r\nThe orchestra plays.\r\n#play " +
          std::string(TriggerMusicLimit + 1, 'C') + "\r\n");
    Arrive("The orchestra plays.");
    // "Мелодия триггера длиннее 64 КиБ: не играется."
    EXPECT_TRUE(ScreenHas(AnsiToConsole("\xCC\xE5\xEB\xEE\xE4\xE8\xFF \xF2\xF0\xE8\xE3")));
    Arrive("The bard plays.");
    std::vector<int> keys;
    for (int step = 0; step < 2000 && keys.size() < 2; ++step) {
        Loop.Clock += Milliseconds(5);
        if (devices)
            devices->Service(Loop.Now());
        Input.ProcessPending(*Client);
        keys.clear();
        for (const auto& m : sink.Taken())
            if ((m.Status & 0xF0) == 0x90 && m.Data2 > 0)
                keys.push_back(m.Data1);
    }
    EXPECT_EQ(keys, (std::vector<int>{48, 52}));
    EXPECT_EQ(Server->Sent, "");
    // The music stops, and the player goes before the sink it plays on.
    Arrive("\x80\x80P");
    for (int step = 0; step < 2000 && devices && devices->HasOpenStream(); ++step) {
        Loop.Clock += Milliseconds(5);
        devices->Service(Loop.Now());
        Input.ProcessPending(*Client);
    }
    Client.reset();
}

// The colours of a line put in by hand: what the output window is given.
TEST(ColourLine, SpansOverTheServersColoursKeepTheBackgroundAndRestoreTheEnd) {
    // No span: the line as it came.
    EXPECT_EQ(ColourLine("\x11red", {}, 7), "\x11red");
    // Console blue (1) is ANSI colour 4; console grey (7) ANSI 7.
    EXPECT_EQ(ColourLine("abc", {{1, 1, 1}}, 7), "a\x14"
                                                 "b\x17"
                                                 "c");
    // A span reaching past the end stops there; the colour after the line is the server's.
    EXPECT_EQ(ColourLine("ab\x11", {{1, 50, 14}}, 7), "a\x1B"
                                                      "b\x11");
    // On a background the span keeps it: yellow on red (ANSI 1, letter 'A').
    EXPECT_EQ(ColourLine("x", {{0, 1, 14}}, 0x47), "\x1B\xB8"
                                                   "A"
                                                   "x\x17\xB8"
                                                   "A");
    // A later span over an earlier one; marks and colour bytes of the server count no bytes.
    EXPECT_EQ(ColourLine("\x12"
                         "ab\xB8"
                         "Bcd",
                         {{0, 4, 9}, {1, 2, 10}}, 7),
              "\x1C"
              "a\x1A"
              "b\x1A\xB8"
              "Bc\x1C\xB8"
              "Bd\x12\xB8"
              "B");
}

} // namespace
} // namespace tolmix
