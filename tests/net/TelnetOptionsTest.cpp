#include "net/TelnetOptions.h"
#include "net/TelnetBytes.h"
#include "net/TelnetReader.h"
#include "net/TelnetSession.h"

#include <gtest/gtest.h>

#include <deque>
#include <string>
#include <vector>

namespace tolmix {
namespace {

using namespace std::string_literals;
using Side = TelnetOptions::Side;

constexpr uint8_t Will = telnet::Will, Wont = telnet::Wont, Do = telnet::Do, Dont = telnet::Dont;

// Agrees to the options in its list, on both sides.
struct ListPolicy final : TelnetOptions::Policy {
    std::vector<uint8_t> Agreed;
    bool Agrees(Side, uint8_t option) const override {
        return std::find(Agreed.begin(), Agreed.end(), option) != Agreed.end();
    }
};

TEST(TelnetOptions, AnOfferIsAcceptedOrRefusedOnceAndRepeatsGetNoAnswer) {
    ListPolicy policy;
    policy.Agreed = {3};
    TelnetOptions options(policy);
    EXPECT_EQ(options.Receive(Will, 3).Reply, Do);
    EXPECT_TRUE(options.Enabled(Side::Server, 3));
    // Said again while on: no answer, or two parties would loop.
    EXPECT_EQ(options.Receive(Will, 3).Reply, 0);
    EXPECT_EQ(options.Receive(Wont, 3).Reply, Dont);
    EXPECT_FALSE(options.Enabled(Side::Server, 3));
    EXPECT_EQ(options.Receive(Wont, 3).Reply, 0);
    // A refused offer stays off and is refused each time it is made.
    EXPECT_EQ(options.Receive(Will, 5).Reply, Dont);
    EXPECT_EQ(options.Receive(Will, 5).Reply, Dont);
    EXPECT_FALSE(options.Enabled(Side::Server, 5));
    // The client's side in the same way with DO and DONT.
    EXPECT_EQ(options.Receive(Do, 3).Reply, Will);
    EXPECT_EQ(options.Receive(Do, 3).Reply, 0);
    EXPECT_EQ(options.Receive(Dont, 3).Reply, Wont);
    EXPECT_EQ(options.Receive(Dont, 3).Reply, 0);
    EXPECT_EQ(options.Receive(Do, 5).Reply, Wont);
    // The server's side and the client's are apart.
    EXPECT_EQ(options.Receive(Will, 3).Reply, Do);
    EXPECT_FALSE(options.Enabled(Side::Client, 3));
}

TEST(TelnetOptions, TheClientsOwnWishesAreAskedOnceAndQueuedWhileAnAnswerIsAwaited) {
    ListPolicy policy;
    TelnetOptions options(policy);
    EXPECT_EQ(options.Request(Side::Server, 24, true).Reply, Do);
    EXPECT_EQ(options.Request(Side::Server, 24, true).Reply, 0);
    // Changed its mind before the answer: queued, asked once the answer came.
    EXPECT_EQ(options.Request(Side::Server, 24, false).Reply, 0);
    const TelnetOptions::Step yes = options.Receive(Will, 24);
    EXPECT_EQ(yes.Reply, Dont);
    EXPECT_FALSE(options.Enabled(Side::Server, 24));
    EXPECT_EQ(options.Receive(Wont, 24).Reply, 0);
    EXPECT_FALSE(options.Enabled(Side::Server, 24));
    // An answer to a refusal that says yes is the other side's error: off it is.
    EXPECT_EQ(options.Request(Side::Client, 31, true).Reply, Will);
    EXPECT_EQ(options.Receive(Do, 31).Reply, 0);
    EXPECT_TRUE(options.Enabled(Side::Client, 31));
    EXPECT_EQ(options.Request(Side::Client, 31, false).Reply, Wont);
    EXPECT_EQ(options.Receive(Do, 31).Reply, 0);
    EXPECT_FALSE(options.Enabled(Side::Client, 31));
    // A wish refused by the other side ends without an answer.
    EXPECT_EQ(options.Request(Side::Server, 1, true).Reply, Do);
    EXPECT_EQ(options.Receive(Wont, 1).Reply, 0);
    EXPECT_FALSE(options.Enabled(Side::Server, 1));
}

// Two parties keeping options by the same rules, wired to each other: whatever they wish for,
// their exchange ends, and both agree on each option's state.
TEST(TelnetOptions, TwoPartiesNeverLoopWhateverTheyWish) {
    struct Party {
        ListPolicy Policy;
        TelnetOptions Options{Policy};
        std::deque<std::pair<uint8_t, uint8_t>> Inbox;
    };
    const auto mirror = [](uint8_t command) {
        // What one party sends as the client's side is the other's server side.
        return command;
    };
    for (int scenario = 0; scenario < 64; ++scenario) {
        Party a, b;
        if (scenario & 1)
            a.Policy.Agreed = {7};
        if (scenario & 2)
            b.Policy.Agreed = {7};
        const auto send = [&](Party& to, uint8_t reply) {
            if (reply != 0)
                to.Inbox.emplace_back(mirror(reply), 7);
        };
        // Wishes on both sides at once, some changed at once.
        send(b, a.Options.Request(Side::Server, 7, true).Reply);
        send(a, b.Options.Request(Side::Client, 7, true).Reply);
        if (scenario & 4)
            send(b, a.Options.Request(Side::Server, 7, false).Reply);
        if (scenario & 8)
            send(a, b.Options.Request(Side::Client, 7, false).Reply);
        if (scenario & 16)
            send(b, a.Options.Request(Side::Client, 7, true).Reply);
        if (scenario & 32)
            send(a, b.Options.Request(Side::Server, 7, true).Reply);
        int messages = 0;
        while ((!a.Inbox.empty() || !b.Inbox.empty()) && messages < 100) {
            for (auto [self, other] : {std::pair{&a, &b}, std::pair{&b, &a}}) {
                if (self->Inbox.empty())
                    continue;
                const auto [command, option] = self->Inbox.front();
                self->Inbox.pop_front();
                send(*other, self->Options.Receive(command, option).Reply);
                ++messages;
            }
        }
        EXPECT_LT(messages, 12) << "scenario " << scenario;
        // A's side of the option as B sees it, and B's as A sees it.
        EXPECT_EQ(a.Options.Enabled(Side::Client, 7), b.Options.Enabled(Side::Server, 7))
            << "scenario " << scenario;
        EXPECT_EQ(b.Options.Enabled(Side::Client, 7), a.Options.Enabled(Side::Server, 7))
            << "scenario " << scenario;
    }
}

// A client's session with a window, code pages and an echo listener of the test's own.
struct SessionRig : ::testing::Test, TelnetTerminal, CharsetChoice, ServerEchoListener {
    WindowSize Size{80, 24};
    std::vector<std::string> Readable{"WINDOWS-1251", "CP1251"};
    std::string Used;
    bool Utf8 = false;
    std::vector<bool> Echoes;

    WindowSize OutputWindowSize() const override { return Size; }
    bool Accepts(std::string_view name) const override {
        return std::find(Readable.begin(), Readable.end(), name) != Readable.end();
    }
    void Use(std::string_view name) override { Used = name; }
    bool IsUtf8() const override { return Utf8; }
    void ServerEchoChanged(bool serverEchoes) override { Echoes.push_back(serverEchoes); }
    // The session never ends a connection.
    void ServerEchoLost() override { ADD_FAILURE() << "the session has no connection to lose"; }

    TelnetSession::Identity Identity{.TerminalType = "xterm-256color"};
    TelnetSession Session{*this, *this, *this, Identity};

    // The server's bytes read as the socket reads them; the client's answers.
    std::string Answer(std::string_view fromServer) {
        std::string data;
        std::vector<std::size_t> prompts;
        TelnetReader reader(Session, {});
        reader.Feed(fromServer, data, prompts);
        return Session.TakeAnswers();
    }
};

using TelnetSessionTest = SessionRig;

TEST_F(TelnetSessionTest, EveryRequestGetsTheClientsAnswer) {
    // SGA, EOR and CHARSET are welcome from the server; ECHO is refused as ever; MCCP2 only
    // with an inflater; GMCP, MSDP, MSSP and the unknown are refused.
    EXPECT_EQ(Answer("\xFF\xFB\x03\xFF\xFB\x19\xFF\xFB\x2A\xFF\xFB\x01\xFF\xFB\x56"),
              "\xFF\xFD\x03\xFF\xFD\x19\xFF\xFD\x2A\xFF\xFE\x01\xFF\xFE\x56");
    EXPECT_EQ(Answer("\xFF\xFB\xC9\xFF\xFB\x45\xFF\xFB\x46\xFF\xFB\xAA"),
              "\xFF\xFE\xC9\xFF\xFE\x45\xFF\xFE\x46\xFF\xFE\xAA");
    // The client does TTYPE, CHARSET and SGA (NAWS sends its size as well); nothing else.
    EXPECT_EQ(Answer("\xFF\xFD\x18\xFF\xFD\x2A\xFF\xFD\x03\xFF\xFD\x01\xFF\xFD\x19\xFF\xFD\xC9"),
              "\xFF\xFB\x18\xFF\xFB\x2A\xFF\xFB\x03\xFF\xFC\x01\xFF\xFC\x19\xFF\xFC\xC9");
    // Sub-negotiations of refused options are dropped without a word.
    EXPECT_EQ(Answer("\xFF\xFA\xC9{\"hp\":1}\xFF\xF0\xFF\xFA\x46\x01NAME\x02X\xFF\xF0"), "");
    // The same requests again change nothing and are answered by nothing.
    EXPECT_EQ(Answer("\xFF\xFB\x03\xFF\xFD\x18\xFF\xFE\x56\xFF\xFC\xC9"), "");

    TelnetSession compressing(*this, *this, *this, {.Compression = true});
    std::string data;
    std::vector<std::size_t> prompts;
    TelnetReader reader(compressing, {});
    reader.Feed("\xFF\xFB\x56", data, prompts);
    EXPECT_EQ(compressing.TakeAnswers(), "\xFF\xFD\x56");
}

TEST_F(TelnetSessionTest, EchoIsRefusedButEachOfferAndWithdrawalIsTold) {
    EXPECT_EQ(Answer("\xFF\xFB\x01"), "\xFF\xFE\x01");
    EXPECT_EQ(Answer("\xFF\xFB\x01"), "\xFF\xFE\x01");
    EXPECT_EQ(Answer("\xFF\xFC\x01"), "");
    EXPECT_EQ(Echoes, (std::vector<bool>{true, true, false}));
}

TEST_F(TelnetSessionTest, TheWindowSizeFollowsTheAgreementAndEveryResize) {
    Size = {132, 43};
    EXPECT_EQ(Answer("\xFF\xFD\x1F"), "\xFF\xFB\x1F\xFF\xFA\x1F\x00\x84\x00\x2B\xFF\xF0"s);
    Session.WindowResized(); // the same size: nothing new to say
    EXPECT_EQ(Session.TakeAnswers(), "");
    Size = {300, 255};
    Session.WindowResized();
    EXPECT_EQ(Session.TakeAnswers(), "\xFF\xFA\x1F\x01\x2C\x00\xFF\xFF\xFF\xF0"s);
    // Asked 10,000 times more: no answer at all.
    std::string asks;
    for (int i = 0; i < 10000; ++i)
        asks += "\xFF\xFD\x1F";
    EXPECT_EQ(Answer(asks), "");
    // Turned off, a resize is the client's own business; turned on again, the size goes.
    EXPECT_EQ(Answer("\xFF\xFE\x1F"), "\xFF\xFC\x1F");
    Size = {90, 30};
    Session.WindowResized();
    EXPECT_EQ(Session.TakeAnswers(), "");
    EXPECT_EQ(Answer("\xFF\xFD\x1F"), "\xFF\xFB\x1F\xFF\xFA\x1F\x00\x5A\x00\x1E\xFF\xF0"s);
}

TEST_F(TelnetSessionTest, TheTerminalTypeGoesRoundTheClientTheTerminalAndMtts) {
    const std::string send = "\xFF\xFA\x18\x01\xFF\xF0";
    // Not before the option is agreed.
    EXPECT_EQ(Answer(send), "");
    EXPECT_EQ(Answer("\xFF\xFD\x18"), "\xFF\xFB\x18");
    const auto is = [](std::string name) { return "\xFF\xFA\x18\x00"s + name + "\xFF\xF0"; };
    EXPECT_EQ(Answer(send), is("TOLMIX-CLIENT"));
    EXPECT_EQ(Answer(send), is("XTERM-256COLOR"));
    // ANSI and 256 colours; no UTF-8, no screen reader, no proxy.
    EXPECT_EQ(Answer(send), is("MTTS 9"));
    EXPECT_EQ(Answer(send), is("MTTS 9"));
    EXPECT_EQ(Answer(send), is("TOLMIX-CLIENT"));
    // Turned off and on, the round starts again.
    EXPECT_EQ(Answer("\xFF\xFE\x18\xFF\xFD\x18" + send),
              "\xFF\xFC\x18\xFF\xFB\x18" + is("TOLMIX-CLIENT"));

    Utf8 = true;
    TelnetSession proxied(*this, *this, *this, {.TerminalType = "screen", .Proxy = true});
    EXPECT_EQ(proxied.MttsName(), "MTTS 141");
    EXPECT_EQ(TelnetSession::TerminalTypeName("screen.xterm-256color"), "SCREEN.XTERM-256COLOR");
    // A name with anything but printable ASCII, or none, is the usual one.
    EXPECT_EQ(TelnetSession::TerminalTypeName(""), "XTERM-256COLOR");
    EXPECT_EQ(TelnetSession::TerminalTypeName("bad\x1B]0;x"), "XTERM-256COLOR");
}

TEST_F(TelnetSessionTest, ACharsetRequestIsAcceptedWithTheFirstReadableOrRejected) {
    EXPECT_EQ(Answer("\xFF\xFD\x2A"), "\xFF\xFB\x2A");
    const auto request = [](std::string list) { return "\xFF\xFA\x2A\x01"s + list + "\xFF\xF0"; };
    // The server's order counts, not the client's.
    EXPECT_EQ(Answer(request(";UTF-8;CP1251;WINDOWS-1251")), "\xFF\xFA\x2A\x02"
                                                             "CP1251\xFF\xF0");
    EXPECT_EQ(Used, "CP1251");
    // Any separator, and a translation table's version before it.
    EXPECT_EQ(Answer(request("[TTABLE]\x01 KOI8-R WINDOWS-1251")),
              "\xFF\xFA\x2A\x02WINDOWS-1251\xFF\xF0");
    EXPECT_EQ(Answer(request(";UTF-8;KOI8-R")), "\xFF\xFA\x2A\x03\xFF\xF0");
    EXPECT_EQ(Answer(request("")), "\xFF\xFA\x2A\x03\xFF\xF0");
    // 10,000 names: longer than a sub-negotiation may be, so rejected, and nothing is kept.
    std::string names;
    for (int i = 0; i < 10000; ++i)
        names += ";NAME-" + std::to_string(i);
    EXPECT_EQ(Answer(request(names + ";CP1251")), "\xFF\xFA\x2A\x03\xFF\xF0");
    // 5,000 short names fit, and the readable one at their end is found.
    std::string shortNames;
    for (int i = 0; i < 5000; ++i)
        shortNames += ";x";
    EXPECT_EQ(Answer(request(shortNames + ";CP1251")), "\xFF\xFA\x2A\x02"
                                                       "CP1251\xFF\xF0");
}

TEST_F(TelnetSessionTest, TheDefaultCodePageChoiceReadsOnlyWindows1251) {
    Windows1251Only only;
    EXPECT_TRUE(only.Accepts("windows-1251"));
    EXPECT_TRUE(only.Accepts("Windows-1251"));
    EXPECT_TRUE(only.Accepts("CP1251"));
    EXPECT_FALSE(only.Accepts("UTF-8"));
    EXPECT_FALSE(only.Accepts("KOI8-R"));
    EXPECT_FALSE(only.Accepts("windows-12510"));
    EXPECT_FALSE(only.IsUtf8());
}

} // namespace
} // namespace tolmix
