#include "platform/posix/PosixNetwork.h"
#include "e2e/harness/LoopbackServer.h"
#include "net/PlainNetworkWait.h"
#include "net/TTCPBlockSocket.h"
#include "platform/HandleWatch.h"
#include "platform/SocketErrors.h"
#include "platform/posix/PosixEventLoop.h"
#include "posix/TinyProxy.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tolmix::posix {
namespace {

using namespace std::chrono_literals;
using e2e::LoopbackServer;

constexpr auto Wait = 5s;

TEST(PosixNetwork, SystemErrorsBecomeWinsockNumbers) {
    EXPECT_EQ(SocketErrorFromErrno(ECONNREFUSED), 10061);
    EXPECT_EQ(SocketErrorFromErrno(ETIMEDOUT), 10060);
    EXPECT_EQ(SocketErrorFromErrno(ECONNRESET), 10054);
    EXPECT_EQ(SocketErrorFromErrno(EPIPE), 10054);
    EXPECT_EQ(SocketErrorFromErrno(EHOSTUNREACH), 10065);
    EXPECT_EQ(SocketErrorFromErrno(ENETUNREACH), 10051);
    EXPECT_EQ(SocketErrorFromErrno(EADDRNOTAVAIL), 10049);
    EXPECT_EQ(SocketErrorFromErrno(EIO), EIO); // no Winsock counterpart
    EXPECT_EQ(SocketErrorFromResolver(EAI_NONAME, 0), 11001);
    EXPECT_EQ(SocketErrorFromResolver(EAI_AGAIN, 0), 11002);
    EXPECT_EQ(SocketErrorFromResolver(EAI_FAIL, 0), 11003);
    EXPECT_EQ(SocketErrorFromResolver(EAI_SYSTEM, EMFILE), 10024);
}

TEST(PosixNetwork, PortsAreNumbersOrTcpServices) {
    PosixNetwork net;
    EXPECT_EQ(net.ResolvePort("4000"), 4000);
    EXPECT_EQ(net.ResolvePort("telnet"), 23);
    EXPECT_EQ(net.ResolvePort("65536"), std::nullopt);
    EXPECT_EQ(net.ResolvePort("no-such-service"), std::nullopt);
    EXPECT_EQ(net.ResolvePort(""), std::nullopt);
    EXPECT_EQ(net.ResolvePort(std::string("23\0x", 4)), std::nullopt);
}

TEST(PosixNetwork, FailedConnectionsSayWhy) {
    PosixNetwork net;
    const std::string closedPort = std::to_string(test::TinyProxy::FreePort());
    auto socket = net.CreateSocket();
    EXPECT_EQ(socket->Connect("127.0.0.1", closedPort, 5s), 10061);
    EXPECT_FALSE(socket->Handle().Valid());
    EXPECT_EQ(net.CreateSocket()->Connect("", "4000", 5s), SocketError::HostNotFound);
    EXPECT_EQ(net.CreateSocket()->Connect("127.0.0.1", "no-such-service", 5s),
              SocketError::AddressNotAvailable);
    // The resolver would wrap these round to 42505 and 34463.
    EXPECT_EQ(net.CreateSocket()->StartConnect("127.0.0.1", "108041"),
              SocketError::InvalidArgument);
    EXPECT_EQ(net.CreateSocket()->StartConnect("127.0.0.1", "99999"), SocketError::InvalidArgument);
    // A name nobody can resolve: a resolver error, whichever the resolver reports here.
    const int32_t unknown = net.CreateSocket()->Connect("no-such-host.invalid", "4000", 5s);
    EXPECT_GE(unknown, 11001);
    EXPECT_LE(unknown, 11004);
}

TEST(PosixNetwork, AConnectionThatIsNeverAcceptedTimesOut) {
    // A listener with a full backlog drops further attempts, so they time out.
    const int listener = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    ASSERT_GE(listener, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
    ASSERT_EQ(::listen(listener, 0), 0);
    ASSERT_EQ(::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &length), 0);
    const std::string port = std::to_string(ntohs(address.sin_port));
    PosixNetwork net;
    std::vector<std::unique_ptr<StreamSocket>> filling;
    int32_t result = 0;
    for (int i = 0; i < 8 && result == 0; ++i) {
        filling.push_back(net.CreateSocket());
        result = filling.back()->Connect("127.0.0.1", port, 300ms);
    }
    ::close(listener);
    EXPECT_EQ(result, SocketError::TimedOut);
}

TEST(PosixNetwork, ALookupsEndRingsAHandleTheLoopSleepsOn) {
    PosixEventLoop loop;
    PosixNetwork net;
    const std::string closedPort = std::to_string(test::TinyProxy::FreePort());
    // The lookup runs on its own thread, so the attempt is in progress at first whatever the
    // name; a lookup of an address may end before the first look (which then starts the
    // connect, refused here): tried until one is caught still looking.
    std::unique_ptr<StreamSocket> socket;
    StreamSocket::ReadyWait wait;
    for (int attempt = 0; attempt < 50 && wait.For != Readiness::Read; ++attempt) {
        socket = net.CreateSocket();
        const int32_t started = socket->StartConnect("127.0.0.1", closedPort);
        ASSERT_TRUE(started == SocketError::InProgress || started == SocketError::ConnectionRefused)
            << started;
        wait = socket->ConnectWait();
    }
    ASSERT_EQ(wait.For, Readiness::Read);
    ASSERT_TRUE(wait.Handle.Valid());
    EXPECT_FALSE(socket->Handle().Valid());
    const HandleWatch watch(loop, wait.Handle, wait.For);
    const auto start = SteadyClock::now();
    loop.Wait(start + 5s);
    EXPECT_LT(SteadyClock::now() - start, 3s);
    // Rung: the lookup has ended, and the next look starts the connect.
    const int32_t next = socket->ConnectOutcome();
    EXPECT_TRUE(next == SocketError::InProgress || next == SocketError::ConnectionRefused) << next;
}

TEST(PosixNetwork, AConnectInProgressEndsAWritableWaitAfterItsLookup) {
    PosixEventLoop loop;
    PosixNetwork net;
    LoopbackServer server;
    auto socket = net.CreateSocket();
    int32_t outcome = socket->StartConnect("127.0.0.1", std::to_string(server.Port()));
    while (outcome == SocketError::InProgress && socket->ConnectWait().For == Readiness::Read) {
        const StreamSocket::ReadyWait lookup = socket->ConnectWait();
        const HandleWatch watch(loop, lookup.Handle, lookup.For);
        loop.Wait(SteadyClock::now() + 5s);
        outcome = socket->ConnectOutcome();
    }
    ASSERT_TRUE(outcome == SocketError::Ok || outcome == SocketError::InProgress) << outcome;
    EXPECT_EQ(socket->ConnectWait().Handle, socket->Handle());
    EXPECT_EQ(socket->ConnectWait().For, Readiness::Write);
    loop.WatchWritable(socket->Handle());
    const auto start = SteadyClock::now();
    loop.Wait(start + 5s);
    EXPECT_LT(SteadyClock::now() - start, 3s);
    outcome = socket->ConnectOutcome();
    for (int i = 0; i < 50 && outcome == SocketError::InProgress; ++i) {
        loop.Wait(SteadyClock::now() + 100ms);
        outcome = socket->ConnectOutcome();
    }
    EXPECT_EQ(outcome, SocketError::Ok);
    loop.UnwatchWritable(socket->Handle());
    EXPECT_TRUE(server.Accept(Wait).has_value());
}

TEST(PosixNetwork, ALookupGivenUpLeavesTheSocketFreeForAnotherAttempt) {
    PosixNetwork net;
    LoopbackServer server;
    auto socket = net.CreateSocket();
    ASSERT_EQ(socket->StartConnect("127.0.0.1", std::to_string(server.Port())),
              SocketError::InProgress);
    socket->Close();
    EXPECT_FALSE(socket->Handle().Valid());
    EXPECT_EQ(socket->Connect("127.0.0.1", std::to_string(server.Port()), Wait), SocketError::Ok);
    EXPECT_TRUE(server.Accept(Wait).has_value());
}

TEST(PosixStreamSocket, SendsReceivesAndSeesTheEnds) {
    LoopbackServer server;
    PosixNetwork net;
    auto socket = net.CreateSocket();
    ASSERT_EQ(socket->Connect("localhost", std::to_string(server.Port()), Wait), 0);
    EXPECT_TRUE(socket->Handle().Valid());
    auto peer = server.Accept(Wait);
    ASSERT_TRUE(peer);

    std::string into;
    EXPECT_EQ(socket->Receive(into, 100, 0ms), SocketError::TimedOut);
    // A receive that waits sees data that arrives meanwhile.
    peer->Post("hello");
    EXPECT_EQ(socket->Receive(into, 100, Wait), 0);
    EXPECT_EQ(into, "hello");

    const std::string bytes("\xFF\xFF\xEC\xE0\r\n\0", 7);
    EXPECT_EQ(socket->Send(bytes, Wait), 0);
    ASSERT_TRUE(peer->WaitForBytes(bytes.size(), Wait));
    EXPECT_EQ(peer->Take(), bytes);

    // At most `limit` bytes per call.
    ASSERT_TRUE(peer->Send("abcdef"));
    into.clear();
    EXPECT_EQ(socket->Receive(into, 4, Wait), 0);
    EXPECT_EQ(into, "abcd");

    socket->ShutdownSend();
    EXPECT_TRUE(peer->WaitForPeerClosed(Wait));
    peer->Close();
    into.clear();
    int32_t end = 0;
    for (int i = 0; i < 10 && end == 0; ++i)
        end = socket->Receive(into, 100, Wait);
    EXPECT_EQ(into, "ef");
    // The peer's orderly end, not a reset.
    EXPECT_EQ(end, SocketError::Disconnected);
}

TEST(PosixStreamSocket, AResetIsAConnectionReset) {
    LoopbackServer server;
    PosixNetwork net;
    auto socket = net.CreateSocket();
    ASSERT_EQ(socket->Connect("127.0.0.1", std::to_string(server.Port()), Wait), 0);
    auto peer = server.Accept(Wait);
    ASSERT_TRUE(peer);
    peer->Reset();
    std::string into;
    EXPECT_EQ(socket->Receive(into, 100, Wait), SocketError::ConnectionReset);
}

TEST(PosixNetwork, TheTransportWaitsPlainlyOnARealSocket) {
    LoopbackServer server;
    PosixNetwork net;
    PlainNetworkWait waits(net);
    SocketSettings settings;
    settings.AnyLineEnd = true;
    TTCPBlockSocket socket(net, waits, settings);
    socket.OpenConnection("127.0.0.1", std::to_string(server.Port()));
    ASSERT_EQ(socket.ErrorCode(), 0);
    auto peer = server.Accept(Wait);
    ASSERT_TRUE(peer);
    // A receive that may wait gives up with a time-out when nothing comes.
    EXPECT_EQ(socket.ReceiveLine(50), "");
    EXPECT_EQ(socket.ErrorCode(), SocketError::TimedOut);
    // The network's own wait ends when the line has come.
    peer->Post("hello\n");
    net.WaitReady(socket.Handle(), Readiness::Read, SteadyClock::now() + Wait);
    EXPECT_EQ(socket.ReceiveLine(0), "hello");
    EXPECT_EQ(socket.SendText("look\r\n"), 6u);
    EXPECT_TRUE(peer->WaitForReceived("look\r\n", Wait));
}

} // namespace
} // namespace tolmix::posix
