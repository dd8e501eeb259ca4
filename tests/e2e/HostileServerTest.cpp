// Servers that misbehave, end to end through the real client: endless lines, big bursts,
// silence, connections that end mid-line or are reset, and a flood of random bytes. Whatever
// the server does, the client shows what it should, offers to reconnect and stays alive.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/GameSession.h"
#include "e2e/harness/Keys.h"

#include <gtest/gtest.h>

#include <csignal>
#include <random>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;
constexpr auto LongPatience = 90000ms;

constexpr std::string_view Prompt = "Нажмите Enter для повторного подключения, или F10 для "
                                    "выхода из программы.";

GameSession ConnectedGame() {
    return GameSession("AutoSend=");
}

testing::AssertionResult ShowsReconnectPrompt(PtySession& s) {
    return ShowsText(s, Prompt, Patience);
}

// The screen still follows the terminal: a shrunken and regrown terminal is drawn again, and
// SIGTERM ends the program in an orderly way.
void ExpectAliveAndExitsCleanly(PtySession& s) {
    s.Resize(60, 20);
    s.PumpFor(50ms);
    s.Resize(80, 25);
    EXPECT_TRUE(ShowsText(s, "Tolmix Client v1.4.0", Patience));
    EXPECT_TRUE(s.Running()) << s.Dump();
    ::kill(s.Pid(), SIGTERM);
    EXPECT_TRUE(ExitsWith(s, 0, Patience));
    EXPECT_TRUE(TtyRestored(s));
}

TEST(HostileServer, AMegabyteWithoutLineEndIsShownInPiecesAndTheConnectionStays) {
    GameSession game = ConnectedGame();
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send("before\r\n"));
    ASSERT_TRUE(ShowsText(s, "before", Patience));
    game.Peer().Post(std::string(1024 * 1024, 'x') + "\r\nafter the megabyte\r\n");
    ASSERT_TRUE(ShowsText(s, "after the megabyte", LongPatience));
    EXPECT_FALSE(s.ScreenContains("Ошибка")) << s.Dump();
    EXPECT_TRUE(s.ScreenContains("xxxx")) << s.Dump();
    s.Send("still here" + keys::Enter);
    EXPECT_TRUE(game.WaitForWire("still here\r\n", Patience));
    // (The banner that ExpectAliveAndExitsCleanly looks for has scrolled away.)
    ::kill(s.Pid(), SIGTERM);
    EXPECT_TRUE(ExitsWith(s, 0, Patience));
    EXPECT_TRUE(TtyRestored(s));
}

// Over 16384 bytes of complete short lines in one write: an ordinary long room description on
// a fast link. Every line is handled; the version requests spread through the burst prove it.
TEST(HostileServer, ABurstOfShortLinesBeyondTheLineLimitIsAllHandled) {
    GameSession game = ConnectedGame();
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    constexpr int Lines = 3000;
    constexpr int RequestEvery = 100;
    std::string burst;
    for (int i = 1; i <= Lines; ++i) {
        burst += "burst line " + std::to_string(i) + " of a long room description\r\n";
        if (i % RequestEvery == 0)
            burst += "\x80\x80v\r\n";
    }
    ASSERT_GT(burst.size(), 16384u * 4);
    game.Peer().Post(burst);
    const std::string answer = "\x80\x80v1.4\r\n";
    std::string all;
    for (int i = 0; i < Lines / RequestEvery; ++i)
        all += answer;
    // A client that counts the burst as one overlong line drops the connection at once.
    s.WaitFor(
        [&] { return game.Wire().find(all) != std::string::npos || s.ScreenContains("Ошибка"); },
        LongPatience);
    ASSERT_EQ(game.Wire(), all) << s.Dump();
    // The last lines fill the bottom of the output window in order.
    ASSERT_TRUE(ShowsText(s, "burst line 3000 of", Patience));
    const int last = s.Screen().Find("burst line 3000 of")->y;
    for (int back = 1; back <= 10; ++back)
        EXPECT_EQ(s.RowTrimmed(last - back),
                  "burst line " + std::to_string(Lines - back) + " of a long room description")
            << s.Dump();
    EXPECT_FALSE(s.ScreenContains("Ошибка")) << s.Dump();
    EXPECT_FALSE(game.Peer().PeerClosed());
    s.PumpFor(100ms);
    EXPECT_EQ(game.Wire(), all);
}

TEST(HostileServer, ASilentServerLeavesTheClientIdleAndResponsive) {
    GameSession game = ConnectedGame();
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(ShowsText(s, "Подключение к 127.0.0.1", Patience));
    s.PumpFor(300ms);
    const auto before = s.CpuTime();
    s.PumpFor(2000ms);
    const auto after = s.CpuTime();
    ASSERT_TRUE(before && after) << s.Dump();
    // A client that polls instead of sleeping burns most of a core; an idle one next to none.
    EXPECT_LT(std::chrono::duration_cast<std::chrono::milliseconds>(*after - *before).count(), 500)
        << "the client is busy while the server is silent";
    EXPECT_FALSE(s.ScreenContains("Ошибка")) << s.Dump();
    // Still connected and reading: a line after the silence shows at once.
    ASSERT_TRUE(game.Peer().Send("finally\r\n"));
    ASSERT_TRUE(ShowsText(s, "finally", Patience));
    ExpectAliveAndExitsCleanly(s);
}

TEST(HostileServer, AServerClosingMidLineHasItsHalfLineShownBeforeTheClosedLine) {
    GameSession game = ConnectedGame();
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send("a whole line\r\nhalf a li"));
    game.Peer().Close();
    ASSERT_TRUE(ShowsText(s, "Сервер закрыл соединение.", Patience));
    EXPECT_FALSE(s.ScreenContains("Ошибка")) << s.Dump();
    ASSERT_TRUE(ShowsReconnectPrompt(s));
    // The half line, once, between the last whole line and the error; the prompt two rows below.
    const int line = s.Screen().Find("a whole line")->y;
    ASSERT_TRUE(s.Screen().Find("half a li").has_value()) << s.Dump();
    EXPECT_EQ(s.Screen().Find("half a li")->y, line + 1) << s.Dump();
    const int error = s.Screen().Find("Сервер закрыл")->y;
    EXPECT_EQ(error, line + 2) << s.Dump();
    EXPECT_EQ(s.Screen().Find("Нажмите")->y, error + 2) << s.Dump();
    ExpectAliveAndExitsCleanly(s);
}

TEST(HostileServer, AResetConnectionOffersToReconnect) {
    GameSession game = ConnectedGame();
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send("before the reset\r\n"));
    ASSERT_TRUE(ShowsText(s, "before the reset", Patience));
    game.Peer().Reset();
    ASSERT_TRUE(ShowsText(s, "Ошибка: Connection reset by peer", Patience));
    ASSERT_TRUE(ShowsReconnectPrompt(s));
    ExpectAliveAndExitsCleanly(s);
}

// Random bytes with the server-code markers, telnet commands, ESC and line ends mixed in.
std::string RandomLine(std::mt19937& random) {
    static const std::string Pieces[] = {"\x80\x80", "\xFF", "\xFF\xFF", "\xFF\xFB", "\x1b[",
                                         "\x1b",     "\r",   "\n",       "m",        ";"};
    std::string line;
    const int length = static_cast<int>(random() % 120);
    for (int i = 0; i < length; ++i) {
        const unsigned pick = random() % 16;
        if (pick < 10)
            line += Pieces[pick];
        else
            line += static_cast<char>(random() & 0xFF);
    }
    return line;
}

TEST(HostileServer, HundredThousandRandomLinesNeitherCrashNorHang) {
    GameSession game = ConnectedGame();
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    std::mt19937 random(4);
    // The last line offers telnet option 0x2B, which no random line offers; its refusal on the
    // wire shows that the client went through everything before it.
    const std::string finalOffer = "\xFF\xFB\x2B";
    std::string data;
    for (int i = 0; i < 100000; ++i) {
        std::string line = RandomLine(random);
        for (std::size_t at; (at = line.find(finalOffer)) != std::string::npos;)
            line.erase(at, finalOffer.size());
        data += line + "\r\n";
    }
    for (std::size_t at; (at = data.find(finalOffer)) != std::string::npos;)
        data.erase(at, finalOffer.size());
    data += finalOffer + "\r\nthe end of the noise\r\n";
    game.Peer().Post(data);
    ASSERT_TRUE(game.WaitForWire("\xFF\xFE\x2B", LongPatience)) << s.Dump();
    ASSERT_TRUE(ShowsText(s, "the end of the noise", Patience));
    EXPECT_TRUE(NoStrayControls(s));
    EXPECT_TRUE(s.Running()) << s.Dump();
    ::kill(s.Pid(), SIGTERM);
    EXPECT_TRUE(ExitsWith(s, 0, Patience));
    EXPECT_TRUE(TtyRestored(s));
}

} // namespace
} // namespace tolmix::e2e

namespace tolmix::e2e {
namespace {

// A proxy that is no proxy: the client's tunnel request gets garbage, or the connection ends at
// once. Either way the client reports the failure, offers to reconnect and stays alive.
struct BrokenProxy {
    const char* Name;
    LoopbackServer::ScriptStep Step;
};

void PrintTo(const BrokenProxy& c, std::ostream* os) {
    *os << c.Name;
}

class HostileProxy : public ::testing::TestWithParam<BrokenProxy> {};

TEST_P(HostileProxy, EndsInTheReconnectPromptAndTheClientGoesOn) {
    LoopbackServer proxy;
    proxy.SetScript({GetParam().Step});
    GameSession game(
        "AutoSend=\r\nProxyAddr=127.0.0.1\r\nProxyPort=" + std::to_string(proxy.Port()) + "\r\n");
    PtySession& s = game.Client();
    auto tunnel = proxy.Accept(Patience);
    ASSERT_TRUE(tunnel) << s.Dump();
    ASSERT_TRUE(ShowsText(s, "Ошибка: ", Patience));
    ASSERT_TRUE(ShowsReconnectPrompt(s));
    // The request went to the proxy (a proxy that waited for it has it) and nothing reached
    // the game server.
    if (!GetParam().Step.expect.empty()) {
        EXPECT_NE(tunnel->Received().find("CONNECT 127.0.0.1:"), std::string::npos)
            << tunnel->Received();
    }
    EXPECT_EQ(game.Server().ConnectionCount(), 0u);
    EXPECT_FALSE(s.ScreenContains("garbage")) << s.Dump();
    ExpectAliveAndExitsCleanly(s);
}

INSTANTIATE_TEST_SUITE_P(
    Proxies, HostileProxy,
    ::testing::Values(BrokenProxy{"Garbage", {"\r\n\r\n", "garbage \x01\x02\xFF\r\n\r\n", false}},
                      BrokenProxy{"ClosesAtOnce", {"", "", true}},
                      BrokenProxy{"RefusesTheTunnel",
                                  {"\r\n\r\n", "HTTP/1.0 403 Forbidden garbage\r\n\r\n", true}}),
    [](const ::testing::TestParamInfo<BrokenProxy>& info) { return std::string(info.param.Name); });

} // namespace
} // namespace tolmix::e2e
