// The client laid out as `cmake --install` and the Debian package lay it out, played with
// --demo from its first start: <prefix>/bin/tolmix-client, the demo world and the example
// plugin in <prefix>/lib/tolmix-client, or the plugin in the player's own plugins folder.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <filesystem>
#include <regex>
#include <thread>

namespace tolmix::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;

enum class PluginPlace { Installed, PlayersOwn };

struct InstalledDemo {
    TempDir Prefix{"tolmix-prefix"};
    TempDir Home{"tolmix-home"};
    std::unique_ptr<PtySession> Client;

    explicit InstalledDemo(PluginPlace place) {
        const fs::path lib = Prefix.Path() / "lib" / "tolmix-client";
        fs::create_directories(Prefix.Path() / "bin");
        fs::create_directories(lib / "plugins");
        fs::copy_file(TOLMIX_CLIENT_PATH, Program());
        fs::copy_file(TOLMIX_DEMO_WORLD_PATH, lib / "tolmix-demo-world");
        const fs::path plugins = place == PluginPlace::Installed
                                     ? lib / "plugins"
                                     : Home.Path() / ".local/share/tolmix-client/plugins";
        fs::create_directories(plugins);
        fs::copy_file(TOLMIX_EXAMPLE_PLUGIN, plugins / "Dice.so");
        SessionOptions options;
        options.program = Program().string();
        options.home = Home.String();
        options.firstRun = true;
        options.args = {"--demo"};
        Client = std::make_unique<PtySession>(options);
    }

    fs::path Program() const { return Prefix.Path() / "bin" / "tolmix-client"; }
    void Type(const std::string& utf8) { Client->Send(utf8 + keys::Enter); }

    // The port the demo world listened on, from the settings file written for it.
    int DemoPort() const {
        const std::string settings = Home.ReadFile(".local/state/tolmix-client/demo/demo.tcf");
        std::smatch match;
        if (!std::regex_search(settings, match, std::regex("Port=([0-9]+)")))
            return 0;
        return std::stoi(match[1]);
    }
};

bool Listening(int port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const bool connected =
        ::connect(fd, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0;
    ::close(fd);
    return connected;
}

// Waits, at most `timeout`, for nothing to listen on the port any more.
bool StopsListening(int port, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (Listening(port)) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(20ms);
    }
    return true;
}

void PlayToThePluginList(InstalledDemo& demo) {
    PtySession& s = *demo.Client;
    // The first start connects at once: no first-run notice before the world's greeting.
    ASSERT_TRUE(ShowsText(s, "ДЕРЕВНЯ ВЕРЕСК", Patience));
    EXPECT_FALSE(s.ScreenContains("перезапустите")) << s.Dump();
    ASSERT_TRUE(ShowsText(s, "Как зовут вашего персонажа?", Patience));
    demo.Type("Installed");
    ASSERT_TRUE(ShowsText(s, "Новый пароль:", Patience));
    demo.Type("secret");
    ASSERT_TRUE(ShowsText(s, "Повторите пароль:", Patience));
    demo.Type("secret");
    // The client's plugin list answered the server's request: the plugin was found.
    ASSERT_TRUE(ShowsText(s, "Модуль клиента: Dice.", Patience));
}

TEST(InstalledClient, TheDemoPlaysAtTheFirstStartWithTheInstalledPluginAndEndsWithTheClient) {
    InstalledDemo demo(PluginPlace::Installed);
    PtySession& s = *demo.Client;
    PlayToThePluginList(demo);
    const int port = demo.DemoPort();
    ASSERT_GT(port, 0);
    EXPECT_TRUE(Listening(port));

    s.Send(keys::F10);
    ASSERT_TRUE(ExitsWith(s, 0, Patience));
    EXPECT_TRUE(TtyRestored(s));
    // The world went with the client.
    EXPECT_TRUE(StopsListening(port, Patience)) << "port " << port;
    // The palette's console file is written; the file types and the desktop entry are the
    // package's, not the player's.
    EXPECT_TRUE(fs::exists(s.ConsoleFile(demo.Program())));
    EXPECT_FALSE(fs::exists(demo.Home.Path() / ".local/share/applications/tolmix-client.desktop"));
    EXPECT_FALSE(fs::exists(demo.Home.Path() / ".local/share/mime/packages/tolmix-client.xml"));
}

TEST(InstalledClient, APluginInThePlayersOwnFolderIsLoaded) {
    InstalledDemo demo(PluginPlace::PlayersOwn);
    PlayToThePluginList(demo);
    demo.Client->Send(keys::F10);
    EXPECT_TRUE(ExitsWith(*demo.Client, 0, Patience));
}

} // namespace
} // namespace tolmix::e2e
