#include "net/ServerLink.h"
#include "net/ConnectionMessages.h"
#include "platform/SocketErrors.h"
#include "support/FakeEventLoop.h"
#include "support/FakeNetwork.h"
#include "support/FakeNetworkWait.h"
#include "support/RecordingLinkHost.h"

#include <gtest/gtest.h>

#include <new>

#include <functional>
#include <optional>
#include <stdexcept>

namespace tolmix {
namespace {

using namespace std::string_literals;
using test::FakeStream;

using RecordingHost = test::RecordingLinkHost;

class ServerLinkTest : public ::testing::Test {
  protected:
    test::FakeNetwork Net;
    test::FakeEventLoop Loop;
    RecordingHost Host;
    test::FakeNetworkWait Waits;
    // The server most tests talk to, and nothing sent first.
    static LinkSettings Mud(std::string autoSend = "") {
        return {.Address = "mud.example", .Port = "4000", .AutoSend = std::move(autoSend)};
    }
    ServerLink Link{Host, Host, Waits, Net, Loop, Mud()};
    std::shared_ptr<FakeStream> Stream = Net.Prepare();

    void SetUp() override {
        Loop.HandleReady = [this](PollHandle h) { return Net.Ready(h); };
    }
    void Connect() {
        Link.ConnectToServer();
        ASSERT_TRUE(Link.Connected());
        Host.Printed.clear();
        Stream->Sent.clear();
    }
    // Polls as the input loop does while it says more lines are ready; the number of polls.
    int PollWhileBusy() { return PollWhileBusyOn(Link); }
    static int PollWhileBusyOn(ServerLink& link) {
        int polls = 1;
        while (link.PollSocket() && polls < 1000)
            ++polls;
        return polls;
    }
    // Lets `span` pass on the loop's clock with nothing arriving, running the timers that fall
    // due on the way.
    void Pass(Milliseconds span) {
        const TimePoint until = Loop.Now() + span;
        Message message;
        for (int guard = 0; guard < 1000; ++guard) {
            while (Loop.TakeMessage(message))
                Loop.Dispatch(message);
            if (Loop.Now() >= until)
                break;
            Loop.Wait(until);
        }
    }
};

using Lines = std::vector<std::string>;

TEST_F(ServerLinkTest, ARefusedConnectionPrintsItsLinesInOrderAndLeavesTheClientUnconnected) {
    Stream->ConnectResult = SocketError::ConnectionRefused;
    Link.ConnectToServer();
    EXPECT_FALSE(Link.Connected());
    EXPECT_EQ(Host.Printed, (Lines{"", ConnectingLine("mud.example", "4000"), "",
                                   SocketErrorLine("Connection refused"), "", ReconnectPrompt}));
    EXPECT_TRUE(Stream->Closed);
    EXPECT_TRUE(Loop.WatchedHandles().empty());
}

TEST_F(ServerLinkTest, MessagesCarryTheirColourBytes) {
    EXPECT_EQ(ConnectingLine("h", "23"),
              "\x8C\xCF\xEE\xE4\xEA\xEB\xFE\xF7\xE5\xED\xE8\xE5 \xEA \x86h:23\x87");
    EXPECT_EQ(SocketErrorLine("Host not found"),
              "\x8F\xCE\xF8\xE8\xE1\xEA\xE0: \x89Host not found\x87");
    EXPECT_EQ(ReconnectPrompt.substr(0, 17), "\x87\xCD\xE0\xE6\xEC\xE8\xF2\xE5 \x8B"
                                             "Enter\x87 ");
    EXPECT_NE(ReconnectPrompt.find("\x8B"
                                   "F10\x87 "),
              std::string::npos);
    EXPECT_EQ(ReconnectPrompt.back(), '.');
}

TEST_F(ServerLinkTest, ConnectingUsesTheSettingsAndSendsAutoSendAsLines) {
    ServerLink link(Host, Host, Waits, Net, Loop, Mud("0|2"));
    link.ConnectToServer();
    ASSERT_TRUE(link.Connected());
    EXPECT_EQ(Stream->Host, "mud.example");
    EXPECT_EQ(Stream->Port, "4000");
    EXPECT_EQ(Stream->Sent, "0\r\n2\r\n");
    EXPECT_EQ(Host.Printed, (Lines{"", ConnectingLine("mud.example", "4000"), ""}));

    // A connection that exists is kept.
    link.ConnectToServer();
    EXPECT_EQ(Net.Streams.size(), 1u);
}

TEST_F(ServerLinkTest, TheServersLinesEndAtAnyLineEndAndAtTheLimit) {
    Connect();
    // A lone LF or CR ends a line, as does LF CR.
    Stream->Arrive("one\ntwo\rthree\n\rfour\r\n");
    PollWhileBusy();
    EXPECT_EQ(Host.Printed, (Lines{"one", "two", "three", "four"}));
    // 16384 bytes without a line end wait for more; one more byte prints them as a piece,
    // and the connection stays.
    Stream->Arrive(std::string(16384, 'x'));
    PollWhileBusy();
    EXPECT_EQ(Host.Printed.size(), 4u);
    Stream->Arrive("y\r\n");
    PollWhileBusy();
    EXPECT_TRUE(Link.Connected());
    EXPECT_EQ(Host.Printed, (Lines{"one", "two", "three", "four", std::string(16384, 'x'), "y"}));
}

TEST_F(ServerLinkTest, AutoSendIsConvertedAndATrailingBarSendsAnEmptyLine) {
    // Console "я" (0xEF) is 0xFF on the wire, doubled.
    ServerLink link(Host, Host, Waits, Net, Loop, Mud("\xEF|"));
    link.ConnectToServer();
    EXPECT_EQ(Stream->Sent, "\xFF\xFF\r\n\r\n");
}

TEST_F(ServerLinkTest, TheProxySettingsReachTheTunnel) {
    LinkSettings settings = Mud();
    settings.Proxy = {"proxy.example", "3128", "alice", "s3cret"};
    ServerLink tunnelled(Host, Host, Waits, Net, Loop, settings);
    Stream->Arrive("HTTP/1.0 200 OK\r\n\r\n");
    tunnelled.ConnectToServer();
    ASSERT_TRUE(tunnelled.Connected());
    EXPECT_EQ(Stream->Host, "proxy.example");
    EXPECT_EQ(Stream->Port, "3128");
    EXPECT_EQ(Stream->Sent, "CONNECT mud.example:4000 HTTP/1.0\r\n"
                            "Proxy-Authorization: Basic YWxpY2U6czNjcmV0\r\n\r\n");

    test::FakeNetwork net;
    net.Prepare()->Arrive("HTTP/1.1 407 Proxy Authentication Required\r\n\r\n");
    RecordingHost host;
    ServerLink link(host, host, Waits, net, Loop,
                    {.Address = "mud", .Port = "4000", .Proxy = {.Host = "proxy", .Port = "8080"}});
    link.ConnectToServer();
    EXPECT_FALSE(link.Connected());
    ASSERT_EQ(host.Printed.size(), 6u);
    EXPECT_EQ(host.Printed[3], SocketErrorLine("Network subsystem is unusable"));
}

TEST_F(ServerLinkTest, EachPollHandlesOneLineAndSaysWhenAnotherIsWaiting) {
    Connect();
    Stream->Arrive("one\r\ntwo\r\nthr");
    EXPECT_TRUE(Link.PollSocket());
    EXPECT_EQ(Host.Printed, Lines{"one"});
    EXPECT_FALSE(Link.PollSocket());
    EXPECT_EQ(Host.Printed, (Lines{"one", "two"}));
    // The partial line is not shown, and a poll without a whole line does nothing.
    EXPECT_FALSE(Link.PollSocket());
    EXPECT_EQ(Host.Printed.size(), 2u);
    EXPECT_TRUE(Link.Connected());
    Stream->Arrive("ee\n");
    EXPECT_EQ(PollWhileBusy(), 1);
    EXPECT_EQ(Host.Printed.back(), "three");
}

TEST_F(ServerLinkTest, ReceivedLinesAreDecodedAndTelnetRequestsAnswered) {
    Connect();
    Stream->Arrive("\xFF\xFB\x01Name\r\n\x1B[1;31mX\xFF\xFD\x03\xFF\xFD\xC9\r\n");
    PollWhileBusy();
    EXPECT_EQ(Host.Printed, (Lines{"Name", "\x89X"}));
    // ECHO refused as ever; SGA accepted; GMCP refused.
    EXPECT_EQ(Stream->Sent, "\xFF\xFE\x01\xFF\xFB\x03\xFF\xFC\xC9");
}

TEST_F(ServerLinkTest, GoAheadAndEndOfRecordEndAPromptAtOnce) {
    Connect();
    Stream->Arrive("Password: \xFF\xF9");
    EXPECT_FALSE(Link.PollSocket());
    Stream->Arrive("\x1B[32mHP:100 MV:50> \xFF\xEF\x80\x80l7\xFF\xF9");
    PollWhileBusy();
    // The prompt ended by EOR carries its colour; a code may end with GA like any line end.
    EXPECT_EQ(Host.Printed, (Lines{"Password: ", "\x82HP:100 MV:50> ", "\x80\x80l7"}));
    EXPECT_EQ(Host.TextLines, (Lines{"Password: ", "\x82HP:100 MV:50> "}));
    EXPECT_FALSE(Host.Unfinished);
    // A line end right after the go-ahead is the prompt's: no empty line follows it.
    Stream->Arrive("> \xFF\xF9\r\nYou see a tree.\r\n");
    PollWhileBusy();
    EXPECT_EQ(Host.Printed[Host.Printed.size() - 2], "> ");
    EXPECT_EQ(Host.Printed.back(), "You see a tree.");
}

TEST_F(ServerLinkTest, AnUnfinishedLineIsShownOnceNothingMoreCameAndReplacedByTheWholeLine) {
    Connect();
    Stream->Arrive("Login: ");
    EXPECT_FALSE(Link.PollSocket());
    Pass(Milliseconds(149));
    EXPECT_FALSE(Host.Unfinished);
    Pass(Milliseconds(1));
    EXPECT_EQ(Host.Unfinished, "Login: ");
    EXPECT_TRUE(Host.Printed.empty());
    // Shown once: the wait does not come round again.
    Pass(Milliseconds(1000));
    EXPECT_EQ(Host.UnfinishedShown, Lines{"Login: "});

    // Its line end takes it off the screen and prints the whole line, once.
    Stream->Arrive("\r\nWelcome\r\n");
    PollWhileBusy();
    EXPECT_FALSE(Host.Unfinished);
    EXPECT_EQ(Host.Printed, (Lines{"Login: ", "Welcome"}));
}

TEST_F(ServerLinkTest, EachArrivalStartsTheWaitAgainAndTheLatestTextIsShown) {
    Connect();
    Stream->Arrive("HP:1");
    Link.PollSocket();
    Pass(Milliseconds(100));
    Stream->Arrive("00> \x1B[31m");
    Link.PollSocket();
    Pass(Milliseconds(100));
    EXPECT_FALSE(Host.Unfinished);
    Pass(Milliseconds(50));
    EXPECT_EQ(Host.Unfinished, "HP:100> \x81");
    // More of the same line replaces what is shown, after its own wait.
    Stream->Arrive("!");
    Link.PollSocket();
    Pass(Milliseconds(150));
    EXPECT_EQ(Host.UnfinishedShown, (Lines{"HP:100> \x81", "HP:100> \x81!"}));
    // A complete line in the same read as the rest of another unfinished one.
    Stream->Arrive("\nnext> ");
    PollWhileBusy();
    EXPECT_EQ(Host.Printed, Lines{"HP:100> \x81!"});
    EXPECT_FALSE(Host.Unfinished);
    Pass(Milliseconds(150));
    EXPECT_EQ(Host.Unfinished, "next> ");
}

TEST_F(ServerLinkTest, TheWaitForAnUnfinishedLineIsATimerOfTheLoop) {
    Connect();
    // Nothing buffered: nothing to wait for.
    TimePoint start = Loop.Now();
    Loop.Wait(std::nullopt);
    EXPECT_EQ(Loop.Now(), start);
    Stream->Arrive("Name: ");
    Link.PollSocket();
    start = Loop.Now();
    Loop.Wait(std::nullopt);
    EXPECT_EQ(Loop.Now() - start, Milliseconds(ServerLink::UnfinishedLineWait));
    Pass(Milliseconds(0));
    EXPECT_EQ(Host.Unfinished, "Name: ");
    // Once shown, the loop sleeps until something happens.
    start = Loop.Now();
    Loop.Wait(std::nullopt);
    EXPECT_EQ(Loop.Now(), start);
}

TEST_F(ServerLinkTest, AnUnfinishedLineThatMayBeAServerCodeIsNeverShown) {
    Connect();
    for (const char* start : {"\x80", "\x10", "\x80\x80", "\x80\x10l1", "\xFF\xFB\x01\x80\x80n"}) {
        Stream->Arrive(start);
        Link.PollSocket();
        Pass(Milliseconds(500));
        EXPECT_TRUE(Host.UnfinishedShown.empty()) << start;
        Stream->Arrive("\r\n");
        PollWhileBusy();
    }
    // One marker and something else can no longer become a code; nor can ANSI black.
    Stream->Arrive("\x80Hi");
    Link.PollSocket();
    Pass(Milliseconds(150));
    EXPECT_EQ(Host.Unfinished, "\x80Hi");
    Stream->Arrive("\n\x1B[30;40m\x1B[40m");
    PollWhileBusy();
    Pass(Milliseconds(150));
    EXPECT_EQ(Host.Unfinished, "\x80\x80");
}

TEST_F(ServerLinkTest, TelnetNegotiationsAreAnsweredAsTheyArriveAndOnlyOnce) {
    Connect();
    Stream->Arrive("Password: \xFF\xFB\x01");
    EXPECT_FALSE(Link.PollSocket());
    EXPECT_EQ(Stream->Sent, "\xFF\xFE\x01");
    EXPECT_EQ(Host.EchoChanges, std::vector<bool>{true});
    // A negotiation cut between reads is answered when it is whole.
    Stream->Arrive("x\xFF");
    Link.PollSocket();
    Stream->Arrive("\xFB");
    Link.PollSocket();
    EXPECT_EQ(Stream->Sent, "\xFF\xFE\x01");
    Stream->Arrive("\x03");
    Link.PollSocket();
    EXPECT_EQ(Stream->Sent, "\xFF\xFE\x01\xFF\xFD\x03");
    // The line's end answers nothing twice; what came with it is answered then.
    Stream->Arrive("\xFF\xFB\x18\xFF\xFB\x03\r\n");
    PollWhileBusy();
    EXPECT_EQ(Host.Printed, Lines{"Password: x"});
    EXPECT_EQ(Stream->Sent, "\xFF\xFE\x01\xFF\xFD\x03\xFF\xFE\x18");
    // A refused offer made again is refused again; WONT ECHO gives the echo back and, as the
    // echo was never agreed, gets no answer.
    Stream->Arrive("\xFF\xFB\x01\xFF\xFC\x01");
    Link.PollSocket();
    EXPECT_EQ(Stream->Sent, "\xFF\xFE\x01\xFF\xFD\x03\xFF\xFE\x18\xFF\xFE\x01");
    EXPECT_EQ(Host.EchoChanges, (std::vector<bool>{true, true, false}));
}

TEST_F(ServerLinkTest, ANewConnectionAnswersFromTheStartAndEchoesItself) {
    Connect();
    Stream->Arrive("Password: \xFF\xFB\x01");
    Link.PollSocket();
    Pass(Milliseconds(150));
    ASSERT_TRUE(Host.Unfinished);
    Stream->ReceiveError = SocketError::ConnectionReset;
    Link.PollSocket();
    EXPECT_FALSE(Link.Connected());
    // The unfinished line goes; the error and the prompt follow what was printed.
    EXPECT_FALSE(Host.Unfinished);
    EXPECT_EQ(Host.Printed.back(), ReconnectPrompt);
    EXPECT_EQ(Host.EchoChanges, std::vector<bool>{true});
    EXPECT_EQ(Host.EchoLost, 1);

    auto next = Net.Prepare();
    Link.ConnectToServer();
    next->Arrive("\xFF\xFB\x01\r\n");
    PollWhileBusy();
    EXPECT_EQ(next->Sent, "\xFF\xFE\x01");
}

TEST_F(ServerLinkTest, ACommandSentAfterAPromptWithoutLineEndEndsThePromptsLine) {
    Connect();
    Stream->Arrive("Login: ");
    Link.PollSocket();
    Pass(Milliseconds(150));
    // The client's codes leave it alone; the player's command ends it, as text.
    Link.SendVersion();
    EXPECT_TRUE(Host.Printed.empty());
    Link.SendLine("hero", true);
    EXPECT_EQ(Host.TextLines, Lines{"Login: "});
    EXPECT_FALSE(Host.Unfinished);
    EXPECT_EQ(Stream->Sends.back(), "hero\r\n");
    // Not glued to what the server sends next.
    Stream->Arrive("Password: \xFF\xFB\x01");
    Link.PollSocket();
    // While the server echoes, it ends the line itself.
    Link.SendLine("secret", true);
    EXPECT_EQ(Host.Printed, Lines{"Login: "});
    Stream->Arrive("\xFF\xFC\x01\r\nWelcome\r\n");
    PollWhileBusy();
    EXPECT_EQ(Host.Printed, (Lines{"Login: ", "Password: ", "Welcome"}));
    // A line that may be a code is not cut; nor is a complete one waiting to be handled.
    Stream->Arrive("\x80\x80l1");
    Link.PollSocket();
    Link.SendLine("look", true);
    Stream->Arrive("2\r\n");
    PollWhileBusy();
    EXPECT_EQ(Host.Printed.back(), "\x80\x80l12");
    EXPECT_EQ(Host.TextLines.back(), "Welcome");
    // A negotiation still missing its option waits for it.
    Stream->Arrive("Name: \xFF\xFB");
    Link.PollSocket();
    Link.SendLine("hero", true);
    EXPECT_EQ(Host.Printed.back(), "Name: ");
    Stream->Arrive("\x18ok\r\n");
    PollWhileBusy();
    EXPECT_EQ(Host.Printed.back(), "ok");
    EXPECT_EQ(Stream->Sent.substr(Stream->Sent.size() - 3), "\xFF\xFE\x18");
}

TEST_F(ServerLinkTest, ColourBytesMadeFromAnsiNeverFrameAServerCode) {
    Connect();
    Stream->Arrive("\x1B[30;40m\x1B[40mh35/120\r\n"
                   "\x1B[30;40m\x1B[0;30;40mct\r\n"
                   "\x80\x1B[30;40mnMallory\r\n"
                   "\x80\x80h35/120\r\n"
                   "\x10\x80x1/2\r\n");
    PollWhileBusy();
    EXPECT_EQ(Host.Printed, (Lines{"\x80\x80h35/120", "\x80\x80\x63t", "\x80\x80nMallory",
                                   "\x80\x80h35/120", "\x10\x80x1/2"}));
    // Only the last two, whose markers came as bytes, may be codes.
    EXPECT_EQ(Host.TextLines, (Lines{"\x80\x80h35/120", "\x80\x80\x63t", "\x80\x80nMallory"}));
}

TEST_F(ServerLinkTest, SgrColoursCarryOverWholeLinesOnlyAndEndWithTheConnection) {
    Connect();
    Stream->Arrive("\x1B[31mred\r\nprompt \x1B[44m");
    PollWhileBusy();
    Pass(Milliseconds(150));
    // The unfinished line goes on from the red of the line before, shown again as it grows...
    ASSERT_TRUE(Host.Unfinished);
    EXPECT_EQ(*Host.Unfinished, "prompt \x81\x98"
                                "D");
    Stream->Arrive("\x1B[1m");
    Link.PollSocket();
    Pass(Milliseconds(150));
    EXPECT_EQ(*Host.Unfinished, "prompt \x81\x98"
                                "D\x89\x98"
                                "D");
    // ...and counts once, when it ends: bold is not applied twice, a cut sequence not at all.
    Stream->Arrive("\r\n\x1B[22mX\r\n\x1B[3");
    PollWhileBusy();
    EXPECT_EQ(Host.Printed, (Lines{"\x81red",
                                   "prompt \x81\x98"
                                   "D\x89\x98"
                                   "D",
                                   "\x81\x98"
                                   "DX"}));
    Stream->Arrive("9mY\r\n");
    PollWhileBusy();
    EXPECT_EQ(Host.Printed.back(), "\x87\x98"
                                   "DY");

    // A new connection starts from the window's colours.
    Stream->ReceiveError = SocketError::ConnectionReset;
    Link.PollSocket();
    ASSERT_FALSE(Link.Connected());
    auto next = Net.Prepare();
    Link.ConnectToServer();
    ASSERT_TRUE(Link.Connected());
    next->Arrive("\x1B[1mZ\r\n");
    PollWhileBusy();
    EXPECT_EQ(Host.Printed.back(), "\x8FZ");
}

TEST_F(ServerLinkTest, ThePeerClosingShowsTheClosedLineAndThePromptAndDropsTheConnection) {
    Connect();
    Stream->Arrive("bye\r\nhalf a line");
    Stream->ReceiveError = SocketError::Disconnected;
    PollWhileBusy();
    EXPECT_TRUE(Link.PollSocket() == false);
    EXPECT_FALSE(Link.Connected());
    // The server's last words, without their line end, come before the server's goodbye.
    EXPECT_EQ(Host.Printed, (Lines{"bye", "half a line", ServerClosedLine, "", ReconnectPrompt}));
    EXPECT_TRUE(Stream->ShutDown);
    EXPECT_TRUE(Stream->Closed);
    EXPECT_EQ(ServerClosedLine, "\x8C\xD1\xE5\xF0\xE2\xE5\xF0 \xE7\xE0\xEA\xF0\xFB\xEB "
                                "\xF1\xEE\xE5\xE4\xE8\xED\xE5\xED\xE8\xE5.\x87");
    EXPECT_TRUE(Loop.WatchedHandles().empty());
    // Unconnected, a poll does nothing.
    EXPECT_FALSE(Link.PollSocket());
    EXPECT_EQ(Host.Printed.size(), 5u);
}

TEST_F(ServerLinkTest, AResetKeepsItsErrorText) {
    Connect();
    Stream->Arrive("bye\r\n");
    Stream->ReceiveError = SocketError::ConnectionReset;
    PollWhileBusy();
    Link.PollSocket();
    EXPECT_FALSE(Link.Connected());
    EXPECT_EQ(Host.Printed,
              (Lines{"bye", SocketErrorLine("Connection reset by peer"), "", ReconnectPrompt}));
}

TEST_F(ServerLinkTest, AnErrorWhileALineIsHandledIsABrokenConnection) {
    Connect();
    Host.OnPrint = [](const std::string& text) {
        if (text == "boom")
            throw std::runtime_error("the log is full");
    };
    Stream->Arrive("fine\nboom\nnever\n");
    PollWhileBusy();
    EXPECT_FALSE(Link.Connected());
    // The reason is shown as a socket error's is.
    EXPECT_EQ(Host.Printed,
              (Lines{"fine", "boom", SocketErrorLine("the log is full"), "", ReconnectPrompt}));
}

TEST_F(ServerLinkTest, ANestedErrorDropsTheConnectionAndPromptsOnlyOnce) {
    // A plugin's long work runs the loop, which handles the next line; that line's error
    // drops the connection, and the outer line's own error afterwards drops nothing more.
    Connect();
    Host.OnPrint = [this](const std::string& text) {
        if (text == "outer") {
            Link.PollSocket();
            throw std::runtime_error("outer failed");
        }
        if (text == "inner")
            throw 42; // no standard exception
    };
    Stream->Arrive("outer\ninner\nnever\n");
    PollWhileBusy();
    EXPECT_FALSE(Link.Connected());
    EXPECT_EQ(Host.Printed,
              (Lines{"outer", "inner", SocketErrorLine(UnknownErrorText), "", ReconnectPrompt}));
}

TEST_F(ServerLinkTest, MemoryThatCouldNotBeHadIsNamedInRussian) {
    Connect();
    Host.OnPrint = [](const std::string& text) {
        if (text == "huge")
            throw std::bad_alloc();
    };
    Stream->Arrive("huge\n");
    PollWhileBusy();
    EXPECT_FALSE(Link.Connected());
    // "Недостаточно памяти", not the runtime's "std::bad_alloc".
    EXPECT_EQ(Host.Printed,
              (Lines{"huge",
                     SocketErrorLine("\xCD\xE5\xE4\xEE\xF1\xF2\xE0\xF2\xEE\xF7\xED\xEE "
                                     "\xEF\xE0\xEC\xFF\xF2\xE8"),
                     "", ReconnectPrompt}));
}

TEST_F(ServerLinkTest, AFailedSendDropsTheConnectionWithItsErrorWhereverItWasSent) {
    // Typed: the error line and the prompt, and nothing more goes out.
    Connect();
    Stream->SendResult = SocketError::ConnectionReset;
    Link.SendLine("north", true);
    EXPECT_FALSE(Link.Connected());
    EXPECT_EQ(Host.Printed,
              (Lines{SocketErrorLine("Connection reset by peer"), "", ReconnectPrompt}));
    Link.SendLine("south", true);
    EXPECT_EQ(Host.Printed.size(), 3u);

    // A telnet answer while a line is handled: that line is not printed, the prompt once.
    auto second = Net.Prepare();
    Link.ConnectToServer();
    ASSERT_TRUE(Link.Connected());
    Host.Printed.clear();
    second->SendResult = SocketError::TimedOut;
    second->Arrive("\xFF\xFB\x01password:\n");
    PollWhileBusy();
    EXPECT_FALSE(Link.Connected());
    EXPECT_EQ(Host.Printed, (Lines{SocketErrorLine("Connection timed out"), "", ReconnectPrompt}));

    // AutoSend after connecting.
    auto third = Net.Prepare();
    third->SendResult = SocketError::ConnectionAborted;
    ServerLink sending(Host, Host, Waits, Net, Loop, Mud("name"));
    Host.Printed.clear();
    sending.ConnectToServer();
    EXPECT_FALSE(sending.Connected());
    EXPECT_EQ(Host.Printed,
              (Lines{"", ConnectingLine("mud.example", "4000"), "",
                     SocketErrorLine("Software caused connection abort"), "", ReconnectPrompt}));
}

TEST_F(ServerLinkTest, APortOutOfRangeSaysSoAndNothingIsAttempted) {
    ServerLink link(Host, Host, Waits, Net, Loop, {.Address = "mud.example", .Port = "108041"});
    link.ConnectToServer();
    EXPECT_FALSE(link.Connected());
    EXPECT_EQ(Stream->Connects, 0);
    EXPECT_EQ(Host.Printed,
              (Lines{"", ConnectingLine("mud.example", "108041"), "",
                     SocketErrorLine("\xCF\xEE\xF0\xF2 "
                                     "108041"
                                     " \xE2\xED\xE5 \xE4\xE8\xE0\xEF\xE0\xE7\xEE\xED\xE0 1-65535"),
                     "", ReconnectPrompt}));
}

TEST_F(ServerLinkTest, TheScreenIsShownBeforeTheAttemptAndTheKeysCanCallItOff) {
    Stream->PendingConnectLooks = 1'000'000;
    std::size_t printedWhenShown = 0;
    Waits.OnWait = [&](const test::FakeNetworkWait::Call&) {
        printedWhenShown = Host.Printed.size();
        return Waits.Calls.size() < 3;
    };
    Link.ConnectToServer();
    EXPECT_EQ(Waits.Shown, 1);
    EXPECT_EQ(printedWhenShown, 3u); // the empty line, the connecting line, the empty line
    EXPECT_FALSE(Link.Connected());
    EXPECT_EQ(Host.Printed,
              (Lines{"", ConnectingLine("mud.example", "4000"), "",
                     SocketErrorLine("Interrupted system call"), "", ReconnectPrompt}));
}

TEST_F(ServerLinkTest, AHandlerMayDropTheConnectionWhileALineIsPrinted) {
    Connect();
    Host.OnPrint = [this](const std::string& text) {
        if (text == "quit")
            Link.Disconnect();
    };
    Stream->Arrive("quit\nmore\n");
    EXPECT_FALSE(Link.PollSocket());
    EXPECT_FALSE(Link.Connected());
    EXPECT_EQ(Host.Printed, (Lines{"quit", "", ReconnectPrompt}));
}

TEST_F(ServerLinkTest, TheLoopSleepsUntilTheSocketHasData) {
    Connect();
    ASSERT_EQ(Loop.WatchedHandles().size(), 1u);
    EXPECT_EQ(Loop.WatchedHandles()[0], Stream->Handle);
    Loop.SetTimer(250, [] {});
    const TimePoint start = Loop.Now();
    Loop.Wait(std::nullopt);
    EXPECT_EQ(Loop.Now() - start, Milliseconds(250)); // nothing to read: slept to the timer
    Stream->Arrive("hello\n");
    Loop.Wait(std::nullopt);
    EXPECT_EQ(Loop.Now() - start, Milliseconds(250)); // data ended the wait at once
    EXPECT_EQ(Loop.HandleWakes, 1);
    Link.Disconnect();
    EXPECT_TRUE(Loop.WatchedHandles().empty());
}

TEST_F(ServerLinkTest, SendLineConvertsProtectsTheEscapeByteAndEndsWithCrLf) {
    Connect();
    Link.SendLine("\xEF\xAC\xA0", true); // "яма" in the console code page
    EXPECT_EQ(Stream->Sends.back(), "\xFF\xFF\xEC\xE0\r\n");
    Link.SendLine("", true);
    EXPECT_EQ(Stream->Sends.back(), "\r\n");
    Link.SendLine("north\r\nsouth", true);
    EXPECT_EQ(Stream->Sends.back(), "north\r\nsouth\r\n");
    // Colour bytes, and the edited-text code with its line separators.
    Link.SendLine("\x10\x10"
                  "ct2\x10one\x10two",
                  true);
    EXPECT_EQ(Stream->Sends.back(), "\x80\x80"
                                    "ct2\x80one\x80two\r\n");
    Link.SendVersion();
    EXPECT_EQ(Stream->Sends.back(), "\x80\x80v1.4\r\n");
}

TEST_F(ServerLinkTest, PluginTextsAreNotConvertedButTheirMarkersAreRaised) {
    Connect();
    // Windows-1251 "я" stays 0xFF (doubled); 0xEF is no console letter here.
    Link.SendLine("\x10\x10ge"
                  "r\x1F\xEF\xFF",
                  false);
    EXPECT_EQ(Stream->Sends.back(), "\x80\x80ge"
                                    "r\x8F\xEF\xFF\xFF\r\n");
    Link.SendLine(std::string("\x0F\x20\x7F\x80", 4), false);
    EXPECT_EQ(Stream->Sends.back(), std::string("\x0F\x20\x7F\x80\r\n", 6));
}

TEST_F(ServerLinkTest, NothingIsSentWhileUnconnected) {
    Link.SendLine("look", true);
    Link.SendVersion();
    Link.SendLine("\x10\x10glChess\x10", false);
    EXPECT_TRUE(Net.Streams.empty());
    EXPECT_TRUE(Host.Printed.empty());
}

TEST_F(ServerLinkTest, DisconnectWhileConnectedClosesAndPromptsOnce) {
    Connect();
    Link.Disconnect();
    EXPECT_FALSE(Link.Connected());
    EXPECT_TRUE(Stream->ShutDown);
    EXPECT_EQ(Host.Printed, (Lines{"", ReconnectPrompt}));
    // Reconnecting makes a new transport object.
    auto next = Net.Prepare();
    Link.ConnectToServer();
    EXPECT_TRUE(Link.Connected());
    EXPECT_EQ(next->Connects, 1);
}

} // namespace
} // namespace tolmix

namespace tolmix {
namespace {

// An output window whose size the test sets.
struct SizedWindow final : TelnetTerminal {
    WindowSize Size{100, 40};
    WindowSize OutputWindowSize() const override { return Size; }
};

TEST_F(ServerLinkTest, AnUnfinishedPromptOnTheScreenIsPrintedWhenTheServerCloses) {
    Connect();
    Stream->Arrive("Idle too long, bye!");
    Link.PollSocket();
    Pass(Milliseconds(150));
    ASSERT_EQ(Host.Unfinished, "Idle too long, bye!");
    Stream->ReceiveError = SocketError::Disconnected;
    Link.PollSocket();
    EXPECT_FALSE(Link.Connected());
    EXPECT_FALSE(Host.Unfinished);
    EXPECT_EQ(Host.Printed, (Lines{"Idle too long, bye!", ServerClosedLine, "", ReconnectPrompt}));
    // Printed as text, so that it is logged like any line.
    EXPECT_EQ(Host.TextLines, Lines{"Idle too long, bye!"});
}

TEST_F(ServerLinkTest, TheMaskedLineEndsTheServersEchoWhenItNeverSaysWontEcho) {
    Connect();
    // A server by the book takes the refusal for the end of its echo and says nothing more.
    Stream->Arrive("Password: \xFF\xFB\x01");
    Link.PollSocket();
    EXPECT_EQ(Host.EchoChanges, std::vector<bool>{true});
    Link.SendLine("secret", true);
    EXPECT_EQ(Host.EchoChanges, (std::vector<bool>{true, false}));
    Stream->Arrive("\r\nWelcome!\r\n> ");
    PollWhileBusy();
    Pass(Milliseconds(150));
    // The next command ends the prompt's line: nothing glued to what follows.
    Link.SendLine("look", true);
    EXPECT_EQ(Host.Printed, (Lines{"Password: ", "Welcome!", "> "}));
    Stream->Arrive("You see a tree.\r\n");
    PollWhileBusy();
    EXPECT_EQ(Host.Printed.back(), "You see a tree.");
    EXPECT_EQ(Stream->Sent, "\xFF\xFE\x01secret\r\nlook\r\n");
}

TEST_F(ServerLinkTest, TheWindowSizeGoesOutWhenAskedAndAfterEveryResize) {
    SizedWindow window;
    ServerLink link(Host, Host, Waits, Net, Loop, Mud(), {.Terminal = window});
    link.ConnectToServer();
    // Before the server asks, a resize says nothing.
    link.OutputWindowResized();
    EXPECT_EQ(Stream->Sent, "");
    Stream->Arrive("\xFF\xFD\x1F");
    link.PollSocket();
    EXPECT_EQ(Stream->Sent, "\xFF\xFB\x1F\xFF\xFA\x1F\x00\x64\x00\x28\xFF\xF0"s);
    Stream->Sent.clear();
    window.Size = {255, 30};
    link.OutputWindowResized();
    // 255 is doubled, as any IAC in a sub-negotiation.
    EXPECT_EQ(Stream->Sent, "\xFF\xFA\x1F\x00\xFF\xFF\x00\x1E\xFF\xF0"s);
    // Asked again and again, the client answers nothing more.
    Stream->Sent.clear();
    std::string asks;
    for (int i = 0; i < 10000; ++i)
        asks += "\xFF\xFD\x1F";
    Stream->Arrive(asks + "done\r\n");
    PollWhileBusy();
    EXPECT_EQ(Stream->Sent, "");
    EXPECT_TRUE(link.Connected());
}

TEST_F(ServerLinkTest, ABrokenCompressedStreamDropsTheConnectionWithARussianError) {
    ServerLink link(Host, Host, Waits, Net, Loop, Mud(), {.Inflaters = ZlibInflaters()});
    link.ConnectToServer();
    Host.Printed.clear();
    Stream->Arrive("\xFF\xFB\x56");
    link.PollSocket();
    EXPECT_EQ(Stream->Sent, "\xFF\xFD\x56");
    Stream->Arrive("plain\r\n\xFF\xFA\x56\xFF\xF0not a zlib stream at all");
    PollWhileBusyOn(link);
    EXPECT_FALSE(link.Connected());
    ASSERT_EQ(Host.Printed.size(), 4u);
    EXPECT_EQ(Host.Printed[0], "plain");
    // "Сжатый поток сервера повреждён"
    EXPECT_EQ(Host.Printed[1], SocketErrorLine("\xD1\xE6\xE0\xF2\xFB\xE9 \xEF\xEE\xF2\xEE\xEA "
                                               "\xF1\xE5\xF0\xE2\xE5\xF0\xE0 \xEF\xEE\xE2\xF0\xE5"
                                               "\xE6\xE4\xB8\xED"));
}

TEST_F(ServerLinkTest, WithoutAnInflaterCompressionIsRefused) {
    Connect();
    Stream->Arrive("\xFF\xFB\x56\xFF\xFA\x56\xFF\xF0still plain\r\n");
    PollWhileBusy();
    EXPECT_EQ(Stream->Sent, "\xFF\xFE\x56");
    EXPECT_EQ(Host.Printed, Lines{"still plain"});
}

} // namespace
} // namespace tolmix
