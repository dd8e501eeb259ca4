// The server link over real sockets on 127.0.0.1, against well-behaved and hostile servers.
#include "e2e/harness/LoopbackServer.h"
#include "net/ConnectionMessages.h"
#include "net/PlainNetworkWait.h"
#include "net/ServerLink.h"
#include "platform/posix/PosixEventLoop.h"
#include "platform/posix/PosixNetwork.h"
#include "support/RecordingLinkHost.h"

#include <gtest/gtest.h>

#include <optional>
#include <random>

namespace tolmix::posix {
namespace {

using namespace std::chrono_literals;
using e2e::LoopbackServer;
using Lines = std::vector<std::string>;

constexpr auto Wait = 10s;

class ServerLinkLoopbackTest : public ::testing::Test {
  protected:
    LoopbackServer Server;
    PosixNetwork Net;
    PosixEventLoop Loop;
    tolmix::test::RecordingLinkHost Host;
    PlainNetworkWait Waits{Net};
    std::optional<ServerLink> Link;
    std::optional<LoopbackServer::Peer> Peer;

    // Makes the link to `address` on the server's port.
    void Aim(std::string address, std::string autoSend = "") {
        Link.emplace(Host, Host, Waits, Net, Loop,
                     LinkSettings{.Address = std::move(address),
                                  .Port = std::to_string(Server.Port()),
                                  .AutoSend = std::move(autoSend)});
    }
    void Connect(std::string autoSend = "") {
        Aim(LoopbackServer::Host(), std::move(autoSend));
        Link->ConnectToServer();
        ASSERT_TRUE(Link->Connected());
        Peer = Server.Accept(Wait);
        ASSERT_TRUE(Peer);
        Host.Printed.clear();
    }
    // Runs the input loop's part of the link: wait for the socket (bounded), then poll while
    // it has lines, until `done` holds, the link drops, or the bounds run out.
    template <typename Done> bool Pump(Done done, int maxPasses = 100000) {
        const TimePoint giveUp = SteadyClock::now() + Wait;
        for (int pass = 0; pass < maxPasses && SteadyClock::now() < giveUp; ++pass) {
            if (done())
                return true;
            if (!Link->Connected())
                return done();
            Loop.Wait(SteadyClock::now() + 200ms);
            while (Link->PollSocket()) {
            }
        }
        return done();
    }
    bool PrintedAtLeast(std::size_t n) {
        return Pump([&] { return Host.Printed.size() >= n; });
    }
};

TEST_F(ServerLinkLoopbackTest, LinesAndAutoSendCrossTheWireExactly) {
    Connect("0|2");
    ASSERT_TRUE(Peer->WaitForReceived("0\r\n2\r\n", Wait));
    Peer->Take();
    ASSERT_TRUE(Peer->Send("one\r"));
    ASSERT_TRUE(PrintedAtLeast(1));
    ASSERT_TRUE(Peer->Send("\ntwo\n\r\x1B[1;31mred\xFF\xFB\x01\r\n"));
    ASSERT_TRUE(PrintedAtLeast(3));
    EXPECT_EQ(Host.Printed, (Lines{"one", "two", "\x89red"}));
    Link->SendLine("\xEF\xAC\xA0", true);
    const std::string expected("\xFF\xFE\x01\xFF\xFF\xEC\xE0\r\n");
    ASSERT_TRUE(Peer->WaitForBytes(expected.size(), Wait));
    EXPECT_EQ(Peer->Take(), expected);
}

TEST_F(ServerLinkLoopbackTest, ThePollerSleepsInTheLoopUntilDataArrives) {
    Connect();
    // A far timer: if the socket were not watched, the wait would last until it.
    Loop.SetTimer(60'000, [] {});
    Peer->Post("hello\r\n");
    Loop.Wait(std::nullopt);
    Message message;
    EXPECT_FALSE(Loop.TakeMessage(message));
    Link->PollSocket();
    EXPECT_EQ(Host.Printed, Lines{"hello"});
}

TEST_F(ServerLinkLoopbackTest, AManyLineBurstIsHandledLineByLine) {
    Connect();
    std::string burst;
    const int count = 20000;
    for (int i = 0; i < count; ++i)
        burst += "\x1B[32mline " + std::to_string(i) + " of a long room description\r\n";
    ASSERT_GT(burst.size(), 16384u * 10);
    Peer->Post(burst);
    ASSERT_TRUE(PrintedAtLeast(count));
    EXPECT_TRUE(Link->Connected());
    EXPECT_EQ(Host.Printed.back(), "\x82line 19999 of a long room description");
}

TEST_F(ServerLinkLoopbackTest, AMegabyteWithoutLineEndComesInPiecesAndTheConnectionStays) {
    Connect();
    Peer->Post("before\r\n" + std::string(1 << 20, 'A') + "\r\nafter\r\n");
    ASSERT_TRUE(Pump([&] { return !Host.Printed.empty() && Host.Printed.back() == "after"; }));
    EXPECT_TRUE(Link->Connected());
    ASSERT_EQ(Host.Printed.size(), 1u + 64u + 1u);
    for (std::size_t i = 1; i <= 64; ++i)
        EXPECT_EQ(Host.Printed[i], std::string(16384, 'A')) << i;
}

TEST_F(ServerLinkLoopbackTest, AServerThatClosesMidLineIsReportedAsClosedAfterItsHalfLine) {
    Connect();
    ASSERT_TRUE(Peer->Send("complete\r\nhalf a li"));
    Peer->Close();
    Pump([&] { return !Link->Connected(); });
    EXPECT_EQ(Host.Printed,
              (Lines{"complete", "half a li", ServerClosedLine, "", ReconnectPrompt}));
}

TEST_F(ServerLinkLoopbackTest, AServerThatResetsTheConnectionIsAnError) {
    Connect();
    ASSERT_TRUE(Peer->Send("complete\r\n"));
    ASSERT_TRUE(Pump([&] { return !Host.Printed.empty(); }));
    Peer->Reset();
    Pump([&] { return !Link->Connected(); });
    EXPECT_EQ(Host.Printed, (Lines{"complete", SocketErrorLine("Connection reset by peer"), "",
                                   ReconnectPrompt}));
}

TEST_F(ServerLinkLoopbackTest, AServerThatNeverSendsLeavesTheClientResponsive) {
    Connect();
    // Bounded passes of the loop, each returning (no poll blocks), and still connected.
    for (int pass = 0; pass < 5; ++pass) {
        Loop.Wait(SteadyClock::now() + 20ms);
        EXPECT_FALSE(Link->PollSocket());
    }
    EXPECT_TRUE(Link->Connected());
    EXPECT_TRUE(Host.Printed.empty());
    Link->Disconnect();
    EXPECT_TRUE(Peer->WaitForPeerClosed(Wait));
}

TEST_F(ServerLinkLoopbackTest, HundredThousandRandomLinesNeitherCrashNorHang) {
    Connect();
    std::mt19937 random(20240607);
    std::uniform_int_distribution<int> length(0, 120);
    std::uniform_int_distribution<int> byte(0, 255);
    std::string stream;
    const int count = 100000;
    for (int i = 0; i < count; ++i) {
        const int n = length(random);
        for (int k = 0; k < n; ++k) {
            int b = byte(random);
            // Line ends are placed by the test, so the count of lines is known: no CR, no LF,
            // no GA or EOR that an IAC before them would make a prompt's end, and no SB that
            // would take the lines after it into a sub-negotiation.
            if (b == '\r' || b == '\n' || b == 0xF9 || b == 0xEF || b == 0xFA)
                b = 0x1B;
            stream += static_cast<char>(b);
        }
        stream += "\r\n";
    }
    Peer->Post(stream);
    ASSERT_TRUE(
        Pump([&] { return Host.Printed.size() >= static_cast<std::size_t>(count); }, 1000000));
    EXPECT_EQ(Host.Printed.size(), static_cast<std::size_t>(count));
    EXPECT_TRUE(Link->Connected());
    // What went out are telnet answers, each whole, and nothing else.
    Link->Disconnect();
    ASSERT_TRUE(Peer->WaitForPeerClosed(Wait));
    const std::string answers = Peer->Received();
    EXPECT_FALSE(answers.empty());
    for (std::size_t i = 0; i < answers.size();) {
        ASSERT_EQ(static_cast<uint8_t>(answers[i]), 0xFF) << i;
        ASSERT_LT(i + 2, answers.size());
        const auto command = static_cast<uint8_t>(answers[i + 1]);
        if (command == 0xFA) {
            const std::size_t end = answers.find("\xFF\xF0", i + 3);
            ASSERT_NE(end, std::string::npos) << i;
            i = end + 2;
        } else {
            EXPECT_GE(command, 0xFB) << i;
            i += 3;
        }
    }
}

TEST_F(ServerLinkLoopbackTest, ARefusedConnectionShowsTheRefusal) {
    Server.StopListening();
    Aim("127.0.0.1");
    Link->ConnectToServer();
    EXPECT_FALSE(Link->Connected());
    EXPECT_EQ(Host.Printed,
              (Lines{"", ConnectingLine("127.0.0.1", std::to_string(Server.Port())), "",
                     SocketErrorLine("Connection refused"), "", ReconnectPrompt}));
    EXPECT_TRUE(Loop.WatchedHandles().empty());
}

} // namespace
} // namespace tolmix::posix
