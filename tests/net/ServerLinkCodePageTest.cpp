// The server's code page on the link: what is received is read in it, what is sent written in
// it, and it may change while connected.
#include "net/ServerLink.h"
#include "support/FakeEventLoop.h"
#include "support/FakeNetwork.h"
#include "support/FakeNetworkWait.h"
#include "support/RecordingLinkHost.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

using Lines = std::vector<std::string>;

// "Привет, мир!" in Windows-1251, UTF-8 and KOI8-R.
constexpr std::string_view HelloAnsi = "\xCF\xF0\xE8\xE2\xE5\xF2, \xEC\xE8\xF0!";
constexpr std::string_view HelloUtf8 = "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, "
                                       "\xD0\xBC\xD0\xB8\xD1\x80!";
constexpr std::string_view HelloKoi8 = "\xF0\xD2\xC9\xD7\xC5\xD4, \xCD\xC9\xD2!";

class LinkCodePageTest : public ::testing::Test {
  protected:
    test::FakeNetwork Net;
    test::FakeEventLoop Loop;
    test::RecordingLinkHost Host;
    test::FakeNetworkWait Waits;
    std::shared_ptr<test::FakeStream> Stream;

    void SetUp() override {
        Loop.HandleReady = [this](PollHandle h) { return Net.Ready(h); };
    }
    // A link of its own on a stream of its own.
    std::unique_ptr<ServerLink> Connect(ServerEncoding encoding) {
        Stream = Net.Prepare();
        LinkSettings settings{.Address = "mud.example", .Port = "4000"};
        settings.Encoding = encoding;
        auto link = std::make_unique<ServerLink>(Host, Host, Waits, Net, Loop, settings);
        link->ConnectToServer();
        EXPECT_TRUE(link->Connected());
        Host.Printed.clear();
        Stream->Sent.clear();
        return link;
    }
    void PollWhileBusy(ServerLink& link) {
        for (int polls = 0; link.PollSocket() && polls < 1000; ++polls) {
        }
    }
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

TEST_F(LinkCodePageTest, LinesAreReadInTheServersCodePage) {
    auto utf8 = Connect(ServerEncoding::Utf8);
    Stream->Arrive(std::string(HelloUtf8) + "\r\n\x1B[1;31m\xD1\x8F\xD0\xB4\r\n");
    PollWhileBusy(*utf8);
    // "яд" in red: the letter 0xFF is one byte of text, the colour is the ANSI one.
    EXPECT_EQ(Host.Printed, (Lines{std::string(HelloAnsi), "\x89\xFF\xE4"}));

    auto koi8 = Connect(ServerEncoding::Koi8R);
    // KOI8-R's "Ъ" is 0xFF, doubled on the wire as the telnet escape.
    Stream->Arrive(std::string(HelloKoi8) + " \xFF\xFF\r\n");
    PollWhileBusy(*koi8);
    EXPECT_EQ(Host.Printed, (Lines{std::string(HelloAnsi) + " \xDA"}));
}

// A UTF-8 server's letter that is a colour byte in Windows-1251 is no colour and no code;
// its C1 controls are the colour bytes.
TEST_F(LinkCodePageTest, NoUtf8LetterForgesAServerCode) {
    auto link = Connect(ServerEncoding::Utf8);
    Stream->Arrive("\xD0\x82\xD0\x82v1\r\n\xC2\x80\xC2\x80v1\r\n");
    PollWhileBusy(*link);
    EXPECT_EQ(Host.Printed, (Lines{"??v1", "\x80\x80v1"}));
    EXPECT_EQ(Host.TextLines, (Lines{"??v1"}));
}

TEST_F(LinkCodePageTest, ALetterCutByTheUnfinishedLineIsShownWholeWhenItsRestComes) {
    auto link = Connect(ServerEncoding::Utf8);
    // "Имя: " cut inside "я", then its second byte.
    Stream->Arrive("\xD0\x98\xD0\xBC\xD1");
    link->PollSocket();
    Pass(Milliseconds(ServerLink::UnfinishedLineWait));
    EXPECT_EQ(Host.UnfinishedShown, (Lines{"\xC8\xEC"}));
    Stream->Arrive("\x8F: ");
    link->PollSocket();
    Pass(Milliseconds(ServerLink::UnfinishedLineWait));
    EXPECT_EQ(Host.UnfinishedShown, (Lines{"\xC8\xEC", "\xC8\xEC\xFF: "}));
    Stream->Arrive("\r\n");
    PollWhileBusy(*link);
    EXPECT_EQ(Host.Printed, (Lines{"\xC8\xEC\xFF: "}));
}

TEST_F(LinkCodePageTest, NegotiationsAfterLettersAreAnsweredOnce) {
    auto link = Connect(ServerEncoding::Utf8);
    // The reading is shorter than the bytes: the answer still goes once.
    Stream->Arrive(std::string(HelloUtf8) + "\xFF\xFB\x01");
    link->PollSocket();
    Stream->Arrive("\xD0\xB0\xFF\xFB\x03");
    link->PollSocket();
    Stream->Arrive("\r\n");
    PollWhileBusy(*link);
    // ECHO refused, SGA accepted.
    EXPECT_EQ(Stream->Sent, "\xFF\xFE\x01\xFF\xFD\x03");
    EXPECT_EQ(Host.Printed, (Lines{std::string(HelloAnsi) + "\xE0"}));
}

TEST_F(LinkCodePageTest, EverythingSentIsWrittenInTheServersCodePage) {
    auto utf8 = Connect(ServerEncoding::Utf8);
    utf8->SendLine("\xEF\xAC\xA0", true); // "яма" in the console code page: no 0xFF in UTF-8
    EXPECT_EQ(Stream->Sends.back(), "\xD1\x8F\xD0\xBC\xD0\xB0\r\n");
    utf8->SendVersion(); // the client code's markers are C1 controls
    EXPECT_EQ(Stream->Sends.back(), "\xC2\x80\xC2\x80v1.4\r\n");
    // A plugin's text: Windows-1251 "я" with a console colour byte.
    utf8->SendLine("\x10\x10ge"
                   "r\xFF",
                   false);
    EXPECT_EQ(Stream->Sends.back(), "\xC2\x80\xC2\x80ge"
                                    "r\xD1\x8F\r\n");

    auto koi8 = Connect(ServerEncoding::Koi8R);
    // "Ъя" from the console: KOI8-R's Ъ is 0xFF and doubled, its я is not.
    koi8->SendLine("\x9A\xEF", true);
    EXPECT_EQ(Stream->Sends.back(), "\xFF\xFF\xD1\r\n");
    auto cp866 = Connect(ServerEncoding::Cp866);
    cp866->SendLine("\x9A\xEF", true);
    EXPECT_EQ(Stream->Sends.back(), "\x9A\xEF\r\n");
}

TEST_F(LinkCodePageTest, TheCodePageChangesWhileConnectedAndComesBackWithTheNextConnection) {
    auto link = Connect(ServerEncoding::Windows1251);
    ASSERT_TRUE(link->CodePage().Accepts("utf-8"));
    link->CodePage().Use("UTF-8");
    Stream->Arrive(std::string(HelloUtf8) + "\r\n");
    PollWhileBusy(*link);
    EXPECT_EQ(Host.Printed, (Lines{std::string(HelloAnsi)}));
    link->SendLine("\xEF", true);
    EXPECT_EQ(Stream->Sends.back(), "\xD1\x8F\r\n");

    link->Disconnect();
    Stream = Net.Prepare();
    link->ConnectToServer();
    ASSERT_TRUE(link->Connected());
    EXPECT_EQ(link->CodePage().Encoding(), ServerEncoding::Windows1251);
    link->SendLine("\xEF", true);
    EXPECT_EQ(Stream->Sends.back(), "\xFF\xFF\r\n");
}

} // namespace
} // namespace tolmix
