// The real client in a pseudo-terminal, connecting to its game through a real HTTP proxy
// (tinyproxy) as the settings name it.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/GameSession.h"
#include "e2e/harness/TextColour.h"
#include "posix/TinyProxy.h"

#include <gtest/gtest.h>

namespace tolmix::posix {
namespace {

using namespace std::chrono_literals;
using e2e::GameSession;
using e2e::PtySession;
using test::TinyProxy;

constexpr auto Patience = 10000ms;

std::string ProxySettings(const TinyProxy& proxy, const std::string& user,
                          const std::string& password) {
    return "AutoSend=hero|\r\nProxyAddr=127.0.0.1\r\nProxyPort=" + std::to_string(proxy.Port()) +
           "\r\nProxyUserName=" + user + "\r\nProxyPassword=" + password + "\r\n";
}

TEST(ClientThroughProxy, TheGameCrossesAnAuthorisedTunnelBothWays) {
    TinyProxy proxy("hero", "s3cret");
    if (!proxy.Problem().empty())
        GTEST_SKIP() << proxy.Problem();
    GameSession game(ProxySettings(proxy, "hero", "s3cret"));
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Connect(Patience)) << s.Dump();
    ASSERT_TRUE(game.WaitForWire("hero\r\n\r\n", Patience)) << e2e::Printable(game.Wire());
    ASSERT_TRUE(game.Peer().Send("\x1b[1;36mthrough the tunnel\r\n\x80\x80v\r\n"));
    ASSERT_TRUE(e2e::ShowsText(s, "through the tunnel", Patience));
    EXPECT_TRUE(e2e::ShownInColour(s, "through the tunnel", 0x0B));
    ASSERT_TRUE(game.WaitForWire("\x80\x80v1.4\r\n", Patience)) << e2e::Printable(game.Wire());
    EXPECT_EQ(game.Wire(), "hero\r\n\r\n\x80\x80v1.4\r\n");
    // The connecting line names the game server, not the proxy.
    EXPECT_TRUE(
        e2e::ShowsText(s, "Подключение к 127.0.0.1:" + std::to_string(game.Server().Port()), 0ms));
    EXPECT_FALSE(s.ScreenContains("Ошибка")) << s.Dump();
}

TEST(ClientThroughProxy, AWrongPasswordEndsInTheReconnectPrompt) {
    TinyProxy proxy("hero", "s3cret");
    if (!proxy.Problem().empty())
        GTEST_SKIP() << proxy.Problem();
    GameSession game(ProxySettings(proxy, "hero", "wrong"));
    PtySession& s = game.Client();
    ASSERT_TRUE(e2e::ShowsText(s, "Ошибка: Network subsystem is unusable", Patience));
    ASSERT_TRUE(e2e::ShowsText(s, "Нажмите Enter для повторного подключения", Patience));
    EXPECT_EQ(game.Server().ConnectionCount(), 0u);
    EXPECT_TRUE(s.Running());
}

} // namespace
} // namespace tolmix::posix
