#include "plugins/PluginList.h"
#include "support/FakeFileSystem.h"
#include "support/FakeGameClient.h"
#include "support/FakeModuleLoader.h"
#include "support/ScriptedPlugin.h"
#include "util/Base64.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

using Journal = std::vector<std::string>;

// Plugin objects made here, without modules, so that a test can reach into them.
class GameCodes : public ::testing::Test {
  protected:
    Journal Calls; // outlives the plugins, which write to it when they go
    test::FakeFileSystem Files;
    test::FakeModuleLoader Loader;
    test::FakeGameClient Client{Files, Loader};
    GamePlugins& Plugins = Client.Plugins;

    test::ScriptedPlugin& Add(const std::string& name) {
        auto plugin = std::make_unique<test::ScriptedPlugin>(Client.Host, name, "", Calls);
        test::ScriptedPlugin& result = *plugin;
        TPluginEntry entry;
        entry.Plugin = std::move(plugin);
        Plugins.LoadedPlugins.push_back(std::move(entry));
        return result;
    }
    static std::string Line(std::string_view code) { return test::FakeGameClient::Code(code); }
    static std::string DataLine(std::string_view command) {
        return Line("gd" + EncodeBase64(command));
    }
};

TEST_F(GameCodes, AGameThatFailsToFinishHasEndedAllTheSame) {
    test::ScriptedPlugin& chess = Add("Chess");
    chess.OnFinish = "throw";
    Client.PrintLine(Line("gsChess"));
    EXPECT_THROW(Client.PrintLine(Line("gf")), std::runtime_error);
    EXPECT_EQ(Plugins.ActiveGame, nullptr);
    Client.PrintLine(Line("gsChess"));
    EXPECT_EQ(Plugins.ActiveGame, &chess);
}

TEST_F(GameCodes, AGameStartedWhileAnotherFinishesStaysRunning) {
    Add("Chess").OnFinish = "idle:2";
    test::ScriptedPlugin& dice = Add("Dice");
    Client.PrintLine(Line("gsChess"));
    Client.Incoming = {Line("gf"), Line("gsDice")};
    Client.PrintLine(Line("gf"));
    EXPECT_EQ(Plugins.ActiveGame, &dice);
    EXPECT_EQ(Calls, (Journal{"create Chess", "create Dice", "start true", "finish", "start true",
                              "end idle:2"}));
}

// The red message is the client's own: the server's colour goes on after it.
TEST_F(GameCodes, AnUnsupportedLetterIsAMessageThatKeepsTheServersColour) {
    Client.PrintLine(Line("gzabc"));
    EXPECT_EQ(Client.Messages, (std::vector<std::string>{"\x11Got unsupported game code: zabc"}));
}

TEST_F(GameCodes, ErrorsThatAreNoStandardExceptionBecomePluginErrors) {
    Add("Chess");
    Client.PrintLine(Line("gsChess"));
    EXPECT_THROW(Client.PrintLine(DataLine("throw-int")), EPluginError);
    EXPECT_THROW(Client.PrintLine(DataLine("throw")), std::runtime_error);
}

TEST_F(GameCodes, NestedReceivingIsBoundedAndLosesNoLine) {
    Add("Chess");
    Client.Incoming.push_back(Line("gsChess"));
    constexpr int Lines = 3 * GameHost::MaxReceivingDepth;
    for (int i = 0; i < Lines; ++i)
        Client.Incoming.push_back(DataLine("idle:1"));
    Client.ReceiveAll();
    EXPECT_TRUE(Client.Incoming.empty());
    EXPECT_EQ(Client.DeepestReceive, GameHost::MaxReceivingDepth);
    EXPECT_EQ(std::count(Calls.begin(), Calls.end(), "data idle:1"), Lines);
    EXPECT_EQ(std::count(Calls.begin(), Calls.end(), "end idle:1"), Lines);
    EXPECT_EQ(Client.Host.IdleDepth(), 0);
}

TEST_F(GameCodes, ProcessIdleRunsTimersAndKeysAtTheNestingLimitToo) {
    Add("Chess");
    auto beyondLimit = [&] { return Client.Host.IdleDepth() > GameHost::MaxReceivingDepth; };
    int ticks = 0;
    Client.Loop.SetTimer(100, [&] { ticks += beyondLimit(); });
    int keys = 0;
    Client.Player.OnKey = [&](const KeyEvent&) { return keys += beyondLimit(), true; };
    Client.Loop.OnWait = [&] {
        Client.Loop.Advance(Milliseconds(30)); // the plugin's work between its calls
        if (beyondLimit() && keys == 0)
            Client.Term.Key('a', 'a');
    };
    Client.Incoming.push_back(Line("gsChess"));
    for (int i = 0; i < GameHost::MaxReceivingDepth; ++i)
        Client.Incoming.push_back(DataLine("idle:1"));
    Client.Incoming.push_back(DataLine("idle:5")); // runs beyond the limit
    Client.ReceiveAll();
    EXPECT_EQ(keys, 1);
    EXPECT_GT(ticks, 0);
    EXPECT_EQ(std::count(Calls.begin(), Calls.end(), "end idle:5"), 1);
}

// A plugin that calls ProcessIdle between chunks of work gets one pass each time, never a
// wait for the next timer: a thousand calls take no time on the loop's clock.
TEST_F(GameCodes, ProcessIdleIsOnePassThatNeverWaits) {
    Add("Chess");
    int ticks = 0;
    Client.Loop.SetTimer(100, [&] { ++ticks; });
    Client.Incoming.push_back(Line("gsChess"));
    Client.Incoming.push_back(DataLine("idle:100"));
    const TimePoint before = Client.Loop.Clock;
    for (int i = 0; i < 10; ++i)
        Client.Host.ProcessIdle();
    EXPECT_EQ(Client.Loop.Clock, before);
    Client.ReceiveAll();
    EXPECT_EQ(std::count(Calls.begin(), Calls.end(), "end idle:100"), 1);
    EXPECT_EQ(ticks, 0);
    // A key pressed meanwhile is handled by the next pass.
    int keys = 0;
    Client.Player.OnKey = [&](const KeyEvent&) { return ++keys, true; };
    Client.Term.Key('a', 'a');
    Client.Host.ProcessIdle();
    EXPECT_EQ(keys, 1);
    EXPECT_EQ(Client.Loop.Clock, before);
}

TEST_F(GameCodes, ThePluginListIsTheNameAndDetailsOfEachPlugin) {
    Plugins.SendPluginList();
    EXPECT_EQ(Client.Wire, ""); // no plugin loaded
    Add("Chess");
    Add("Dice");
    Plugins.SendPluginList();
    EXPECT_EQ(Client.Wire, "\x80\x80glChess\x80\r\n\x80\x80glDice\x80\r\n");
    Client.Wire.clear();
    // Windows-1251 details go out as the plugin gives them.
    TPluginEntry go;
    go.Plugin = std::make_unique<test::ScriptedPlugin>(Client.Host, "Go", "Board game \xEF", Calls);
    Plugins.LoadedPlugins.push_back(std::move(go));
    Plugins.SendPluginList();
    EXPECT_EQ(Client.Wire.substr(Client.Wire.find("\x80\x80glGo")), "\x80\x80glGo\x80"
                                                                    "Board game \xEF\r\n");
    Client.Wire.clear();
    Client.DropConnection();
    Plugins.SendPluginList();
    EXPECT_EQ(Client.Wire, ""); // nothing while unconnected
    EXPECT_EQ(Plugins.FindPlugin("Dice"), Plugins.LoadedPlugins[1].Plugin.get());
    EXPECT_EQ(Plugins.FindPlugin("dice"), nullptr);
    EXPECT_EQ(Plugins.FindPlugin("Dic"), nullptr);
}

} // namespace
} // namespace tolmix
