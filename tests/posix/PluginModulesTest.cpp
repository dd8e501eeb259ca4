// Real plugin modules, built by the test build, loaded from a real Plugins folder and driven
// through the game codes by a client stand-in that records the wire.
#include "platform/posix/PosixFileSystem.h"
#include "platform/posix/PosixModuleLoader.h"
#include "plugins/PluginCall.h"
#include "plugins/PluginList.h"
#include "support/FakeGameClient.h"
#include "support/ScriptedPlugin.h"
#include "util/Base64.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace tolmix {
namespace {

namespace fs = std::filesystem;

using Journal = std::vector<std::string>;

class PluginModules : public ::testing::Test {
  protected:
    fs::path Root;
    fs::path PluginsDir;
    fs::path StartDir = fs::current_path();
    posix::PosixFileSystem Files;
    posix::PosixModuleLoader Loader;
    test::FakeGameClient Client{Files, Loader};
    GamePlugins& Plugins = Client.Plugins;

    void SetUp() override {
        std::random_device random;
        Root = fs::temp_directory_path() / ("tolmix-plugins-" + std::to_string(random()));
        PluginsDir = Root / "Plugins";
        fs::create_directories(PluginsDir);
    }
    void TearDown() override {
        Plugins.UnloadPlugins();
        fs::current_path(StartDir);
        fs::remove_all(Root);
    }

    // Puts a test module into the Plugins folder under a file name of its own.
    void Install(const std::string& module, const std::string& file) {
        fs::copy_file(fs::path(TOLMIX_TEST_PLUGIN_DIR) / (module + ".so"), PluginsDir / file);
    }
    void InstallFile(const fs::path& path) { fs::copy_file(path, PluginsDir / path.filename()); }
    void Start() {
        Plugins.StartPlugins(PluginsDir.string() + "/", Root.string() + "/", Client.Host);
    }
    // The journal of the plugin at this place of the list.
    Journal& JournalOf(size_t index) {
        auto proc = reinterpret_cast<Journal* (*)()>(
            Plugins.LoadedPlugins.at(index).Module->FindProc("ScriptedPluginJournal"));
        return *proc();
    }
    // A server line as it comes off the wire.
    void Server(std::string_view code) { Client.PrintLine(test::FakeGameClient::Code(code)); }
    void Data(std::string_view command) { Server("gd" + EncodeBase64(command)); }
};

TEST_F(PluginModules, WithoutAPluginsFolderStartUpGoesOn) {
    fs::remove_all(PluginsDir);
    Start();
    EXPECT_TRUE(Plugins.LoadedPlugins.empty());
    EXPECT_EQ(fs::current_path(), Root);
    Server("gl");
    EXPECT_EQ(Client.Wire, "");
}

// Every file left out is one diagnostics line with its name and the reason; the list the
// server gets holds the good plugin only, and asking for it keeps the connection.
TEST_F(PluginModules, FilesThatAreNoUsablePluginAreNeverListedAndEachSaysWhy) {
    Install("probe_first", "a.so");
    Install("newer_version", "b.so");
    Install("no_factory", "c.so");
    Install("no_version", "d.so");
    Install("no_class", "e.so");
    Install("throwing_create", "f.so");
    Install("probe_second", "g.txt");
    {
        std::ofstream junk(PluginsDir / "h.so");
        junk << "this is not a shared object\n";
    }
    fs::create_directory(PluginsDir / "i.so");
    fs::create_symlink(PluginsDir / "missing.so", PluginsDir / "j.so");
    std::ofstream(PluginsDir / "k.so").close(); // 0 bytes
    Install("throwing_name", "l.so");
    Install("throwing_details", "m.so");
    Install("throwing_everything", "n.so");
    Start();
    ASSERT_EQ(Plugins.LoadedPlugins.size(), 1u);
    EXPECT_EQ(fs::current_path(), Root);
    for (int login = 0; login < 2; ++login) {
        Server("gl");
        EXPECT_EQ(Client.Wire, "\x80\x80glProbe\x80"
                               "first copy\r\n");
        Client.Wire.clear();
    }
    EXPECT_TRUE(Client.Link.Connected());

    // The load failures first, in file order, then those of the objects. A folder or a broken
    // link named like a plugin is no file and is passed over.
    const std::vector<std::pair<std::string, std::string>> expected = {
        {"b.so", "interface version 0x10001, not 0x10000"},
        {"c.so", "does not export TolmixPluginFactory"},
        {"d.so", "does not export TolmixPluginVersion"},
        {"h.so", "h.so: file too short"}, // the loader's own reason
        {"k.so", "k.so: file too short"},
        {"e.so", "gives no plugin class"},
        {"f.so", "constructor raised cannot start"},
        {"l.so", "name or details raised no name today"},
        {"m.so", "name or details raised no details today"},
        {"n.so", "name or details raised an error that is no standard exception"},
    };
    ASSERT_EQ(Client.Notes.Lines.size(), expected.size())
        << testing::PrintToString(Client.Notes.Lines);
    for (size_t i = 0; i < expected.size(); ++i) {
        const std::string& line = Client.Notes.Lines[i];
        EXPECT_EQ(line.rfind("plugin " + expected[i].first + " left out: ", 0), 0u) << line;
        EXPECT_NE(line.find(expected[i].second), std::string::npos) << line;
        EXPECT_EQ(line.find('\n'), std::string::npos) << line;
    }
}

TEST_F(PluginModules, OfTwoPluginsWithOneNameTheFirstIsFoundAndBothAreListed) {
    Install("probe_second", "b_probe.so");
    Install("probe_first", "a_probe.so");
    Start();
    ASSERT_EQ(Plugins.LoadedPlugins.size(), 2u);
    Server("gl");
    EXPECT_EQ(Client.Wire, "\x80\x80glProbe\x80"
                           "first copy\r\n"
                           "\x80\x80glProbe\x80"
                           "second copy\r\n");
    Server("gsProbe");
    Server("goProbe");
    EXPECT_EQ(JournalOf(0), (Journal{"create Probe", "start true", "open"}));
    EXPECT_EQ(JournalOf(1), (Journal{"create Probe"}));
}

TEST_F(PluginModules, TheStartFlagIsFalseOnlyForANonZeroNumber) {
    Install("probe_first", "probe.so");
    Start();
    for (std::string_view flag : {"\x80"
                                  "1",
                                  "\x80"
                                  "0",
                                  "",
                                  "\x80"
                                  "x",
                                  "\x80"
                                  "$1F",
                                  "\x80"}) {
        Server("gsProbe" + std::string(flag));
        Server("gf");
    }
    EXPECT_EQ(JournalOf(0), (Journal{"create Probe", "start false", "finish", "start true",
                                     "finish", "start true", "finish", "start true", "finish",
                                     "start false", "finish", "start true", "finish"}));
}

TEST_F(PluginModules, GameCodesOutsideARunningGameChangeNothing) {
    Install("probe_first", "a.so");
    Install("cyrillic", "b.so");
    Start();
    Data("early");
    Server("gf");
    Server("gsNoSuchGame");
    Data("still early");
    // The Cyrillic name arrives in Windows-1251 and is matched in the console code page.
    Server("gs\xCA\xEE\xF1\xF2\xE8");
    Server("gsProbe"); // a game runs already
    Data("during");
    Server("gf");
    Data("late");
    Server("gf");
    EXPECT_EQ(JournalOf(0), (Journal{"create Probe"}));
    EXPECT_EQ(JournalOf(1),
              (Journal{"create \xCA\xEE\xF1\xF2\xE8", "start true", "data during", "finish"}));
    EXPECT_EQ(Plugins.ActiveGame, nullptr);
}

TEST_F(PluginModules, AnUnsupportedGameLetterPrintsItsMessage) {
    Install("probe_first", "a.so");
    Start();
    Server("gzabc");
    ASSERT_EQ(Client.Output.size(), 1u);
    EXPECT_EQ(Client.Output[0], "\x11Got unsupported game code: zabc");
}

TEST_F(PluginModules, HostSendsReachTheWireAsClientCodes) {
    Install("probe_first", "a.so");
    Start();
    Server("gsProbe");
    Data("send:hi!?");
    EXPECT_EQ(Client.Wire, "\x80\x80gdaGkhPw==\r\n");
    Client.Wire.clear();
    Data("text:3:hi");
    EXPECT_EQ(Client.Wire, "\x80\x80gephi\r\n");
    Client.Wire.clear();
    Data("text:1:\x10\xFF");
    EXPECT_EQ(Client.Wire, "\x80\x80ger\x80\xFF\xFF\r\n");
    Client.Wire.clear();
    Data("text:0:hi");
    Data("text:5:hi");
    EXPECT_EQ(Client.Wire, "");
    EXPECT_EQ(Client.Printed, (Journal{"hi"}));
    Data("finish");
    EXPECT_EQ(Client.Wire, "\x80\x80gf\r\n");
    EXPECT_EQ(Plugins.ActiveGame, Plugins.LoadedPlugins[0].Plugin.get());
}

TEST_F(PluginModules, SendsWhileDisconnectedAreDroppedButChannelZeroPrints) {
    Install("probe_first", "a.so");
    Start();
    Client.DropConnection();
    Server("gsProbe"); // a game running while disconnected
    for (std::string_view command : {"send:x", "text:1:x", "text:4:x", "finish", "text:0:local"})
        Data(command);
    Server("gl");
    EXPECT_EQ(Client.Wire, "");
    EXPECT_EQ(Client.Printed, (Journal{"local"}));
}

TEST_F(PluginModules, TheHostGivesTheCharacterNameAndTheWindow) {
    Install("probe_first", "a.so");
    Start();
    Client.CharName = AnsiToConsole("\xC8\xE2\xE0\xED"); // Иван
    Client.Term.Window = 4242;
    Server("gsProbe");
    Data("name");
    Data("window");
    EXPECT_EQ(JournalOf(0).at(3), "char \xC8\xE2\xE0\xED");
    EXPECT_EQ(JournalOf(0).at(5), "window 4242");
}

TEST_F(PluginModules, LinesReceivedInsideReceiveDataAreHandledOnceInOrder) {
    Install("probe_first", "a.so");
    Start();
    for (std::string_view command : {"idle:2", "A", "idle:1", "B", "C", "D"})
        Client.Incoming.push_back(test::FakeGameClient::Code("gd" + EncodeBase64(command)));
    Client.Incoming.push_front(test::FakeGameClient::Code("gsProbe"));
    Client.ReceiveAll();
    EXPECT_TRUE(Client.Incoming.empty());
    EXPECT_EQ(JournalOf(0),
              (Journal{"create Probe", "start true", "data idle:2", "data A", "data idle:1",
                       "data B", "end idle:1", "end idle:2", "data C", "data D"}));
}

TEST_F(PluginModules, AnErrorInAPluginEndsTheConnectionAndItsGameAndTheClientGoesOn) {
    Install("probe_first", "a.so");
    Start();
    for (std::string line :
         {std::string("gsProbe"), "gd" + EncodeBase64("throw"), "gd" + EncodeBase64("x")})
        Client.Incoming.push_back(test::FakeGameClient::Code(line));
    Client.ReceiveAll();
    EXPECT_EQ(Client.Errors, (Journal{"thrown by Probe"}));
    // The plugin's message is the reason on the error line, as a socket error's text is.
    ASSERT_EQ(Client.Printed.size(), 3u);
    EXPECT_EQ(Client.Printed[0], "\x8E\xE8\xA8\xA1\xAA\xA0: thrown by Probe"); // Ошибка:
    EXPECT_EQ(Client.Printed[1], "");
    EXPECT_EQ(Client.Printed[2], test::FakeGameClient::ReconnectPrompt());
    EXPECT_EQ(Client.Incoming.size(), 1u); // not received after the disconnect
    // The game ended with the connection, as the server's "gf" would end it.
    EXPECT_EQ(JournalOf(0).back(), "finish");
    EXPECT_EQ(Plugins.ActiveGame, nullptr);

    Client.Connect(); // the player reconnects: the old game's data find no game
    Client.Incoming.clear();
    for (std::string line :
         {"gd" + EncodeBase64("x"), std::string("gsProbe"), "gd" + EncodeBase64("throw-int")})
        Client.Incoming.push_back(test::FakeGameClient::Code(line));
    Client.ReceiveAll();
    EXPECT_EQ(Client.Errors.size(), 2u);
    // Ошибка: модуль игры вызвал ошибку, которая не является стандартным исключением
    EXPECT_EQ(Client.Printed.at(0), AnsiToConsole("\xCE\xF8\xE8\xE1\xEA\xE0: " +
                                                  std::string(PluginErrorNoStandardException)));
    const Journal& journal = JournalOf(0);
    EXPECT_EQ(std::vector<std::string>(journal.end() - 4, journal.end()),
              (Journal{"finish", "start true", "data throw-int", "finish"}));
}

// Every call into plugin code is told to the watch and ends there, however it ends: an error,
// a nested call from inside the plugin's own loop, the unloading.
TEST_F(PluginModules, EveryCallIntoAPluginIsWatchedFromItsStartToItsEnd) {
    Install("probe_first", "a.so");
    Install("throwing_name", "b.so");
    Start();
    EXPECT_GT(Client.Watch.Calls, 0);
    EXPECT_EQ(Client.Watch.Depth, 0);
    const int atStart = Client.Watch.Calls;
    Client.Incoming.push_back(test::FakeGameClient::Code("gd" + EncodeBase64("x")));
    for (std::string line : {std::string("gl"), std::string("goProbe"), std::string("gsProbe")})
        Server(line);
    Data("idle:2"); // receives the queued line from inside the plugin: a call within a call
    EXPECT_EQ(Client.Watch.Deepest, 2);
    Client.Incoming.push_back(test::FakeGameClient::Code("gd" + EncodeBase64("throw")));
    Client.ReceiveAll();
    EXPECT_EQ(Client.Errors.size(), 1u);
    Plugins.UnloadPlugins();
    EXPECT_EQ(Client.Watch.Depth, 0);
    EXPECT_GE(Client.Watch.Calls - atStart, 8);
}

// Whatever ends the link (the server closing it, or the player's F10 closing it), the running
// game is finished, so that the next login's "gs" starts a new one.
TEST_F(PluginModules, EveryDropOfTheLinkFinishesTheRunningGameOnce) {
    Install("probe_first", "a.so");
    Start();
    Server("gsProbe");
    Client.DropConnection();
    Client.DropConnection(); // a second drop with no game changes nothing
    Client.Connect();
    Server("gsProbe");
    Data("send:after");
    EXPECT_EQ(JournalOf(0),
              (Journal{"create Probe", "start true", "finish", "start true", "data send:after"}));
    EXPECT_NE(Client.Wire.find("\x80\x80gd" + EncodeBase64("after")), std::string::npos);
    EXPECT_TRUE(Client.Notes.Lines.empty());

    // A game whose finish raises an error is still over: one diagnostics line, and the
    // drop goes on to its prompt.
    static_cast<test::ScriptedPlugin*>(Plugins.LoadedPlugins[0].Plugin.get())->OnFinish = "throw";
    Client.DropConnection();
    EXPECT_EQ(Plugins.ActiveGame, nullptr);
    ASSERT_EQ(Client.Notes.Lines.size(), 1u);
    EXPECT_NE(Client.Notes.Lines[0].find("thrown by Probe"), std::string::npos);
    EXPECT_FALSE(Client.Link.Connected());
}

TEST_F(PluginModules, HugeAndMalformedDataAndLongNamesAreHandled) {
    Install("long_name", "a.so");
    Start();
    const std::string name(10000, 'N');
    Server("gl");
    EXPECT_EQ(Client.Wire, "\x80\x80gl" + name + "\x80variant 8\r\n");
    Server("gs" + name + "N");
    EXPECT_EQ(Plugins.ActiveGame, nullptr);
    Server("gs" + name);
    ASSERT_NE(Plugins.ActiveGame, nullptr);
    const std::string big(768 * 1024, 'z');
    Server("gd" + EncodeBase64(big)); // a megabyte of Base64
    Server("gd" + EncodeBase64("fine").substr(1));
    Server("gdnot base64!");
    Server("gd" + EncodeBase64("fine"));
    const Journal& journal = JournalOf(0);
    ASSERT_EQ(journal.size(), 4u);
    EXPECT_NE(journal[2].find("(786432 bytes)"), std::string::npos);
    EXPECT_EQ(journal[3], "data fine");
}

#ifdef TOLMIX_EXAMPLE_PLUGIN
// The game codes a client code on the wire carries, each decoded from Base64.
std::vector<std::string> DataOnTheWire(const std::string& wire) {
    std::vector<std::string> data;
    for (size_t at = 0; (at = wire.find("\x80\x80gd", at)) != std::string::npos;) {
        at += 4;
        const size_t end = wire.find("\r\n", at);
        data.push_back(DecodeBase64(wire.substr(at, end - at)).value_or("<not Base64>"));
    }
    return data;
}

TEST_F(PluginModules, TheDiceExamplePlaysAMatchWithEveryHostOperation) {
    InstallFile(TOLMIX_EXAMPLE_PLUGIN);
    Start();
    ASSERT_EQ(Plugins.LoadedPlugins.size(), 1u);
    Client.CharName = "Hero";
    Client.Term.Window = 0x4D;
    Server("goDice");
    ASSERT_EQ(Client.Printed.size(), 2u);
    EXPECT_NE(Client.Printed[0].find("Hero"), std::string::npos);
    EXPECT_NE(Client.Printed[1].find("0x4d"), std::string::npos);

    Server("gsDice");
    int rounds = 0;
    while (Client.Wire.find("\x80\x80gf\r\n") == std::string::npos && rounds++ < 100) {
        const int waits = Client.Loop.Waits;
        Data("throw");
        EXPECT_GT(Client.Loop.Waits, waits); // the dice roll while the client runs
        Data("house 1 1");                   // the dealer always throws two
    }
    const std::vector<std::string> throws = DataOnTheWire(Client.Wire);
    ASSERT_GE(throws.size(), 3u);
    for (const std::string& data : throws) {
        ASSERT_EQ(data.size(), 8u) << data;
        EXPECT_EQ(data.substr(0, 5), "roll ");
        EXPECT_TRUE(data[5] >= '1' && data[5] <= '6' && data[7] >= '1' && data[7] <= '6');
    }
    EXPECT_NE(Client.Wire.find("\x80\x80ges"), std::string::npos);
    // "... выигрывает в кости со счётом 3:0" on channel 3, then the match is over.
    EXPECT_NE(Client.Wire.find("\x80\x80gep\xE2\xFB\xE8\xE3"), std::string::npos);
    const std::string end = " 3:0\r\n\x80\x80gf\r\n";
    EXPECT_EQ(Client.Wire.substr(Client.Wire.size() - end.size()), end);

    const size_t printed = Client.Printed.size();
    Server("gf");
    ASSERT_EQ(Client.Printed.size(), printed + 1);
    EXPECT_NE(Client.Printed.back().find("3:0"), std::string::npos);
}
#endif

} // namespace
} // namespace tolmix
