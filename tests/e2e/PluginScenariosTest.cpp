// Game plugins in the real client: the program copied into a folder of its own with the
// example plugin in the Plugins folder beside it, driven by a scripted server.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/LoopbackServer.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"
#include "util/Base64.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>

namespace tolmix::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;

// The client installed in <dir>/bin with the Dice plugin in <dir>/bin/Plugins, started from
// <dir>/play on a settings file there that points it at the server.
struct InstalledClient {
    TempDir Dir;
    std::unique_ptr<PtySession> Session;

    InstalledClient(uint16_t port, bool withPlugin) {
        fs::create_directories(Dir.Path() / "bin" / "Plugins");
        fs::copy_file(TOLMIX_CLIENT_PATH, Dir.Path() / "bin" / "tolmix-client");
        if (withPlugin)
            fs::copy_file(TOLMIX_EXAMPLE_PLUGIN, Dir.Path() / "bin" / "Plugins" / "Dice.so");
        Dir.WriteFile("play/hero.tcf",
                      "Address=127.0.0.1\r\nPort=" + std::to_string(port) + "\r\nAutoSend=\r\n");
        SessionOptions options;
        options.program = (Dir.Path() / "bin" / "tolmix-client").string();
        options.workingDirectory = (Dir.Path() / "play").string();
        options.args = {"hero"};
        Session = std::make_unique<PtySession>(options);
    }
};

std::string Code(const std::string& text) {
    return "\x80\x80" + text + "\r\n";
}

TEST(PluginScenarios, ThePluginBesideTheProgramIsListedAndPlaysWithTheServer) {
    LoopbackServer server;
    InstalledClient client(server.Port(), true);
    PtySession& s = *client.Session;
    auto peer = server.Accept(Patience);
    ASSERT_TRUE(peer) << s.Dump();

    peer->Send(Code("gl"));
    // 0x80 0x80 "gl" name 0x80 details CR LF
    ASSERT_TRUE(peer->WaitForReceived("\x80\x80glDice\x80\xCA\xEE\xF1\xF2\xE8 1.0", Patience))
        << peer->Received() << s.Dump();

    peer->Send(Code("gsDice"));
    peer->Send(Code("gd" + EncodeBase64("throw")));
    // The roll goes back as game data, its text to the room on channel 3 or to the screen.
    ASSERT_TRUE(peer->WaitForReceived("\x80\x80gd" + EncodeBase64("roll ").substr(0, 4), Patience))
        << peer->Received() << s.Dump();
    // "Кубики катятся..." shown by the plugin on the client's screen.
    EXPECT_TRUE(s.WaitForText("Кубики катятся", Patience)) << s.Dump();
    EXPECT_TRUE(s.Running());
    ::kill(s.Pid(), SIGTERM);
    const auto status = s.WaitForExit(Patience);
    ASSERT_TRUE(status.has_value()) << s.Dump();
    EXPECT_EQ(*status, ExitStatus::Code(0));
}

TEST(PluginScenarios, WithoutPluginsTheListRequestGetsNoAnswer) {
    LoopbackServer server;
    InstalledClient client(server.Port(), false);
    PtySession& s = *client.Session;
    auto peer = server.Accept(Patience);
    ASSERT_TRUE(peer) << s.Dump();
    peer->Send(Code("gl"));
    peer->Send(Code("v"));
    ASSERT_TRUE(peer->WaitForReceived("\x80\x80v1.4\r\n", Patience)) << s.Dump();
    // Nothing answered the list request before the version.
    EXPECT_EQ(peer->Received().find("gl"), std::string::npos) << peer->Received();
}

// Rows of the screen that hold the text.
int RowsWith(const PtySession& s, const std::string& utf8) {
    int count = 0;
    for (int y = 0; y < s.Rows(); ++y)
        count += s.RowUtf8(y).find(utf8) != std::string::npos ? 1 : 0;
    return count;
}

// The server drops the link in the middle of a game: the game is over with it, and the next
// session's start is a new game, not the old one going on.
TEST(PluginScenarios, AGameEndsWithItsConnectionAndTheNextSessionStartsAfresh) {
    LoopbackServer server;
    InstalledClient client(server.Port(), true);
    PtySession& s = *client.Session;
    auto peer = server.Accept(Patience);
    ASSERT_TRUE(peer) << s.Dump();
    peer->Send(Code("gsDice"));
    ASSERT_TRUE(ShowsText(s, "Новая партия, счёт 0:0.", Patience));
    peer->Close();
    ASSERT_TRUE(ShowsText(s, "Партия окончена, счёт 0:0.", Patience));

    s.Send(keys::Enter); // the player reconnects
    auto again = server.Accept(Patience);
    ASSERT_TRUE(again) << s.Dump();
    again->Send(Code("gsDice"));
    EXPECT_TRUE(Eventually(
        s, [&] { return RowsWith(s, "Новая партия, счёт 0:0.") == 2; }, Patience,
        "a second new game"));
    EXPECT_TRUE(s.Running());
}

} // namespace
} // namespace tolmix::e2e
