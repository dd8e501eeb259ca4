#include "net/TTCPBlockSocket.h"
#include "net/PlainNetworkWait.h"
#include "platform/SocketErrors.h"
#include "support/FakeNetwork.h"
#include "support/FakeNetworkWait.h"

#include <gtest/gtest.h>

#include <optional>
#include <vector>

namespace tolmix {
namespace {

using test::FakeNetwork;
using test::FakeNetworkWait;
using test::FakeStream;
using Purpose = NetworkWait::Purpose;

// The proxy of the tunnel tests.
SocketSettings Tunnelled(std::string host = "proxy.example", std::string port = "3128") {
    SocketSettings settings;
    settings.Proxy.Host = std::move(host);
    settings.Proxy.Port = std::move(port);
    return settings;
}

class TTCPBlockSocketTest : public ::testing::Test {
  protected:
    FakeNetwork Net;
    std::shared_ptr<FakeStream> Stream = Net.Prepare();
    PlainNetworkWait Plain{Net};
    // The socket under test, once made.
    std::optional<TTCPBlockSocket> Socket;

    // The server link's settings, or others.
    static SocketSettings Server(bool anyLineEnd = true, int32_t limit = 16384,
                                 bool promptLineEnd = false) {
        SocketSettings settings;
        settings.AnyLineEnd = anyLineEnd;
        settings.LineLimit = limit;
        settings.PromptLineEnd = promptLineEnd;
        return settings;
    }
    void Make(SocketSettings settings, NetworkWait& waits) {
        Socket.emplace(Net, waits, std::move(settings));
    }
    void Make(SocketSettings settings = Server()) { Make(std::move(settings), Plain); }
    void Connect() {
        Socket->OpenConnection("mud.example", "4000");
        ASSERT_EQ(Socket->ErrorCode(), 0);
    }
    void Open(SocketSettings settings = Server()) {
        Make(std::move(settings));
        Connect();
    }
    void Open(SocketSettings settings, NetworkWait& waits) {
        Make(std::move(settings), waits);
        Connect();
    }
    // Every line the socket hands out until it reports something other than success.
    std::vector<std::string> Drain() {
        std::vector<std::string> lines;
        for (int guard = 0; guard < 100000; ++guard) {
            std::string line = Socket->ReceiveLine(0);
            if (Socket->ErrorCode() != 0)
                break;
            lines.push_back(line);
        }
        return lines;
    }
    using Lines = std::vector<std::string>;
};

TEST_F(TTCPBlockSocketTest, ConnectsDirectlyAndReportsFailures) {
    Open();
    EXPECT_EQ(Stream->Host, "mud.example");
    EXPECT_EQ(Stream->Port, "4000");
    EXPECT_EQ(Socket->ErrorText(), "");
    EXPECT_TRUE(Socket->Handle().Valid());

    FakeNetwork net;
    net.Prepare()->ConnectResult = SocketError::ConnectionRefused;
    PlainNetworkWait plain(net);
    TTCPBlockSocket refused(net, plain);
    refused.OpenConnection("localhost", "4000");
    EXPECT_EQ(refused.ErrorCode(), 10061);
    EXPECT_EQ(refused.ErrorText(), "Connection refused");
}

TEST_F(TTCPBlockSocketTest, AConnectInProgressIsWaitedForUntilItEndsItsLimitOrTheKeys) {
    FakeNetworkWait waits;
    Stream->PendingConnectLooks = 3;
    Open(Server(), waits);
    ASSERT_EQ(waits.Calls.size(), 3u);
    for (const FakeNetworkWait::Call& call : waits.Calls) {
        EXPECT_EQ(call.For, Readiness::Write);
        EXPECT_EQ(call.Why, Purpose::Connect);
        EXPECT_EQ(call.Deadline, TimePoint{} + Milliseconds(30000));
        EXPECT_TRUE(call.Handle.Valid());
    }

    // A connect that never ends gives up at the limit, however the waits are cut.
    FakeNetwork net;
    auto hanging = net.Prepare();
    hanging->PendingConnectLooks = 1'000'000;
    FakeNetworkWait slow;
    slow.Step = Milliseconds(700);
    TTCPBlockSocket socket(net, slow);
    socket.OpenConnection("mud", "4000");
    EXPECT_EQ(socket.ErrorCode(), SocketError::TimedOut);
    EXPECT_EQ(slow.Clock, TimePoint{} + Milliseconds(30000));
    EXPECT_LE(slow.Calls.size(), 43u);
    EXPECT_TRUE(hanging->Closed);

    // The player calls it off.
    FakeNetwork net2;
    net2.Prepare()->PendingConnectLooks = 1'000'000;
    FakeNetworkWait keys;
    keys.OnWait = [&keys](const FakeNetworkWait::Call&) { return keys.Calls.size() < 4; };
    TTCPBlockSocket cancelled(net2, keys);
    cancelled.OpenConnection("mud", "4000");
    EXPECT_EQ(cancelled.ErrorCode(), SocketError::Interrupted);
    EXPECT_EQ(cancelled.ErrorText(), "Interrupted system call");
    EXPECT_EQ(keys.Calls.size(), 4u);
}

TEST_F(TTCPBlockSocketTest, ASlowLookupIsWaitedOnBesideTheKeysWithinTheConnectsLimit) {
    // The name server takes three waits, the connect three more: one limit for all.
    FakeNetworkWait waits;
    Stream->PendingLookupLooks = 3;
    Stream->PendingConnectLooks = 3;
    Open(Server(), waits);
    ASSERT_EQ(waits.Calls.size(), 6u);
    for (std::size_t i = 0; i < waits.Calls.size(); ++i) {
        const FakeNetworkWait::Call& call = waits.Calls[i];
        EXPECT_EQ(call.Why, Purpose::Connect);
        EXPECT_EQ(call.Deadline, TimePoint{} + Milliseconds(30000));
        // The lookup's end is read; the connect's end is the room to write.
        EXPECT_EQ(call.For, i < 3 ? Readiness::Read : Readiness::Write) << i;
        EXPECT_EQ(call.Handle, i < 3 ? PollHandle{1101} : PollHandle{101}) << i;
    }
    EXPECT_FALSE(Stream->LookupAbandoned);

    // A name server that never answers: the attempt ends at the limit, counted from the start.
    FakeNetwork net;
    auto hung = net.Prepare();
    hung->PendingLookupLooks = 1'000'000;
    FakeNetworkWait slow;
    slow.Step = Milliseconds(700);
    TTCPBlockSocket socket(net, slow);
    socket.OpenConnection("hung.example", "4000");
    EXPECT_EQ(socket.ErrorCode(), SocketError::TimedOut);
    EXPECT_EQ(slow.Clock, TimePoint{} + Milliseconds(30000));
    EXPECT_TRUE(hung->LookupAbandoned);
    EXPECT_FALSE(socket.Handle().Valid());

    // A lookup that takes 20 s leaves the connect the 10 s that remain.
    FakeNetwork net2;
    auto late = net2.Prepare();
    late->PendingLookupLooks = 20;
    late->PendingConnectLooks = 1'000'000;
    FakeNetworkWait second;
    TTCPBlockSocket lateSocket(net2, second);
    lateSocket.OpenConnection("slow.example", "4000");
    EXPECT_EQ(lateSocket.ErrorCode(), SocketError::TimedOut);
    EXPECT_EQ(second.Clock, TimePoint{} + Milliseconds(30000));
    EXPECT_EQ(second.Calls.size(), 30u);
    EXPECT_TRUE(late->Closed);
}

TEST_F(TTCPBlockSocketTest, TheKeysCallOffALookupAndItsLateAnswerConnectsNothing) {
    FakeNetworkWait keys;
    Stream->PendingLookupLooks = 1'000'000;
    keys.OnWait = [&keys](const FakeNetworkWait::Call&) { return keys.Calls.size() < 2; };
    Make(Server(), keys);
    Socket->OpenConnection("hung.example", "4000");
    EXPECT_EQ(Socket->ErrorCode(), SocketError::Interrupted);
    EXPECT_EQ(keys.Calls.size(), 2u);
    EXPECT_TRUE(Stream->LookupAbandoned);
    EXPECT_FALSE(Socket->Handle().Valid());

    // A lookup that failed is told as the resolver said, also after waiting for it.
    FakeNetwork net;
    auto unknown = net.Prepare();
    unknown->PendingLookupLooks = 2;
    unknown->LookupResult = SocketError::HostNotFound;
    FakeNetworkWait waits;
    TTCPBlockSocket socket(net, waits);
    socket.OpenConnection("nowhere.example", "4000");
    EXPECT_EQ(socket.ErrorCode(), SocketError::HostNotFound);
    EXPECT_EQ(waits.Calls.size(), 2u);
    EXPECT_FALSE(unknown->LookupAbandoned);

    // Through a proxy the proxy's name is the one looked up, under the same keys.
    FakeNetwork net2;
    auto proxy = net2.Prepare();
    proxy->PendingLookupLooks = 1'000'000;
    FakeNetworkWait escape;
    escape.OnWait = [](const FakeNetworkWait::Call&) { return false; };
    TTCPBlockSocket tunnelled(net2, escape, Tunnelled());
    tunnelled.OpenConnection("mud.example", "4000");
    EXPECT_EQ(tunnelled.ErrorCode(), SocketError::Interrupted);
    EXPECT_EQ(proxy->Host, "proxy.example");
    EXPECT_TRUE(proxy->LookupAbandoned);
}

TEST_F(TTCPBlockSocketTest, APortOutsideItsRangeIsAnErrorBeforeAnyAttempt) {
    for (const char* port : {"108041", "99999", "65536", "0", "00000000000000000000070000"}) {
        FakeNetwork net;
        auto stream = net.Prepare();
        PlainNetworkWait plain(net);
        TTCPBlockSocket socket(net, plain);
        socket.OpenConnection("mud", port);
        EXPECT_EQ(socket.ErrorCode(), SocketError::InvalidArgument) << port;
        EXPECT_EQ(socket.ErrorText(),
                  std::string("\xCF\xEE\xF0\xF2 ") + port +
                      " \xE2\xED\xE5 \xE4\xE8\xE0\xEF\xE0\xE7\xEE\xED\xE0 1-65535"); // Порт ... вне
                                                                                     // диапазона
        EXPECT_EQ(stream->Connects, 0) << port;
    }
    // The proxy's port too; numbers in range and service names are left to the resolver.
    FakeNetwork net;
    auto stream = net.Prepare();
    PlainNetworkWait plain(net);
    TTCPBlockSocket socket(net, plain, Tunnelled("proxy", "99999"));
    socket.OpenConnection("mud", "65535");
    EXPECT_EQ(socket.ErrorText(), "\xCF\xEE\xF0\xF2 "
                                  "99999"
                                  " \xE2\xED\xE5 \xE4\xE8\xE0\xEF\xE0\xE7\xEE\xED\xE0 1-65535");
    EXPECT_EQ(stream->Connects, 0);
    EXPECT_FALSE(PortOutOfRange("1"));
    EXPECT_FALSE(PortOutOfRange("65535"));
    EXPECT_FALSE(PortOutOfRange("telnet"));
    EXPECT_FALSE(PortOutOfRange("-5"));
}

TEST_F(TTCPBlockSocketTest, EveryKindOfLineEndEndsOneLine) {
    Open();
    Stream->Arrive("a\r\nb\n\rc\rd\ne\r\rf\n\ng");
    EXPECT_EQ(Drain(), (Lines{"a", "b", "c", "d", "e", "", "f", ""}));
    EXPECT_EQ(Socket->ErrorCode(), SocketError::TimedOut);
    EXPECT_EQ(Socket->ErrorText(), "Connection timed out");
    Stream->Arrive("\r\n");
    EXPECT_EQ(Drain(), (Lines{"g"}));
}

TEST_F(TTCPBlockSocketTest, AskingWhetherALineWaitsChangesNoLineHandedOut) {
    // As the link drains a burst: it asks (here twice) before every line after the first.
    const auto drainAsking = [this] {
        Lines lines;
        std::string line = Socket->ReceiveLine(0);
        while (Socket->ErrorCode() == 0) {
            lines.push_back(line);
            const bool waiting = Socket->HasCompleteLine();
            EXPECT_EQ(Socket->HasCompleteLine(), waiting);
            if (!waiting)
                break;
            line = Socket->ReceiveLine(0);
        }
        return lines;
    };
    Open();
    Stream->Arrive("a\r\nb\n\rc\rd\ne\r\rf\n\ng\n");
    EXPECT_EQ(drainAsking(), (Lines{"a", "b", "c", "d", "e", "", "f", "", "g"}));
    Stream->Arrive("\rh\r\ni");
    EXPECT_EQ(drainAsking(), (Lines{"h"}));
    EXPECT_EQ(Socket->UnfinishedLine(), "i");

    Stream = Net.Prepare();
    Open(Server(false));
    Stream->Arrive("a\rb\nc\r\nd\n\re\r");
    EXPECT_EQ(drainAsking(), (Lines{"a\rb\nc"}));
    EXPECT_EQ(Socket->UnfinishedLine(), "d\n\re\r");
    Stream->Arrive("\nf\r\n");
    EXPECT_EQ(drainAsking(), (Lines{"d\n\re", "f"}));
}

TEST_F(TTCPBlockSocketTest, APairSplitAcrossReadsIsOneLineEnd) {
    Open();
    Stream->Arrive("one\r");
    Stream->Arrive("\ntwo\n");
    Stream->Arrive("\rthree\r");
    Stream->Arrive("\rfour\r\n");
    EXPECT_EQ(Drain(), (Lines{"one", "two", "three", "", "four"}));

    // The pairing also holds when the second half comes only after a poll found nothing.
    Stream->Arrive("five\r");
    EXPECT_EQ(Drain(), (Lines{"five"}));
    Stream->Arrive("\n");
    EXPECT_EQ(Drain(), Lines{});
    Stream->Arrive("six\n");
    EXPECT_EQ(Drain(), (Lines{"six"}));
    // A pairing byte is dropped once only.
    Stream->Arrive("seven\r");
    EXPECT_EQ(Drain(), (Lines{"seven"}));
    Stream->Arrive("\n\n");
    EXPECT_EQ(Drain(), (Lines{""}));
}

TEST_F(TTCPBlockSocketTest, APromptWithoutLineEndWaitsForItsLineEnd) {
    Open();
    Stream->Arrive("Name: ");
    EXPECT_EQ(Socket->ReceiveLine(0), "");
    EXPECT_EQ(Socket->ErrorCode(), SocketError::TimedOut);
    EXPECT_FALSE(Socket->HasCompleteLine());
    Stream->Arrive("wait");
    EXPECT_EQ(Drain(), Lines{});
    Stream->Arrive("ing\r\nnext");
    EXPECT_EQ(Drain(), (Lines{"Name: waiting"}));
}

TEST_F(TTCPBlockSocketTest, GoAheadAndEndOfRecordEndAPromptWhenTheyAreOn) {
    Open(Server(true, 16384, true));
    Stream->Arrive("Login: \xFF\xF9HP:100> \xFF\xEFnext\r\n");
    EXPECT_EQ(Drain(), (Lines{"Login: ", "HP:100> ", "next"}));
    // A doubled IAC is a letter and a negotiation's option a number, even one that equals GA;
    // the other commands are read out of the line.
    Stream->Arrive("\xFF\xFF\xF9\xFF\xFB\xF9\xFF\xF1x\xFF\xF9");
    EXPECT_EQ(Drain(), (Lines{"\xFF\xF9x"}));
    // A CR or LF after a lone IAC or in place of an option still ends the line.
    Stream->Arrive("a\xFF\rb\xFF\xFB\nc\r\n");
    EXPECT_EQ(Drain(), (Lines{"a", "b", "c"}));
    // A prompt with nothing in it, or marked twice, ends no further line.
    Stream->Arrive("\xFF\xF9\xFF\xF9one\xFF\xF9\xFF\xEFtwo\r\n");
    EXPECT_EQ(Drain(), (Lines{"one", "two"}));
}

TEST_F(TTCPBlockSocketTest, ALineEndRightAfterAPromptIsThePromptsOwn) {
    Open(Server(true, 16384, true));
    Stream->Arrive("> \xFF\xF9\r\nYou see a tree.\r\n> \xFF\xEF\n\rnext\r\n");
    EXPECT_EQ(Drain(), (Lines{"> ", "You see a tree.", "> ", "next"}));
    // Also when the line end comes in later reads, byte by byte, after a negotiation.
    Stream->Arrive("HP> \xFF\xF9");
    EXPECT_EQ(Drain(), (Lines{"HP> "}));
    Stream->Arrive("\xFF\xFC\x01");
    Stream->Arrive("\r");
    EXPECT_EQ(Drain(), Lines{});
    Stream->Arrive("\n");
    Stream->Arrive("after\r\n");
    EXPECT_EQ(Drain(), (Lines{"after"}));
    // Only one line end goes: a second one is an empty line of the server's.
    Stream->Arrive("> \xFF\xF9\r\n\r\nx\r\n");
    EXPECT_EQ(Drain(), (Lines{"> ", "", "x"}));
}

TEST_F(TTCPBlockSocketTest, WithCrLfOnlyThePromptsLineEndIsCrLf) {
    Open(Server(false, 16384, true));
    Stream->Arrive("> \xFF\xF9\r");
    EXPECT_EQ(Drain(), (Lines{"> "}));
    Stream->Arrive("\nrest\r\n> \xFF\xF9\nlf stays\r\n");
    EXPECT_EQ(Drain(), (Lines{"rest", "> ", "\nlf stays"}));
}

TEST_F(TTCPBlockSocketTest, ACommandCutBetweenReadsIsReadWholeOnceItIsComplete) {
    Open(Server(true, 16384, true));
    Stream->Arrive("Name: \xFF");
    EXPECT_EQ(Drain(), Lines{});
    // The half command is the reader's, never the line's.
    EXPECT_EQ(Socket->UnfinishedLine(), "Name: ");
    Stream->Arrive("\xF9");
    Stream->Arrive("x\xFF\xFB");
    Stream->Arrive("\xF9\xFF");
    Stream->Arrive("\xEF");
    EXPECT_EQ(Drain(), (Lines{"Name: ", "x"}));
    EXPECT_EQ(Socket->UnfinishedLine(), "");
}

TEST_F(TTCPBlockSocketTest, WithoutPromptLineEndsGoAheadEndsNothing) {
    Open();
    Stream->Arrive("Name: \xFF\xF9\r\n");
    EXPECT_EQ(Drain(), (Lines{"Name: "}));
}

// Keeps the negotiations the socket's reader reports.
struct Negotiations final : TelnetEvents {
    std::string Seen;
    void Negotiation(uint8_t command, uint8_t option) override {
        Seen += static_cast<char>(command);
        Seen += static_cast<char>(option);
    }
    void Subnegotiation(uint8_t option, std::string_view payload, bool) override {
        Seen += "SB" + std::to_string(option) + ":" + std::string(payload) + ";";
    }
};

TEST_F(TTCPBlockSocketTest, TelnetCommandsGoToTheListenerAsTheyAreReadAndNeverIntoTheText) {
    Negotiations seen;
    Socket.emplace(Net, Plain, Server(true, 16384, true), seen);
    Connect();
    Stream->Arrive("a\xFF\xFD\x18"
                   "b\xFF\xFA\x18\x01\xFF\xF0"
                   "c\xFF\xFA\xC9"
                   "Char.Vitals {\"hp\":100}\xFF\xF0Line B\r\n");
    EXPECT_EQ(Drain(), (Lines{"abcLine B"}));
    EXPECT_EQ(seen.Seen, "\xFD\x18SB24:\x01;SB201:Char.Vitals {\"hp\":100};");
    // A negotiation in an unfinished line is reported at once, before its line ends.
    Stream->Arrive("Password: \xFF\xFB\x01");
    EXPECT_EQ(Drain(), Lines{});
    EXPECT_EQ(seen.Seen.substr(seen.Seen.size() - 2), "\xFB\x01");
    EXPECT_EQ(Socket->UnfinishedLine(), "Password: ");
}
TEST_F(TTCPBlockSocketTest, TheUnfinishedLineIsWhatFollowsTheLastLineEnd) {
    Open();
    Stream->Arrive("one\r");
    EXPECT_EQ(Socket->ReceiveLine(0), "one");
    EXPECT_EQ(Socket->UnfinishedLine(), "");
    // The LF that completes the CR is no part of the next line.
    Stream->Arrive("\nPass");
    EXPECT_EQ(Socket->ReceiveLine(0), "");
    EXPECT_EQ(Socket->UnfinishedLine(), "Pass");
    Stream->Arrive("word: ");
    Socket->ReceiveLine(0);
    EXPECT_EQ(Socket->UnfinishedLine(), "Password: ");
    Stream->Arrive("\nmore");
    EXPECT_EQ(Socket->ReceiveLine(0), "Password: ");
    EXPECT_EQ(Socket->UnfinishedLine(), "more");
    // While a complete line waits there is none.
    Stream->Arrive("\nnext\nlast");
    EXPECT_EQ(Socket->ReceiveLine(0), "more");
    EXPECT_EQ(Socket->UnfinishedLine(), "");
    EXPECT_EQ(Socket->ReceiveLine(0), "next");
    EXPECT_EQ(Socket->UnfinishedLine(), "last");
}

TEST_F(TTCPBlockSocketTest, OnlyCrLfEndsALineUnlessAnyLineEndIsOn) {
    Open(Server(false));
    Stream->Arrive("a\rb\nc\n\rd\r");
    Stream->Arrive("\ne\r\n");
    EXPECT_EQ(Drain(), (Lines{"a\rb\nc\n\rd", "e"}));
}

TEST_F(TTCPBlockSocketTest, ThePeerClosingOrResettingEndsReadingAndAPartialLineIsNeverHandedOut) {
    struct Case {
        int32_t End;
        const char* Text;
    };
    for (const Case c : {Case{SocketError::Disconnected, "Disconnect"},
                         Case{SocketError::ConnectionReset, "Connection reset by peer"}}) {
        if (c.End != SocketError::Disconnected)
            Stream = Net.Prepare();
        Open();
        Stream->Arrive("last\r\npartial");
        Stream->ReceiveError = c.End;
        EXPECT_EQ(Socket->ReceiveLine(0), "last");
        EXPECT_EQ(Socket->ReceiveLine(0), "");
        EXPECT_EQ(Socket->ErrorCode(), c.End);
        EXPECT_EQ(Socket->ErrorText(), c.Text);
        EXPECT_EQ(Socket->ReceiveLine(0), "");
        EXPECT_EQ(Socket->ErrorCode(), c.End);
    }
}

TEST_F(TTCPBlockSocketTest, CompleteLinesAreHandedOutFromTheBufferBeforeReadingAgain) {
    Open();
    Stream->Arrive("1\n2\n3");
    Stream->Arrive("\n");
    EXPECT_EQ(Socket->ReceiveLine(0), "1");
    EXPECT_TRUE(Socket->HasCompleteLine());
    EXPECT_EQ(Socket->ReceiveLine(0), "2");
    // The unfinished "3" is all that is buffered; its line end is still in the socket.
    EXPECT_FALSE(Socket->HasCompleteLine());
    EXPECT_EQ(Stream->ReceiveTimeouts.size(), 1u);
    EXPECT_EQ(Socket->ReceiveLine(0), "3");
    EXPECT_EQ(Stream->ReceiveTimeouts.size(), 2u);
    EXPECT_EQ(Stream->ReceiveTimeouts[0], Milliseconds(0));
}

TEST_F(TTCPBlockSocketTest, ABurstOfShortLinesBeyondTheLimitIsNoOverflow) {
    Open();
    std::string burst;
    int count = 0;
    while (burst.size() < 60000) {
        burst += "short line number " + std::to_string(count++) + "\r\n";
    }
    Stream->Arrive(burst);
    const Lines lines = Drain();
    EXPECT_EQ(Socket->ErrorCode(), SocketError::TimedOut);
    ASSERT_EQ(lines.size(), static_cast<std::size_t>(count));
    EXPECT_EQ(lines.back(), "short line number " + std::to_string(count - 1));
}

TEST_F(TTCPBlockSocketTest, ALineLongerThanTheLimitComesInPiecesAndTheConnectionStays) {
    Open();
    Stream->Arrive("ok\r\n" + std::string(16384, 'x'));
    EXPECT_EQ(Socket->ReceiveLine(0), "ok");
    EXPECT_EQ(Socket->ReceiveLine(0), "");
    EXPECT_EQ(Socket->ErrorCode(), SocketError::TimedOut); // exactly the limit still waits
    Stream->Arrive("y");
    EXPECT_EQ(Socket->ReceiveLine(0), std::string(16384, 'x'));
    EXPECT_EQ(Socket->ErrorCode(), 0);
    EXPECT_EQ(Socket->UnfinishedLine(), "y");
    // A complete line of 20,000 bytes: a full piece, then the rest with the line end.
    Stream->Arrive("\n" + std::string(20000, 'z') + "\nafter\n");
    EXPECT_EQ(Drain(),
              (Lines{"y", std::string(16384, 'z'), std::string(20000 - 16384, 'z'), "after"}));
}

TEST_F(TTCPBlockSocketTest, APieceEndsBeforeAnEscapeSequenceOrAUtf8CharacterItWouldCut) {
    Open(Server(true, 100));
    // An escape sequence that would straddle the cut goes whole into the next piece.
    Stream->Arrive(std::string(95, 'a') + "\x1B[1;32mgreen\n");
    EXPECT_EQ(Drain(), (Lines{std::string(95, 'a'), "\x1B[1;32mgreen"}));
    // One that ends before the cut stays.
    Stream->Arrive(std::string(90, 'b') + "\x1B[0m" + std::string(20, 'c') + "\n");
    EXPECT_EQ(Drain(), (Lines{std::string(90, 'b') + "\x1B[0m" + std::string(6, 'c'),
                              std::string(14, 'c')}));
    // A two-byte letter of UTF-8 at the cut: its first byte begins the next piece.
    Stream->Arrive(std::string(99, 'd') + "\xD0\x9F" + "\n");
    EXPECT_EQ(Drain(), (Lines{std::string(99, 'd'), "\xD0\x9F"}));
}

TEST_F(TTCPBlockSocketTest, WithoutALimitLinesStillStopAtTheCeiling) {
    Open(Server(true, 0));
    Stream->Arrive(std::string(100000, 'z') + "\n");
    EXPECT_EQ(Socket->ReceiveLine(0).size(), 100000u);
    const std::string block(TTCPBlockSocket::ReadChunk, 'w');
    std::size_t fed = 0;
    std::string piece;
    for (int guard = 0; guard < 1000 && piece.empty(); ++guard) {
        Stream->Arrive(block);
        fed += block.size();
        piece = Socket->ReceiveLine(0);
    }
    EXPECT_EQ(Socket->ErrorCode(), 0);
    EXPECT_EQ(piece.size(), TTCPBlockSocket::MaxLine);
    EXPECT_GT(fed, TTCPBlockSocket::MaxLine);
    EXPECT_LE(fed, TTCPBlockSocket::MaxLine + block.size());
}

TEST_F(TTCPBlockSocketTest, SendsTheBytesAsTheyAreAndReportsTheResult) {
    Make();
    EXPECT_EQ(Socket->SendText("early"), 0u);
    EXPECT_EQ(Socket->ErrorCode(), SocketError::NotASocket);
    Connect();
    const std::string bytes("\xFF\xFE\x01\0x\r\n", 7);
    EXPECT_EQ(Socket->SendText(bytes), 7u);
    EXPECT_EQ(Socket->ErrorCode(), 0);
    EXPECT_EQ(Stream->Sent, bytes);
    Stream->SendResult = SocketError::ConnectionReset;
    EXPECT_EQ(Socket->SendText("more"), 0u);
    EXPECT_EQ(Socket->ErrorCode(), 10054);
}

TEST_F(TTCPBlockSocketTest, ASendThePeerDoesNotTakeEndsAtItsLimitAndLeavesNothingToGlueOn) {
    FakeNetworkWait waits;
    Open(Server(), waits);
    Stream->SendRoom = 10;
    EXPECT_EQ(Socket->SendText(std::string(100, 'y')), 0u);
    EXPECT_EQ(Socket->ErrorCode(), SocketError::TimedOut);
    EXPECT_EQ(waits.Clock, TimePoint{} + Milliseconds(30000));
    ASSERT_FALSE(waits.Calls.empty());
    EXPECT_EQ(waits.Calls.back().Why, Purpose::Send);
    EXPECT_EQ(waits.Calls.back().For, Readiness::Write);
    // The cut text stays cut: the sending direction is shut, so the next command never
    // follows it on the wire.
    EXPECT_TRUE(Stream->ShutDown);
    Stream->SendRoom = std::string::npos;
    EXPECT_EQ(Socket->SendText("next\r\n"), 0u);
    EXPECT_EQ(Stream->Sent, std::string(10, 'y'));
}

TEST_F(TTCPBlockSocketTest, ASlowPeerGetsEveryByteAndTheKeysCanCallTheSendOff) {
    FakeNetworkWait waits;
    Open(Server(), waits);
    // The peer reads 10 bytes at every wait.
    Stream->SendRoom = 10;
    waits.OnWait = [this](const FakeNetworkWait::Call&) {
        Stream->SendRoom += 10;
        return true;
    };
    const std::string text(95, 'z');
    EXPECT_EQ(Socket->SendText(text), text.size());
    EXPECT_EQ(Socket->ErrorCode(), 0);
    EXPECT_EQ(Stream->Sent, text);
    EXPECT_EQ(waits.Calls.size(), 9u);

    waits.OnWait = [](const FakeNetworkWait::Call&) { return false; };
    Stream->SendRoom = 0;
    EXPECT_EQ(Socket->SendText("more"), 0u);
    EXPECT_EQ(Socket->ErrorCode(), SocketError::Interrupted);
    EXPECT_TRUE(Stream->ShutDown);
}

TEST_F(TTCPBlockSocketTest, ClosingShutsDownReadsAwayAndClears) {
    Open();
    Stream->Arrive("unread 1");
    Stream->Arrive("unread 2");
    Socket->CloseConnection();
    EXPECT_TRUE(Stream->ShutDown);
    EXPECT_TRUE(Stream->Closed);
    EXPECT_TRUE(Stream->Incoming.empty());
    EXPECT_EQ(Socket->ErrorCode(), 0);
    EXPECT_FALSE(Socket->Handle().Valid());
    Socket->ReceiveLine(0);
    EXPECT_EQ(Socket->ErrorCode(), SocketError::NotASocket);
}

class TunnelTest : public TTCPBlockSocketTest {
  protected:
    // The server link's settings with the proxy.
    static SocketSettings ServerThroughProxy() {
        SocketSettings settings = Server();
        settings.Proxy = Tunnelled().Proxy;
        return settings;
    }
    void Reply(std::string bytes) { Stream->Arrive(std::move(bytes)); }
};

TEST_F(TunnelTest, ConnectsToTheProxyAndAsksForTheTargetByNumber) {
    SocketSettings settings = ServerThroughProxy();
    settings.Proxy.UserName = "alice";
    settings.Proxy.Password = "s3cret";
    Make(settings);
    Reply("HTTP/1.0 200 Connection established\r\nProxy-agent: x\r\n\r\n");
    Socket->OpenConnection("mud.example", "telnet");
    EXPECT_EQ(Socket->ErrorCode(), 0);
    EXPECT_EQ(Stream->Host, "proxy.example");
    EXPECT_EQ(Stream->Port, "3128");
    EXPECT_EQ(Stream->Sent, "CONNECT mud.example:23 HTTP/1.0\r\n"
                            "Proxy-Authorization: Basic YWxpY2U6czNjcmV0\r\n\r\n");
}

TEST_F(TunnelTest, AProxyTricklingItsReplyIsCutAtTheLimitOfTheWholeExchange) {
    FakeNetworkWait waits;
    Make(ServerThroughProxy(), waits);
    // One byte of a never-ending header arrives at every wait, each wait a second.
    Reply("HTTP/1.0 200 OK\r\n");
    waits.OnWait = [this](const FakeNetworkWait::Call& call) {
        EXPECT_EQ(call.For, Readiness::Read);
        EXPECT_EQ(call.Why, Purpose::Connect);
        Reply("x");
        return true;
    };
    Socket->OpenConnection("mud.example", "4000");
    EXPECT_EQ(Socket->ErrorCode(), SocketError::TimedOut);
    EXPECT_EQ(waits.Clock, TimePoint{} + Milliseconds(30000));
    EXPECT_EQ(waits.Calls.size(), 30u);

    // F10 or Escape while the proxy is silent.
    FakeNetwork net;
    net.Prepare();
    FakeNetworkWait keys;
    keys.OnWait = [](const FakeNetworkWait::Call&) { return false; };
    TTCPBlockSocket socket(net, keys, Tunnelled("proxy"));
    socket.OpenConnection("mud", "4000");
    EXPECT_EQ(socket.ErrorCode(), SocketError::Interrupted);
    EXPECT_EQ(keys.Calls.size(), 1u);
}

TEST_F(TunnelTest, WhatFollowsTheBlankLineIsTheServersFirstData) {
    Reply("HTTP/1.1 200 OK\n\nWelcome\r\nName: ");
    Reply("Bob\r\n");
    Make(ServerThroughProxy());
    Socket->OpenConnection("mud.example", "4000");
    ASSERT_EQ(Socket->ErrorCode(), 0);
    EXPECT_TRUE(Socket->HasCompleteLine());
    EXPECT_EQ(Drain(), (Lines{"Welcome", "Name: Bob"}));
}

TEST_F(TunnelTest, ARefusalOrAReplyWithoutStatusIsTheNetworkSubsystemError) {
    for (const std::string reply :
         {"HTTP/1.1 407 Proxy Authentication Required\r\nProxy-Authenticate: Basic\r\n\r\n",
          "SSH-2.0-OpenSSH_9.2\r\n\r\n", "\r\n", "HTTP/1.0 503\r\n\r\n"}) {
        FakeNetwork net;
        net.Prepare()->Arrive(reply);
        PlainNetworkWait plain(net);
        TTCPBlockSocket socket(net, plain, Tunnelled("proxy"));
        socket.OpenConnection("mud", "4000");
        EXPECT_EQ(socket.ErrorCode(), 10091) << reply;
        EXPECT_EQ(socket.ErrorText(), "Network subsystem is unusable");
    }
}

TEST_F(TunnelTest, AProxyThatFailsOrClosesReportsItsOwnError) {
    Stream->ConnectResult = SocketError::ConnectionRefused;
    Make(ServerThroughProxy());
    Socket->OpenConnection("mud", "4000");
    EXPECT_EQ(Socket->ErrorCode(), 10061);
    EXPECT_TRUE(Stream->Sent.empty());

    FakeNetwork net;
    auto closing = net.Prepare();
    closing->Arrive("HTTP/1.0 200 OK\r\n");
    // A proxy hanging up before its reply's end is no orderly end of the game's connection.
    closing->ReceiveError = SocketError::Disconnected;
    PlainNetworkWait plain(net);
    TTCPBlockSocket socket(net, plain, Tunnelled("proxy"));
    socket.OpenConnection("mud", "4000");
    EXPECT_EQ(socket.ErrorCode(), 10054);

    FakeNetwork silentNet;
    silentNet.Prepare(); // accepts and never answers
    FakeNetworkWait waits;
    TTCPBlockSocket silent(silentNet, waits, Tunnelled("proxy"));
    silent.OpenConnection("mud", "4000");
    EXPECT_EQ(silent.ErrorCode(), SocketError::TimedOut);
}

TEST_F(TunnelTest, AnEndlessReplyIsCutOff) {
    // Header lines that never end, and a line that never ends, both stop at the bound.
    for (bool withLineEnds : {true, false}) {
        FakeNetwork net;
        auto stream = net.Prepare();
        stream->Arrive("HTTP/1.0 200 OK\r\n");
        const std::string junk =
            withLineEnds ? std::string(1000, 'j') + "\r\n" : std::string(1000, 'j');
        for (std::size_t sent = 0; sent <= TTCPBlockSocket::MaxTunnelReply * 2; sent += junk.size())
            stream->Arrive(junk);
        PlainNetworkWait plain(net);
        TTCPBlockSocket socket(net, plain, Tunnelled("proxy"));
        socket.OpenConnection("mud", "4000");
        EXPECT_EQ(socket.ErrorCode(), 10091) << withLineEnds;
        EXPECT_FALSE(stream->Incoming.empty()) << withLineEnds;
    }
}

TEST_F(TunnelTest, AnUnknownServiceGoesToThePortZero) {
    Reply("HTTP/1.0 400 Bad\r\n\r\n");
    Make(ServerThroughProxy());
    Socket->OpenConnection("2001:db8::7", "no-such-service");
    EXPECT_EQ(Stream->Sent, "CONNECT [2001:db8::7]:0 HTTP/1.0\r\n\r\n");
    EXPECT_EQ(Socket->ErrorCode(), 10091);
}

} // namespace
} // namespace tolmix
