// Real plugin DLLs, built by the test build with the client's toolchain and runtime, loaded
// from a Plugins folder: names in any letters, and exceptions thrown inside a plugin caught by
// the client across the DLL border.
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/Win32ModuleLoader.h"
#include "platform/win32/WinText.h"
#include "plugins/PluginList.h"
#include "support/FakeGameClient.h"
#include "util/Base64.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>

namespace tolmix::win32 {
namespace {

namespace fs = std::filesystem;

using Journal = std::vector<std::string>;

class Win32Plugins : public ::testing::Test {
  protected:
    fs::path Root;
    fs::path PluginsDir;
    fs::path StartDir = fs::current_path();
    Win32FileSystem Files;
    Win32ModuleLoader Loader;
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

    void Install(const std::string& module, const std::string& file) {
        fs::copy_file(fs::path(TOLMIX_TEST_PLUGIN_DIR) / (module + ".dll"), PluginsDir / file);
    }
    void Start() {
        Plugins.StartPlugins(WideToUtf8(PluginsDir.wstring()) + "\\",
                             WideToUtf8(Root.wstring()) + "\\", Client.Host);
    }
    Journal& JournalOf(size_t index) {
        auto proc = reinterpret_cast<Journal* (*)()>(
            Plugins.LoadedPlugins.at(index).Module->FindProc("ScriptedPluginJournal"));
        return *proc();
    }
    void Server(std::string_view code) { Client.PrintLine(test::FakeGameClient::Code(code)); }
};

TEST_F(Win32Plugins, DllsInAnyLettersAreLoadedAndOtherFilesAreNot) {
    Install("probe_first", "A_PROBE.DLL");
    Install("probe_second", "b_probe.Dll");
    Install("probe_first", "c_probe.so");
    Install("probe_first", "d_probe.dll.off");
    {
        std::ofstream junk(PluginsDir / "e.dll");
        junk << "this is not a DLL\n";
    }
    fs::create_directory(PluginsDir / "f.dll");
    Install("no_factory", "g.dll");
    Install("newer_version", "h.dll");
    Start();
    ASSERT_EQ(Plugins.LoadedPlugins.size(), 2u);
    EXPECT_EQ(fs::current_path(), Root);
    Server("gl");
    EXPECT_EQ(Client.Wire, "\x80\x80glProbe\x80"
                           "first copy\r\n"
                           "\x80\x80glProbe\x80"
                           "second copy\r\n");
}

TEST_F(Win32Plugins, LoadingFailuresGiveTheSystemsReason) {
    {
        std::ofstream junk(PluginsDir / "junk.dll");
        junk << "MZ but nothing else\n";
    }
    const ModuleOpenResult junk = Loader.Open(WideToUtf8((PluginsDir / "junk.dll").wstring()));
    EXPECT_EQ(junk.Module, nullptr);
    EXPECT_FALSE(junk.Error.empty());
    const ModuleOpenResult missing = Loader.Open(WideToUtf8((PluginsDir / "none.dll").wstring()));
    EXPECT_EQ(missing.Module, nullptr);
    EXPECT_FALSE(missing.Error.empty());
}

TEST_F(Win32Plugins, AnExceptionFromCreateIsCaughtAndThePluginDropped) {
    Install("throwing_create", "a.dll");
    Install("probe_first", "b.dll");
    Start();
    Server("gl");
    EXPECT_EQ(Client.Wire, "\x80\x80glProbe\x80"
                           "first copy\r\n");
}

TEST_F(Win32Plugins, AnErrorInAPluginEndsTheConnectionAndTheClientGoesOn) {
    Install("probe_first", "a.dll");
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
    EXPECT_EQ(Client.Incoming.size(), 1u);

    EXPECT_EQ(JournalOf(0).back(), "finish"); // the game ended with its connection

    // Not a standard exception: an int thrown in the DLL still reaches the client's handler.
    Client.Connect(); // the player reconnects, and the server starts a new game
    for (std::string line : {std::string("gsProbe"), "gd" + EncodeBase64("throw-int")})
        Client.Incoming.push_back(test::FakeGameClient::Code(line));
    Client.ReceiveAll();
    EXPECT_EQ(Client.Errors.size(), 2u);
    const auto& journal = JournalOf(0);
    ASSERT_GE(journal.size(), 2u);
    EXPECT_EQ(journal[journal.size() - 2], "data throw-int");
    EXPECT_EQ(journal.back(), "finish");
}

TEST_F(Win32Plugins, TheDiceExampleLoadsAndAnswers) {
    fs::copy_file(fs::path(TOLMIX_EXAMPLE_PLUGIN), PluginsDir / "Dice.dll");
    Start();
    ASSERT_EQ(Plugins.LoadedPlugins.size(), 1u);
    Server("gl");
    EXPECT_NE(Client.Wire.find("\x80\x80glDice\x80"), std::string::npos);
}

} // namespace
} // namespace tolmix::win32
