// The HTTP CONNECT tunnel through a real proxy (tinyproxy) and through proxies that misbehave.
#include "e2e/harness/LoopbackServer.h"
#include "net/ConnectionMessages.h"
#include "net/PlainNetworkWait.h"
#include "net/ServerLink.h"
#include "platform/posix/PosixEventLoop.h"
#include "platform/posix/PosixNetwork.h"
#include "posix/TinyProxy.h"
#include "support/RecordingLinkHost.h"

#include <gtest/gtest.h>

#include <optional>

namespace tolmix::posix {
namespace {

using namespace std::chrono_literals;
using e2e::LoopbackServer;
using test::TinyProxy;

constexpr auto Wait = 10s;

class ProxyTunnelTest : public ::testing::Test {
  protected:
    LoopbackServer Server;
    PosixNetwork Net;
    PosixEventLoop Loop;
    tolmix::test::RecordingLinkHost Host;
    PlainNetworkWait Waits{Net};
    std::optional<ServerLink> Link;

    // Makes the link to the server through the proxy on `proxyPort`.
    void Aim(uint16_t proxyPort, std::string user = "", std::string password = "") {
        Link.emplace(Host, Host, Waits, Net, Loop,
                     LinkSettings{.Address = "127.0.0.1",
                                  .Port = std::to_string(Server.Port()),
                                  .Proxy = {"127.0.0.1", std::to_string(proxyPort), std::move(user),
                                            std::move(password)},
                                  .AutoSend = "0|2"});
    }
    // The error line ConnectToServer printed, or nothing.
    std::string ErrorLine() const {
        return Host.Printed.size() == 6 ? Host.Printed[3] : std::string("(no error line)");
    }
    // Receives until a line arrives or the bounds run out.
    bool ReceiveOneLine() {
        for (int pass = 0; pass < 100 && Link->Connected(); ++pass) {
            const std::size_t before = Host.Printed.size();
            Loop.Wait(SteadyClock::now() + 100ms);
            Link->PollSocket();
            if (Host.Printed.size() > before)
                return true;
        }
        return false;
    }
};

#define REQUIRE_PROXY(proxy)                                                                       \
    if (!(proxy).Problem().empty())                                                                \
    GTEST_SKIP() << (proxy).Problem()

TEST_F(ProxyTunnelTest, ATunnelWithoutAuthorisationCarriesTheGameBothWays) {
    TinyProxy proxy;
    REQUIRE_PROXY(proxy);
    Server.SetScript({{"", "Welcome through the proxy\r\n"}});
    Aim(proxy.Port());
    Link->ConnectToServer();
    ASSERT_TRUE(Link->Connected()) << ErrorLine();
    auto peer = Server.Accept(Wait);
    ASSERT_TRUE(peer);
    EXPECT_TRUE(peer->WaitForReceived("0\r\n2\r\n", Wait));
    ASSERT_TRUE(ReceiveOneLine());
    EXPECT_EQ(Host.Printed.back(), "Welcome through the proxy");
}

TEST_F(ProxyTunnelTest, BasicAuthorisationOpensTheTunnelAndAWrongPasswordDoesNot) {
    TinyProxy proxy("player", "pa55word");
    REQUIRE_PROXY(proxy);
    Aim(proxy.Port(), "player", "pa55word");
    Link->ConnectToServer();
    EXPECT_TRUE(Link->Connected()) << ErrorLine();
    ASSERT_TRUE(Server.Accept(Wait));
    Link->Disconnect();

    for (auto [user, password] : {std::pair<std::string, std::string>{"player", "wrong"},
                                  {"", "pa55word"},
                                  {"nobody", "pa55word"}}) {
        Host.Printed.clear();
        Aim(proxy.Port(), user, password);
        Link->ConnectToServer();
        EXPECT_FALSE(Link->Connected()) << user << ":" << password;
        EXPECT_EQ(ErrorLine(), SocketErrorLine("Network subsystem is unusable"))
            << user << ":" << password;
    }
}

TEST_F(ProxyTunnelTest, ATargetTheProxyCannotReachIsARefusedTunnel) {
    TinyProxy proxy;
    REQUIRE_PROXY(proxy);
    Aim(proxy.Port());
    Server.StopListening();
    Link->ConnectToServer();
    EXPECT_FALSE(Link->Connected());
    EXPECT_EQ(ErrorLine(), SocketErrorLine("Network subsystem is unusable"));
}

TEST_F(ProxyTunnelTest, AProxyThatIsNotListeningIsARefusedConnection) {
    Aim(TinyProxy::FreePort());
    Link->ConnectToServer();
    EXPECT_FALSE(Link->Connected());
    EXPECT_EQ(ErrorLine(), SocketErrorLine("Connection refused"));
    EXPECT_EQ(Server.ConnectionCount(), 0u);
}

TEST_F(ProxyTunnelTest, AProxyAnsweringGarbageOrClosingAtOnceOpensNoTunnel) {
    LoopbackServer garbage;
    garbage.SetScript({{"\r\n\r\n", "SSH-2.0-OpenSSH_9.2\r\n\x01\x02\xFF\xFF junk\r\n\r\n"}});
    Aim(garbage.Port());
    Link->ConnectToServer();
    EXPECT_FALSE(Link->Connected());
    EXPECT_EQ(ErrorLine(), SocketErrorLine("Network subsystem is unusable"));
    auto asked = garbage.Accept(Wait);
    ASSERT_TRUE(asked);
    EXPECT_EQ(asked->Received().substr(0, 8), "CONNECT ");

    LoopbackServer closing;
    closing.SetScript({{"", "", true}});
    Host.Printed.clear();
    Aim(closing.Port());
    Link->ConnectToServer();
    EXPECT_FALSE(Link->Connected());
    EXPECT_EQ(ErrorLine(), SocketErrorLine("Connection reset by peer"));

    // A status line without its blank line, then the end: the end is what is reported.
    LoopbackServer halfReply;
    halfReply.SetScript({{"\r\n\r\n", "HTTP/1.0 200 OK\r\n", true}});
    Host.Printed.clear();
    Aim(halfReply.Port());
    Link->ConnectToServer();
    EXPECT_FALSE(Link->Connected());
    EXPECT_EQ(ErrorLine(), SocketErrorLine("Connection reset by peer"));
}

TEST_F(ProxyTunnelTest, DataRightAfterTheProxysReplyIsTheFirstLine) {
    LoopbackServer fakeProxy;
    fakeProxy.SetScript(
        {{"\r\n\r\n", "HTTP/1.1 200 Connection established\r\n\r\nGreeting in one packet\r\n"}});
    Aim(fakeProxy.Port());
    Link->ConnectToServer();
    ASSERT_TRUE(Link->Connected()) << ErrorLine();
    ASSERT_TRUE(ReceiveOneLine());
    EXPECT_EQ(Host.Printed.back(), "Greeting in one packet");
    auto peer = fakeProxy.Accept(Wait);
    ASSERT_TRUE(peer);
    ASSERT_TRUE(peer->WaitForReceived("0\r\n2\r\n", Wait));
    EXPECT_EQ(peer->Received(),
              "CONNECT 127.0.0.1:" + std::to_string(Server.Port()) + " HTTP/1.0\r\n\r\n0\r\n2\r\n");
}

} // namespace
} // namespace tolmix::posix
