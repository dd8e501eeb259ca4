// A plugin that never returns, or ends the process itself, in the real client: the player can
// still end the program with F10, SIGTERM or SIGHUP, and the terminal is put back every time.
// The plugin says what it is about to do as game data first, so the test acts only once the
// plugin holds the client.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/LoopbackServer.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"
#include "util/Base64.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

namespace tolmix::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;
// The watchdog's own waits (half a second stuck, a second's grace) and the process's exit fit
// well within this; it is a bound for a loaded machine, not a figure measured.
constexpr auto EndBound = 8000ms;

std::string Code(const std::string& text) {
    return "\x80\x80" + text + "\r\n";
}

// The client installed with the misbehaving plugin beside it, connected to a loopback server,
// the plugin's game started.
class HangingPlugin : public ::testing::Test {
  protected:
    TempDir Dir;
    LoopbackServer Server;
    std::unique_ptr<PtySession> Client;
    std::optional<LoopbackServer::Peer> Peer;

    void SetUp() override {
        fs::create_directories(Dir.Path() / "bin" / "Plugins");
        fs::copy_file(TOLMIX_CLIENT_PATH, Dir.Path() / "bin" / "tolmix-client");
        fs::copy_file(fs::path(TOLMIX_TEST_PLUGIN_DIR) / "rogue.so",
                      Dir.Path() / "bin" / "Plugins" / "Rogue.so");
        std::ofstream(Dir.Path() / "bin" / "Plugins" / "Broken.so").close(); // 0 bytes
        Dir.WriteFile("play/hero.tcf", "Address=127.0.0.1\r\nPort=" +
                                           std::to_string(Server.Port()) + "\r\nAutoSend=\r\n");
        SessionOptions options;
        options.program = (Dir.Path() / "bin" / "tolmix-client").string();
        options.workingDirectory = (Dir.Path() / "play").string();
        options.home = (Dir.Path() / "home").string();
        options.args = {"hero"};
        Client = std::make_unique<PtySession>(options);
        Peer = Server.Accept(Patience);
        ASSERT_TRUE(Peer) << Client->Dump();
        Peer->Send(Code("gsRogue"));
    }

    // Sends the plugin a command and waits for its word that it has begun.
    ::testing::AssertionResult Make(const std::string& command, const std::string& word) {
        Peer->Send(Code("gd" + EncodeBase64(command)));
        if (Peer->WaitForReceived("\x80\x80gd" + EncodeBase64(word), Patience))
            return ::testing::AssertionSuccess();
        return ::testing::AssertionFailure() << "the plugin did not begin " << command << "\n"
                                             << Peer->Received() << Client->Dump();
    }

    ::testing::AssertionResult EndsRestored(int code) {
        ::testing::AssertionResult exited = ExitsWith(*Client, code, EndBound);
        if (!exited)
            return exited;
        ::testing::AssertionResult tty = TtyRestored(*Client);
        if (!tty)
            return tty;
        if (Client->LastPrivateMode(1049) != false)
            return ::testing::AssertionFailure() << "the alternate screen is still on";
        return ::testing::AssertionSuccess();
    }

    std::string Diagnostics() const {
        std::ifstream file(Dir.Path() / "home" / ".local" / "state" / "tolmix-client" /
                           "diagnostics.log");
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }
};

TEST_F(HangingPlugin, SigtermEndsTheClientWhileThePluginSleeps) {
    ASSERT_TRUE(Make("sleep", "sleeping"));
    ::kill(Client->Pid(), SIGTERM);
    EXPECT_TRUE(EndsRestored(0));
}

TEST_F(HangingPlugin, F10EndsTheClientWhileThePluginSpins) {
    ASSERT_TRUE(Make("spin", "spinning"));
    Client->Send(keys::F10);
    EXPECT_TRUE(EndsRestored(0));
}

TEST_F(HangingPlugin, SighupEndsTheClientWhileThePluginRunsTheLoopForEverThatStillTakesKeys) {
    ASSERT_TRUE(Make("idle-forever", "idling"));
    // The loop still runs inside the plugin: the screen answers keys meanwhile.
    Client->Send("abc");
    ASSERT_TRUE(ShowsText(*Client, "abc", Patience));
    ::kill(Client->Pid(), SIGHUP);
    EXPECT_TRUE(EndsRestored(0));
}

TEST_F(HangingPlugin, F10EndsTheClientWhileThePluginRunsTheLoopForEver) {
    ASSERT_TRUE(Make("idle-forever", "idling"));
    Client->Send(keys::F10);
    EXPECT_TRUE(EndsRestored(0));
}

TEST_F(HangingPlugin, APluginThatCallsExitLeavesTheTerminalRestored) {
    ASSERT_TRUE(Make("exit:3", "exiting"));
    EXPECT_TRUE(EndsRestored(3));
}

// What a plugin prints goes to the diagnostics file, never onto the game's screen; so does the
// line about the plugin file that would not load.
TEST_F(HangingPlugin, WhatAPluginPrintsNeverReachesTheScreen) {
    ASSERT_TRUE(Make("print:PLUGIN-WAS-HERE", "printed"));
    Client->Send(keys::F10);
    ASSERT_TRUE(EndsRestored(0));
    EXPECT_EQ(Client->Output().find("PLUGIN-WAS-HERE"), std::string::npos);
    EXPECT_NE(Diagnostics().find("PLUGIN-WAS-HERE\n"), std::string::npos) << Diagnostics();
    EXPECT_NE(Diagnostics().find("tolmix-client: plugin Broken.so left out: "), std::string::npos)
        << Diagnostics();
}

} // namespace
} // namespace tolmix::e2e
