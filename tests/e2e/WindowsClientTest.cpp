// The Windows client under wine, in a pseudo-terminal: the package as a player unpacks it (the
// program, its runtime DLLs and Plugins beside it), a first start that registers, and a second
// that connects to a loopback server, sends AutoSend and a typed command and leaves with F10.
// Run by the Windows suite of scripts/test, which names the package in TOLMIX_WINDOWS_PACKAGE;
// skipped otherwise.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/LoopbackServer.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;
namespace fs = std::filesystem;

// Wine starts slowly the first time a prefix is used; a started wineserver keeps it quick.
constexpr auto Patience = 30s;

// A path of this machine as a Windows program under wine sees it.
std::string WinePath(const fs::path& path) {
    std::string text = "Z:" + path.string();
    for (char& c : text)
        if (c == '/')
            c = '\\';
    return text;
}

class WindowsClient : public ::testing::Test {
  protected:
    TempDir Folder{"tolmix-wine"};
    fs::path Program;

    void SetUp() override {
        const char* package = std::getenv("TOLMIX_WINDOWS_PACKAGE");
        if (package == nullptr || !fs::exists(fs::path(package) / "tolmix-client.exe"))
            GTEST_SKIP() << "TOLMIX_WINDOWS_PACKAGE names no Windows package";
        if (!fs::exists("/usr/bin/wine"))
            GTEST_SKIP() << "wine is not installed";
        fs::copy(package, Folder.Path() / "client", fs::copy_options::recursive);
        Program = Folder.Path() / "client" / "tolmix-client.exe";
    }

    // The console key the first start wrote for this folder goes with the folder.
    void TearDown() override {
        if (Program.empty())
            return;
        std::string key = WinePath(Program);
        for (char& c : key)
            if (c == '\\')
                c = '_';
        const std::string command =
            "WINEDEBUG=-all wine reg delete 'HKCU\\Console\\" + key + "' /f >/dev/null 2>&1";
        [[maybe_unused]] const int ignored = std::system(command.c_str());
    }

    SessionOptions Client(const std::string& settings) {
        SessionOptions options;
        options.program = "/usr/bin/wine";
        options.args = {Program.string(), WinePath(Folder.Path() / "client" / settings)};
        options.workingDirectory = (Folder.Path() / "client").string();
        const char* prefix = std::getenv("WINEPREFIX");
        const char* home = std::getenv("HOME");
        options.env = {{"WINEPREFIX", prefix ? prefix : std::string(home ? home : "") + "/.wine"},
                       {"WINEDEBUG", "-all"}};
        options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"};
        return options;
    }
};

TEST_F(WindowsClient, RegistersOnFirstStartThenConnectsSendsAutoSendAndLeavesWithF10) {
    LoopbackServer server;
    server.SetScript({{"", "Welcome to the smoke test\r\n"}});
    Folder.WriteFile("client/smoke.tcf",
                     "Address=127.0.0.1\r\nPort=" + std::to_string(server.Port()) +
                         "\r\nAutoSend=smoke|test\r\n");
    {
        // The first start from a new folder registers and asks for a new start.
        PtySession first(Client("smoke.tcf"));
        ASSERT_TRUE(ShowsText(first, "Tolmix Client v", Patience));
        ASSERT_TRUE(ShowsText(first, "F10", Patience));
        EXPECT_EQ(server.ConnectionCount(), 0u);
        first.Send(keys::F10);
        EXPECT_TRUE(ExitsWith(first, 0, Patience));
    }
    PtySession client(Client("smoke.tcf"));
    ASSERT_TRUE(ShowsText(client, "Tolmix Client v", Patience));
    auto peer = server.Accept(Patience);
    ASSERT_TRUE(peer);
    EXPECT_TRUE(ShowsText(client, "Welcome to the smoke test", Patience));
    EXPECT_TRUE(peer->WaitForReceived("smoke\r\ntest\r\n", Patience)) << peer->Received();
    // A typed command, Cyrillic letters included, goes out in Windows-1251.
    client.Send("look \xD0\xBA\xD1\x82\xD0\xBE\r");
    EXPECT_TRUE(peer->WaitForReceived("look \xEA\xF2\xEE\r\n", Patience)) << peer->Received();
    client.Send(keys::F10);
    EXPECT_TRUE(ExitsWith(client, 0, Patience));
    EXPECT_TRUE(peer->WaitForPeerClosed(Patience));
}

// The console driver's own tests need a console, which wine gives a program only in a terminal.
TEST_F(WindowsClient, TheConsoleDriverTestsPassOnWinesConsole) {
    const char* tests = std::getenv("TOLMIX_WINDOWS_TESTS");
    if (tests == nullptr || !fs::exists(tests))
        GTEST_SKIP() << "TOLMIX_WINDOWS_TESTS names no Windows test program";
    const fs::path report = Folder.Path() / "console.xml";
    SessionOptions options = Client("");
    options.args = {tests, "--gtest_filter=Win32ConsoleTest.*",
                    "--gtest_output=xml:" + WinePath(report)};
    // The runtime DLLs of the package.
    options.env.emplace_back("WINEPATH", WinePath(Program.parent_path()));
    PtySession run(options);
    EXPECT_TRUE(ExitsWith(run, 0, Patience));
    const std::string xml = Folder.ReadFile("console.xml");
    EXPECT_NE(xml.find("tests=\"3\" failures=\"0\" disabled=\"0\""), std::string::npos) << xml;
    EXPECT_EQ(xml.find("result=\"skipped\""), std::string::npos) << xml;
}

} // namespace
} // namespace tolmix::e2e
