// The Windows client under wine, in a pseudo-terminal: the package as a player unpacks it (the
// program, its runtime DLLs and Plugins beside it), a first start that registers, and a second
// that connects to a loopback server, sends AutoSend and a typed command and leaves with F10.
// Then the installer as a player runs it: silently into a folder with Cyrillic letters and a
// blank, the installed client started once, and a silent uninstall that leaves nothing behind.
// Run by the Windows suite of scripts/test, which names the package in TOLMIX_WINDOWS_PACKAGE
// and the installer in TOLMIX_WINDOWS_INSTALLER; skipped otherwise.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/LoopbackServer.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sys/wait.h>
#include <thread>

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

std::string WinePrefix() {
    const char* prefix = std::getenv("WINEPREFIX");
    const char* home = std::getenv("HOME");
    return prefix ? prefix : std::string(home ? home : "") + "/.wine";
}

// Quoted for /bin/sh.
std::string Quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// Runs a Windows program under wine with these arguments, at most `seconds`; its exit code, or
// -1 when it did not end in time. No desktop menus are made on this machine's behalf.
int RunWine(const std::vector<std::string>& args, int seconds = 180,
            const fs::path& folder = fs::current_path()) {
    std::string command = "cd " + Quoted(folder.string()) +
                          " && env LANG=C.UTF-8 LC_ALL=C.UTF-8 WINEDEBUG=-all "
                          "WINEDLLOVERRIDES=winemenubuilder.exe=d WINEPREFIX=" +
                          Quoted(WinePrefix()) + " timeout " + std::to_string(seconds) + " wine";
    for (const std::string& arg : args)
        command += " " + Quoted(arg);
    command += " </dev/null >/dev/null 2>&1";
    const int status = std::system(command.c_str());
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 124)
        return -1;
    return WEXITSTATUS(status);
}

// A key of the current user as `reg export` writes it (UTF-16 made UTF-8), or empty when there
// is no such key.
std::string ExportedKey(const std::string& key, const fs::path& scratch) {
    const fs::path file = scratch / "key.reg";
    fs::remove(file);
    if (RunWine({"reg", "export", "HKCU\\" + key, WinePath(file), "/y"}) != 0)
        return {};
    std::ifstream in(file, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::string text;
    for (size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const unsigned c =
            static_cast<unsigned char>(bytes[i]) | static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (c == 0xFEFF)
            continue;
        if (c < 0x80) {
            text += static_cast<char>(c);
        } else if (c < 0x800) {
            text += static_cast<char>(0xC0 | c >> 6);
            text += static_cast<char>(0x80 | (c & 0x3F));
        } else {
            text += static_cast<char>(0xE0 | c >> 12);
            text += static_cast<char>(0x80 | (c >> 6 & 0x3F));
            text += static_cast<char>(0x80 | (c & 0x3F));
        }
    }
    return text;
}

// Waits, with a bound, for the condition.
template <typename Condition> bool Within(std::chrono::seconds limit, Condition done) {
    const auto until = std::chrono::steady_clock::now() + limit;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= until)
            return false;
        std::this_thread::sleep_for(200ms);
    }
    return true;
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
    // A letter typed as a letter and a combining mark (и + U+0306) goes out as one: "й".
    client.Send("\xD0\xB8\xCC\x86\r");
    EXPECT_TRUE(peer->WaitForReceived("look \xEA\xF2\xEE\r\n\xE9\r\n", Patience))
        << peer->Received();
    client.Send(keys::F10);
    EXPECT_TRUE(ExitsWith(client, 0, Patience));
    EXPECT_TRUE(peer->WaitForPeerClosed(Patience));
}

// Runs the installer silently into this folder. /D= takes the rest of the command line as it
// is, blanks included, and no quotes: cmd passes it on so, where wine would quote the argument.
int Install(const fs::path& installer, const fs::path& folder) {
    return RunWine({"cmd", "/c", WinePath(installer) + " /S /D=" + WinePath(folder)});
}

// Runs the folder's uninstaller silently in place, so that its exit code is its answer (without
// _?= it runs on from a copy of itself, and the program started ends at once). _?= too is the
// unquoted rest of the command line.
int UninstallInPlace(const fs::path& folder) {
    return RunWine({"cmd", "/c", "uninstall.exe /S _?=" + WinePath(folder)}, 180, folder);
}

class WindowsClientInstaller : public ::testing::Test {
  protected:
    TempDir Folder{"tolmix-wine-setup"};
    fs::path Installer;
    // "Мои игры/Tolmix Client": Cyrillic letters and blanks.
    fs::path Target;

    void SetUp() override {
        const char* installer = std::getenv("TOLMIX_WINDOWS_INSTALLER");
        if (installer == nullptr || !fs::exists(installer))
            GTEST_SKIP() << "TOLMIX_WINDOWS_INSTALLER names no installer";
        if (!fs::exists("/usr/bin/wine"))
            GTEST_SKIP() << "wine is not installed";
        Installer = installer;
        Target = Folder.Path() / "\xD0\x9C\xD0\xBE\xD0\xB8 \xD0\xB8\xD0\xB3\xD1\x80\xD1\x8B" /
                 "Tolmix Client";
    }

    // Whatever a failed test left is taken away, so that the next run starts clean.
    void TearDown() override {
        if (fs::exists(Target / "uninstall.exe"))
            UninstallInPlace(Target);
    }

    fs::path StartMenu() const {
        for (const auto& user : fs::directory_iterator(fs::path(WinePrefix()) / "drive_c/users")) {
            const fs::path menu =
                user.path() / "AppData/Roaming/Microsoft/Windows/Start Menu/Programs";
            if (fs::exists(menu))
                return menu / "Tolmix Client";
        }
        return {};
    }

    std::string ConsoleKey() const {
        std::string key = WinePath(Target / "tolmix-client.exe");
        for (char& c : key)
            if (c == '\\')
                c = '_';
        return "Console\\" + key;
    }
};

TEST_F(WindowsClientInstaller, InstallsSilentlyRunsAndUninstallsWithoutATrace) {
    ASSERT_EQ(Install(Installer, Target), 0);
    const fs::path program = Target / "tolmix-client.exe";
    ASSERT_TRUE(fs::exists(program));
    EXPECT_TRUE(fs::exists(Target / "Plugins" / "Dice.dll"));
    EXPECT_TRUE(fs::exists(Target / "licenses" / "PCRE2.txt"));
    EXPECT_TRUE(fs::exists(Target / "licenses" / "GCC-runtime.txt"));
    EXPECT_TRUE(fs::exists(Target / "uninstall.exe"));
    EXPECT_TRUE(fs::exists(StartMenu() / "Tolmix Client.lnk")) << StartMenu();

    // The open command with both paths quoted, as the shell needs them.
    const std::string quoted = "\"" + WinePath(program) + "\" \"%1\"";
    std::string escaped; // .reg files double every backslash and escape the quotes
    for (char c : quoted)
        escaped += c == '\\' ? "\\\\" : c == '"' ? "\\\"" : std::string(1, c);
    // Waited for with a bound: under load wine's registry has been seen to answer an export
    // with nothing for a moment after the installer ended.
    std::string command;
    EXPECT_TRUE(Within(30s, [&] {
        command = ExportedKey("Software\\Classes\\Tolmix Client Config\\shell\\open\\command",
                              Folder.Path());
        return command.find("@=\"" + escaped + "\"") != std::string::npos;
    })) << "the open command is \"" << command << "\"";
    EXPECT_NE(ExportedKey("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TolmixClient",
                          Folder.Path())
                  .find("QuietUninstallString"),
              std::string::npos);

    {
        // The installed client, once, against a loopback server: its first start from the
        // folder says so, and Enter connects anyway.
        LoopbackServer server;
        server.SetScript({{"", "Welcome to the installed client\r\n"}});
        Folder.WriteFile("game.tcf",
                         "Address=127.0.0.1\r\nPort=" + std::to_string(server.Port()) + "\r\n");
        SessionOptions options;
        options.program = "/usr/bin/wine";
        options.args = {program.string(), WinePath(Folder.Path() / "game.tcf")};
        options.workingDirectory = Target.string();
        options.env = {{"WINEPREFIX", WinePrefix()}, {"WINEDEBUG", "-all"}};
        options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"};
        PtySession client(options);
        ASSERT_TRUE(ShowsText(client, "F10", Patience));
        client.Send(keys::Enter);
        auto peer = server.Accept(Patience);
        ASSERT_TRUE(peer);
        EXPECT_TRUE(ShowsText(client, "Welcome to the installed client", Patience));
        client.Send(keys::F10);
        EXPECT_TRUE(ExitsWith(client, 0, Patience));
    }
    EXPECT_NE(ExportedKey(ConsoleKey(), Folder.Path()), "");

    // The uninstaller runs on from a copy of itself: its end is the last of its work done.
    const fs::path menu = StartMenu();
    const std::string uninstallKey =
        "Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TolmixClient";
    ASSERT_EQ(RunWine({(Target / "uninstall.exe").string(), "/S"}), 0);
    EXPECT_TRUE(Within(120s,
                       [&] {
                           return !fs::exists(Target) && !fs::exists(menu) &&
                                  ExportedKey(uninstallKey, Folder.Path()).empty();
                       }))
        << "left behind in " << Target << " or " << menu;
    for (const std::string& key :
         {std::string("Software\\Classes\\.tcf"), std::string("Software\\Classes\\.tmf"),
          std::string("Software\\Classes\\.taf"),
          std::string("Software\\Classes\\Tolmix Client Config"),
          std::string("Software\\Classes\\Tolmix Client Macros Config"),
          std::string("Software\\Classes\\Tolmix Client Alias Config"), uninstallKey, ConsoleKey()})
        EXPECT_EQ(ExportedKey(key, Folder.Path()), "") << key;
}

TEST_F(WindowsClientInstaller, RefusesAFolderItCannotWriteAndAnUninstallWhileTheClientRuns) {
    // No folder can be made in /proc, not even by root: the installer says so, with its exit
    // code, and leaves nothing. (A folder below a file is no test: the installer itself puts
    // such a /D= aside for its default.)
    EXPECT_EQ(Install(Installer, "/proc/Tolmix Client"), 4);
    EXPECT_EQ(ExportedKey("Software\\Microsoft\\Windows\\CurrentVersion\\Uninstall\\TolmixClient",
                          Folder.Path()),
              "");
    EXPECT_EQ(ExportedKey("Software\\Classes\\Tolmix Client Config", Folder.Path()), "");

    ASSERT_EQ(Install(Installer, Target), 0);
    {
        Folder.WriteFile("idle.tcf", "Address=127.0.0.1\r\nPort=1\r\n");
        SessionOptions options;
        options.program = "/usr/bin/wine";
        options.args = {(Target / "tolmix-client.exe").string(),
                        WinePath(Folder.Path() / "idle.tcf")};
        options.workingDirectory = Target.string();
        options.env = {{"WINEPREFIX", WinePrefix()}, {"WINEDEBUG", "-all"}};
        options.unsetEnv = {"DISPLAY", "WAYLAND_DISPLAY"};
        PtySession client(options);
        ASSERT_TRUE(ShowsText(client, "F10", Patience));
        // In place (no copy of itself), so that its answer is its exit code: refused.
        EXPECT_EQ(UninstallInPlace(Target), 2);
        EXPECT_TRUE(fs::exists(Target / "tolmix-client.exe"));
        EXPECT_TRUE(fs::exists(Target / "libstdc++-6.dll"));
        EXPECT_NE(ExportedKey("Software\\Classes\\.tcf", Folder.Path()), "");
        client.Send(keys::F10);
        EXPECT_TRUE(ExitsWith(client, 0, Patience));
    }
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
    EXPECT_NE(xml.find("tests=\"5\" failures=\"0\" disabled=\"0\""), std::string::npos) << xml;
    EXPECT_EQ(xml.find("result=\"skipped\""), std::string::npos) << xml;
}

} // namespace
} // namespace tolmix::e2e
