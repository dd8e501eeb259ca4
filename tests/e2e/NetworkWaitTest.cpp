// Waits on the network that must not hold the player: a connect that hangs (a listener whose
// accept queue is full), a proxy that trickles its reply, a server that stops reading while
// the client answers it. The screen stays shown, F10 and Escape are heard, SIGTERM and SIGHUP
// end the program at once with the terminal restored, and a send that cannot finish drops the
// connection with its error and the reconnect prompt.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/ClientScreen.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/LoopbackServer.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <memory>
#include <string>
#include <vector>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr auto Patience = 5000ms;
// Well inside the client's own 30 s limits: a wait the player cannot leave would outlast it.
constexpr auto Promptly = 3000ms;

constexpr std::string_view Prompt = "Нажмите Enter для повторного подключения, или F10 для "
                                    "выхода из программы.";

class Fd {
  public:
    explicit Fd(int fd = -1) : Value(fd) {}
    ~Fd() {
        if (Value >= 0)
            ::close(Value);
    }
    Fd(Fd&& other) noexcept : Value(other.Value) { other.Value = -1; }
    Fd& operator=(Fd&& other) noexcept {
        if (this != &other) {
            if (Value >= 0)
                ::close(Value);
            Value = other.Value;
            other.Value = -1;
        }
        return *this;
    }
    int Value;
};

// A listener on 127.0.0.1 that never accepts, its queue filled by connections of its own, so
// that a further connect is neither accepted nor refused: it hangs.
class StuckListener {
  public:
    StuckListener() {
        Listener = Fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(Listener.Value, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
            ::listen(Listener.Value, 0) != 0 ||
            ::getsockname(Listener.Value, reinterpret_cast<sockaddr*>(&address), &length) != 0)
            return;
        PortNumber = ntohs(address.sin_port);
        for (int i = 0; i < 16; ++i) {
            Fd filler(::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0));
            if (::connect(filler.Value, reinterpret_cast<sockaddr*>(&address), sizeof address) !=
                    0 &&
                errno != EINPROGRESS)
                return;
            pollfd entry{filler.Value, POLLOUT, 0};
            const bool connected = ::poll(&entry, 1, 300) == 1;
            Fillers.push_back(std::move(filler));
            if (!connected) {
                Hangs = true;
                return;
            }
        }
    }
    std::string Port() const { return std::to_string(PortNumber); }
    bool Hangs = false;

  private:
    Fd Listener;
    uint16_t PortNumber = 0;
    std::vector<Fd> Fillers;
};

// The client started on a settings file of these lines.
std::unique_ptr<PtySession> StartClient(TempDir& dir, const std::string& settings,
                                        std::vector<std::pair<std::string, std::string>> env = {}) {
    dir.WriteFile("hero.tcf", settings);
    SessionOptions options;
    options.workingDirectory = dir.String();
    options.args = {(dir.Path() / "hero.txt").string()};
    options.env = std::move(env);
    return std::make_unique<PtySession>(options);
}

// The test build's client, its every host lookup taking this long: a name server that is
// slow, or (ten minutes) one that never answers within the test.
std::vector<std::pair<std::string, std::string>> LookupTakes(std::chrono::milliseconds delay) {
    return {{"TOLMIX_TEST_LOOKUP_DELAY_MS", std::to_string(delay.count())}};
}
constexpr auto NeverAnswers = std::chrono::milliseconds(600'000);

// The client sleeps while it waits: a wait that polls instead burns most of a core.
testing::AssertionResult WaitsIdle(PtySession& s) {
    const auto before = s.CpuTime();
    s.PumpFor(1000ms);
    const auto after = s.CpuTime();
    if (!before || !after)
        return testing::AssertionFailure() << "no CPU time of the client";
    const auto busy = std::chrono::duration_cast<std::chrono::milliseconds>(*after - *before);
    if (busy > 300ms)
        return testing::AssertionFailure() << "busy for " << busy.count() << " ms of 1000";
    return testing::AssertionSuccess();
}

testing::AssertionResult EndsPromptly(PtySession& s) {
    const auto start = Clock::now();
    testing::AssertionResult exited = ExitsWith(s, 0, Patience);
    if (!exited)
        return exited;
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start);
    if (took > Promptly)
        return testing::AssertionFailure() << "the program took " << took.count() << " ms to end";
    return TtyRestored(s);
}

std::string HangingSettings(const StuckListener& listener) {
    return "AutoSend=\r\nAddress=127.0.0.1\r\nPort=" + listener.Port() + "\r\n";
}

TEST(HangingConnect, TheWholeScreenIsShownAndF10CancelsAndQuits) {
    StuckListener listener;
    ASSERT_TRUE(listener.Hangs) << "the listener's queue did not fill";
    TempDir dir;
    auto client = StartClient(dir, HangingSettings(listener));
    PtySession& s = *client;
    // The whole state at once: the line may come before the rest of the frame is drawn.
    ASSERT_TRUE(Reaches(s,
                        {Shown(s, "Подключение к 127.0.0.1:" + listener.Port()),
                         Shown(s, kClientTitle),
                         {"the first whole frame", [&] { return FirstFrameDrawn(s.Screen()); }}},
                        Patience));
    s.PumpFor(300ms);
    ASSERT_TRUE(s.Running()) << s.Dump();
    EXPECT_FALSE(s.ScreenContains("Ошибка")) << s.Dump();
    ASSERT_TRUE(s.Send(keys::F10));
    EXPECT_TRUE(EndsPromptly(s));
}

TEST(HangingConnect, EscapeCancelsTheAttemptAndEnterTriesAgain) {
    StuckListener listener;
    ASSERT_TRUE(listener.Hangs) << "the listener's queue did not fill";
    TempDir dir;
    auto client = StartClient(dir, HangingSettings(listener));
    PtySession& s = *client;
    ASSERT_TRUE(ShowsText(s, "Подключение к 127.0.0.1", Patience));
    // Typed while the attempt runs: kept for the editor, not lost.
    ASSERT_TRUE(s.Send("look"));
    s.PumpFor(100ms);
    ASSERT_TRUE(s.Send(keys::Escape));
    ASSERT_TRUE(ShowsText(s, "Ошибка: Interrupted system call", Promptly));
    ASSERT_TRUE(ShowsText(s, Prompt, Patience));
    EXPECT_TRUE(s.ScreenContains("look")) << s.Dump();
    EXPECT_TRUE(s.Running());

    // Enter while unconnected starts another attempt, which hangs as well; SIGHUP ends it.
    ASSERT_TRUE(s.Send(keys::Enter));
    ASSERT_TRUE(s.WaitFor(
        [&] {
            int connecting = 0;
            for (int y = 0; y < s.Rows(); ++y)
                connecting += s.RowTrimmed(y).starts_with("Подключение к") ? 1 : 0;
            return connecting == 2;
        },
        Patience))
        << s.Dump();
    s.PumpFor(200ms);
    ::kill(s.Pid(), SIGHUP);
    EXPECT_TRUE(EndsPromptly(s));
}

TEST(HangingConnect, SigtermEndsTheProgramAtOnce) {
    StuckListener listener;
    ASSERT_TRUE(listener.Hangs) << "the listener's queue did not fill";
    TempDir dir;
    auto client = StartClient(dir, HangingSettings(listener));
    PtySession& s = *client;
    ASSERT_TRUE(ShowsText(s, "Подключение к 127.0.0.1", Patience));
    s.PumpFor(200ms);
    EXPECT_TRUE(WaitsIdle(s));
    ::kill(s.Pid(), SIGTERM);
    EXPECT_TRUE(EndsPromptly(s));
}

TEST(HangingConnect, AProxyTricklingItsReplyStillHearsTheKeys) {
    LoopbackServer proxy;
    // The status line at once, then a header that never ends.
    proxy.SetScript({{"\r\n\r\n", "HTTP/1.0 200 OK\r\nX-Slow: ", false}});
    TempDir dir;
    auto client = StartClient(dir, "AutoSend=\r\nAddress=mud.example\r\nPort=4000\r\n"
                                   "ProxyAddr=127.0.0.1\r\nProxyPort=" +
                                       std::to_string(proxy.Port()) + "\r\n");
    PtySession& s = *client;
    ASSERT_TRUE(s.WaitFor([&] { return proxy.ConnectionCount() > 0; }, Patience)) << s.Dump();
    auto peer = proxy.Accept(0ms);
    ASSERT_TRUE(peer);
    ASSERT_TRUE(peer->WaitForReceived("CONNECT mud.example:4000 HTTP/1.0\r\n\r\n", Patience));
    ASSERT_TRUE(ShowsText(s, "Подключение к mud.example:4000", Patience));
    for (int i = 0; i < 10; ++i) {
        ASSERT_TRUE(peer->Send("x"));
        s.PumpFor(100ms);
    }
    ASSERT_TRUE(s.Send(keys::Escape));
    ASSERT_TRUE(ShowsText(s, "Ошибка: Interrupted system call", Promptly));
    ASSERT_TRUE(ShowsText(s, Prompt, Patience));
    EXPECT_TRUE(peer->WaitForPeerClosed(Patience));
    ASSERT_TRUE(s.Send(keys::F10));
    EXPECT_TRUE(EndsPromptly(s));
}

TEST(SlowLookup, EscapeAndF10AreHeardAtOnceWhileTheNameServerHangs) {
    TempDir dir;
    auto client = StartClient(dir, "AutoSend=\r\nAddress=mud.example\r\nPort=4000\r\n",
                              LookupTakes(NeverAnswers));
    PtySession& s = *client;
    ASSERT_TRUE(Reaches(s,
                        {Shown(s, "Подключение к mud.example:4000"),
                         Shown(s, kClientTitle),
                         {"the first whole frame", [&] { return FirstFrameDrawn(s.Screen()); }}},
                        Patience));
    // The loop sleeps while the lookup runs, and the keys typed meanwhile are kept.
    EXPECT_TRUE(WaitsIdle(s));
    ASSERT_TRUE(s.Send("look"));
    s.PumpFor(100ms);
    ASSERT_TRUE(s.Send(keys::Escape));
    ASSERT_TRUE(ShowsText(s, "Ошибка: Interrupted system call", Promptly));
    ASSERT_TRUE(ShowsText(s, Prompt, Patience));
    EXPECT_TRUE(s.ScreenContains("look")) << s.Dump();

    // Another attempt hangs in its lookup as well; F10 ends the program without waiting for
    // either lookup.
    ASSERT_TRUE(s.Send(keys::Enter));
    ASSERT_TRUE(s.WaitFor(
        [&] {
            int connecting = 0;
            for (int y = 0; y < s.Rows(); ++y)
                connecting += s.RowTrimmed(y).starts_with("Подключение к") ? 1 : 0;
            return connecting == 2;
        },
        Patience))
        << s.Dump();
    s.PumpFor(200ms);
    ASSERT_TRUE(s.Running());
    ASSERT_TRUE(s.Send(keys::F10));
    EXPECT_TRUE(EndsPromptly(s));
}

TEST(SlowLookup, SigtermEndsTheProgramDuringALookup) {
    TempDir dir;
    auto client = StartClient(dir, "AutoSend=\r\nAddress=mud.example\r\nPort=4000\r\n",
                              LookupTakes(NeverAnswers));
    PtySession& s = *client;
    ASSERT_TRUE(ShowsText(s, "Подключение к mud.example", Patience));
    s.PumpFor(200ms);
    ::kill(s.Pid(), SIGTERM);
    EXPECT_TRUE(EndsPromptly(s));
}

TEST(SlowLookup, ALookupThatEndsGoesOnToConnect) {
    LoopbackServer server;
    server.SetScript({{"", "Hello from the slow host\r\n", false}});
    TempDir dir;
    auto client = StartClient(
        dir, "AutoSend=\r\nAddress=127.0.0.1\r\nPort=" + std::to_string(server.Port()) + "\r\n",
        LookupTakes(4000ms));
    PtySession& s = *client;
    ASSERT_TRUE(ShowsText(s, "Подключение к 127.0.0.1", Patience));
    // Nothing is connected while the name is looked up, and the client sleeps meanwhile.
    EXPECT_EQ(server.ConnectionCount(), 0u);
    EXPECT_TRUE(WaitsIdle(s));
    ASSERT_TRUE(ShowsText(s, "Hello from the slow host", Patience));
    EXPECT_FALSE(s.ScreenContains("Ошибка")) << s.Dump();
    ASSERT_TRUE(s.Send(keys::F10));
    EXPECT_TRUE(EndsPromptly(s));
}

TEST(PortSettings, APortOutsideItsRangeIsAnErrorThatSaysSo) {
    struct Case {
        std::string settings;
        std::string error;
    };
    for (const Case& c : {Case{"Port=108041\r\n", "Ошибка: Порт 108041 вне диапазона 1-65535"},
                          Case{"Port=99999\r\n", "Ошибка: Порт 99999 вне диапазона 1-65535"},
                          Case{"Port=4000\r\nProxyAddr=127.0.0.1\r\nProxyPort=70000\r\n",
                               "Ошибка: Порт 70000 вне диапазона 1-65535"}}) {
        TempDir dir;
        auto client = StartClient(dir, "AutoSend=\r\nAddress=127.0.0.1\r\n" + c.settings);
        PtySession& s = *client;
        EXPECT_TRUE(ShowsText(s, c.error, Patience));
        EXPECT_TRUE(ShowsText(s, Prompt, Patience));
        ASSERT_TRUE(s.Send(keys::F10));
        EXPECT_TRUE(EndsPromptly(s));
    }
}

// A game server that accepts, greets with telnet offers and never reads what the client
// answers, its receive buffer kept small so that the client's answers soon have nowhere to go.
class DeafServer {
  public:
    DeafServer() {
        Listener = Fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
        const int small = 4096;
        ::setsockopt(Listener.Value, SOL_SOCKET, SO_RCVBUF, &small, sizeof small);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (::bind(Listener.Value, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0 &&
            ::listen(Listener.Value, 1) == 0 &&
            ::getsockname(Listener.Value, reinterpret_cast<sockaddr*>(&address), &length) == 0)
            PortNumber = ntohs(address.sin_port);
    }
    std::string Port() const { return std::to_string(PortNumber); }

    bool Accept(PtySession& s) {
        s.WaitFor(
            [&] {
                pollfd entry{Listener.Value, POLLIN, 0};
                return ::poll(&entry, 1, 0) == 1;
            },
            Patience);
        Peer = Fd(::accept4(Listener.Value, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC));
        return Peer.Value >= 0;
    }

    // Sends lines of IAC WILL offers until the client stops taking them for three seconds: it
    // is then held in a send of its answers (a client that is only slow to be scheduled on a
    // loaded machine has taken more by then; one second was seen to be too short). False when
    // that never happens within the bounds.
    bool OfferUntilTheClientStalls(PtySession& s) {
        std::string line;
        for (int i = 0; i < 1000; ++i)
            line += "\xFF\xFB\x01";
        line += "\r\n";
        const auto start = Clock::now();
        std::size_t sent = 0;
        auto lastProgress = Clock::now();
        std::size_t offset = 0;
        while (Clock::now() - start < 40s && sent < (64u << 20)) {
            const ssize_t n = ::send(Peer.Value, line.data() + offset, line.size() - offset,
                                     MSG_NOSIGNAL | MSG_DONTWAIT);
            if (n > 0) {
                sent += static_cast<std::size_t>(n);
                offset = (offset + static_cast<std::size_t>(n)) % line.size();
                lastProgress = Clock::now();
                continue;
            }
            if (n < 0 && errno != EAGAIN && errno != EWOULDBLOCK)
                return false;
            if (Clock::now() - lastProgress > 3s)
                return true;
            s.PumpFor(20ms);
        }
        return false;
    }

  private:
    Fd Listener;
    Fd Peer;
    uint16_t PortNumber = 0;
};

std::unique_ptr<PtySession> StartOnDeafServer(TempDir& dir, DeafServer& server) {
    return StartClient(dir, "AutoSend=\r\nAddress=127.0.0.1\r\nPort=" + server.Port() + "\r\n");
}

TEST(DeafServer, F10EndsTheProgramWhileItsAnswersCannotGoOut) {
    DeafServer server;
    TempDir dir;
    auto client = StartOnDeafServer(dir, server);
    PtySession& s = *client;
    ASSERT_TRUE(server.Accept(s)) << s.Dump();
    ASSERT_TRUE(server.OfferUntilTheClientStalls(s)) << s.Dump();
    ASSERT_TRUE(s.Running());
    ASSERT_TRUE(s.Send(keys::F10));
    EXPECT_TRUE(EndsPromptly(s));
}

TEST(DeafServer, SigtermEndsTheProgramWhileItsAnswersCannotGoOut) {
    DeafServer server;
    TempDir dir;
    auto client = StartOnDeafServer(dir, server);
    PtySession& s = *client;
    ASSERT_TRUE(server.Accept(s)) << s.Dump();
    ASSERT_TRUE(server.OfferUntilTheClientStalls(s)) << s.Dump();
    EXPECT_TRUE(WaitsIdle(s));
    ::kill(s.Pid(), SIGTERM);
    EXPECT_TRUE(EndsPromptly(s));
}

// The send's own limit is 30 s: this scenario waits it out once.
TEST(DeafServer, ASendThatCannotFinishDropsTheConnectionWithItsError) {
    DeafServer server;
    TempDir dir;
    auto client = StartOnDeafServer(dir, server);
    PtySession& s = *client;
    ASSERT_TRUE(server.Accept(s)) << s.Dump();
    ASSERT_TRUE(server.OfferUntilTheClientStalls(s)) << s.Dump();
    // The stall seen from the server's side may come before the client's own send is held: a
    // slow client (a sanitizer build, a loaded machine) still has the server's backlog to read
    // and answer. Its 30 s run from the moment its send is held, so the bound leaves room.
    EXPECT_TRUE(ShowsText(s, "Ошибка: Connection timed out", 120000ms));
    EXPECT_TRUE(ShowsText(s, Prompt, Patience));
    ASSERT_TRUE(s.Running());
    ASSERT_TRUE(s.Send(keys::F10));
    EXPECT_TRUE(EndsPromptly(s));
}

} // namespace
} // namespace tolmix::e2e
