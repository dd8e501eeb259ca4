// The harness itself, run against /bin/sh so that it is trusted before the client is judged by it.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/LoopbackServer.h"
#include "e2e/harness/OutputTokens.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <thread>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr milliseconds kWait = 5s; // generous: sanitizer builds are slow

// ---- Screen ----------------------------------------------------------------------------------

TEST(PtySessionScreen, ColouredUtf8TextReadsBackAsCodePointsAndConsoleColours) {
    PtySession s(SessionOptions::Shell(
        "printf '\\033[31;44mR\\033[92;103mG\\033[0;1;34mB\\033[0m\\342\\224\\200\\320\\226'"));
    ASSERT_TRUE(ShowsText(s, "\u0416", kWait));

    const ScreenCell red = s.Cell(0, 0);
    EXPECT_EQ(red.ch, U'R');
    EXPECT_EQ(red.fg, 4); // red
    EXPECT_EQ(red.bg, 1); // blue
    EXPECT_EQ(red.Attribute(), 0x14);
    const ScreenCell green = s.Cell(1, 0);
    EXPECT_EQ(green.fg, 10); // light green
    EXPECT_EQ(green.bg, 14); // yellow
    // Bold must not turn into a bright colour: the client uses SGR 90-97 for those.
    const ScreenCell bold = s.Cell(2, 0);
    EXPECT_EQ(bold.fg, 1);
    EXPECT_TRUE(bold.bold);
    EXPECT_EQ(s.Cell(3, 0).ch, U'\u2500');
    EXPECT_EQ(s.Cell(3, 0).fg, kDefaultColour);
    EXPECT_EQ(s.Cell(4, 0).ch, U'\u0416');
    EXPECT_EQ(s.Cell(5, 0).ch, U' ');

    EXPECT_EQ(s.Row(0).substr(0, 5), U"RGB\u2500\u0416");
    EXPECT_EQ(s.RowTrimmed(0), "RGB\u2500\u0416");
    EXPECT_EQ(s.RowUtf8(0), s.RowTrimmed(0) + std::string(75, ' '));
    EXPECT_NE(s.Dump().find("  0 |RGB\u2500\u0416 "), std::string::npos) << s.Dump();
}

TEST(PtySessionScreen, EverySgrColourMapsToItsConsoleNumber) {
    struct Sgr {
        int code;
        int console;
    };
    const Sgr kColours[] = {
        {30, 0}, {31, 4},  {32, 2},  {33, 6},  {34, 1}, {35, 5},  {36, 3},  {37, 7},
        {90, 8}, {91, 12}, {92, 10}, {93, 14}, {94, 9}, {95, 13}, {96, 11}, {97, 15},
    };
    std::string script = "printf '";
    for (const Sgr& c : kColours)
        script += "\\033[" + std::to_string(c.code) + "mf";
    script += "\\033[0m\\r\\n";
    for (const Sgr& c : kColours)
        script += "\\033[" + std::to_string(c.code + 10) + "mb";
    script += "\\033[0mend'";
    PtySession s(SessionOptions::Shell(script));
    ASSERT_TRUE(ShowsText(s, "end", kWait));
    for (int i = 0; i < 16; ++i) {
        EXPECT_EQ(s.Cell(i, 0).fg, kColours[i].console) << "SGR " << kColours[i].code;
        EXPECT_EQ(s.Cell(i, 1).bg, kColours[i].console) << "SGR " << kColours[i].code + 10;
    }
}

TEST(PtySessionScreen, CursorPositionAndVisibilityFollowTheProgram) {
    PtySession s(SessionOptions::Shell(
        "printf 'ab\\033[3;5H\\033[?25l'; read x; printf '\\033[1;2H\\033[?25h'; read x"));
    ASSERT_TRUE(Eventually(
        s, [&] { return !s.CursorVisible(); }, kWait, "cursor hidden"));
    EXPECT_EQ(s.Cursor(), (CursorPosition{4, 2}));
    ASSERT_TRUE(s.Send(keys::Enter));
    ASSERT_TRUE(Eventually(
        s, [&] { return s.CursorVisible(); }, kWait, "cursor shown"));
    EXPECT_EQ(s.Cursor(), (CursorPosition{1, 0}));
}

// libvterm 0.1.4 breaks both when they arrive in two reads; the harness must not.
TEST(PtySessionScreen, CharacterAndTitleSplitBetweenWritesSurvive) {
    PtySession s(
        SessionOptions::Shell("printf '\\342\\224'; sleep 0.2; printf '\\200\\033]2;Split';"
                              " sleep 0.2; printf ' title\\007done'"));
    ASSERT_TRUE(ShowsText(s, "done", kWait));
    EXPECT_EQ(s.Cell(0, 0).ch, U'\u2500');
    EXPECT_FALSE(s.ScreenContains("\uFFFD")) << s.Dump();
    EXPECT_EQ(s.Title(), "Split title");
}

// A program that draws its frames as synchronized updates is read back one whole frame at a
// time, however its bytes are cut into reads; an update that never ends shows once the program
// is gone, as a terminal shows it when it stops waiting.
TEST(TerminalModelUpdates, ASynchronizedUpdateReachesTheScreenWholeWhenItEnds) {
    TerminalModel model(20, 3, nullptr);
    model.Feed("old");
    model.Feed("\x1b[?2026");
    model.Feed("h\x1b[Hne");
    EXPECT_EQ(model.RowTrimmed(0), "old");
    EXPECT_TRUE(model.UpdateUnfinished());
    EXPECT_NE(model.Dump().find("not ended"), std::string::npos) << model.Dump();
    model.Feed("w\x1b[?20");
    EXPECT_EQ(model.RowTrimmed(0), "old");
    model.Feed("26l after\x1b[?2026h\x1b[2;1Hsecond\x1b[?2026l\x1b[?2026h\x1b[3;1Hthird");
    EXPECT_EQ(model.RowTrimmed(0), "new after");
    EXPECT_EQ(model.RowTrimmed(1), "second");
    EXPECT_EQ(model.RowTrimmed(2), "");
    model.ShowUnfinishedUpdate();
    EXPECT_EQ(model.RowTrimmed(2), "third");
    EXPECT_FALSE(model.UpdateUnfinished());
}

TEST(PtySessionScreen, AnUpdateLeftOpenByAProgramThatEndedIsShown) {
    PtySession s(SessionOptions::Shell("printf 'before\\033[?2026h\\033[2;1Hhalf'"));
    ASSERT_TRUE(s.WaitForExit(kWait));
    EXPECT_TRUE(s.ScreenContains("before")) << s.Dump();
    EXPECT_TRUE(s.ScreenContains("half")) << s.Dump();
}

TEST(PtySessionScreen, TitleIsTheLastOscZeroOrTwo) {
    PtySession s(SessionOptions::Shell(
        "printf '\\033]0;First\\007\\033]2;Tolmix \\320\\226\\033\\\\\\033]1;icon\\007x'"));
    ASSERT_TRUE(ShowsText(s, "x", kWait));
    EXPECT_EQ(s.Title(), "Tolmix \u0416");
    EXPECT_EQ(TitlesIn(s.Output()), (std::vector<std::string>{"First", "Tolmix \u0416"}));
}

TEST(PtySessionScreen, CursorPositionQueryIsAnswered) {
    PtySession s(SessionOptions::Shell("stty -echo -icanon min 1; printf '\\033[2;3H\\033[6n';"
                                       " r=$(dd bs=1 count=6 2>/dev/null);"
                                       " printf '\\033[5;1H%s' \"${r#?}\""));
    ASSERT_TRUE(ShowsText(s, "R", kWait));
    EXPECT_EQ(s.RowTrimmed(4), "[2;3R");
}

TEST(PtySessionScreen, AlternateScreenAndPrivateModesAreFollowed) {
    PtySession s(SessionOptions::Shell(
        "printf 'main\\033[?1049h\\033[?25lalt'; read x; printf '\\033[?1049l\\033[?25h'"));
    ASSERT_TRUE(ShowsText(s, "alt", kWait));
    EXPECT_TRUE(s.Screen().AltScreen());
    EXPECT_FALSE(s.ScreenContains("main"));
    EXPECT_EQ(s.LastPrivateMode(1049), true);

    ASSERT_TRUE(s.Send(keys::Enter));
    ASSERT_TRUE(ExitsWith(s, 0, kWait));
    EXPECT_FALSE(s.Screen().AltScreen());
    EXPECT_TRUE(s.ScreenContains("main"));
    EXPECT_FALSE(s.ScreenContains("alt"));
    EXPECT_EQ(s.LastPrivateMode(1049), false);
    EXPECT_EQ(s.LastPrivateMode(25), true);
    EXPECT_EQ(s.LastPrivateMode(1004), std::nullopt);
}

// ---- Process ---------------------------------------------------------------------------------

TEST(PtySessionProcess, ExitCodeAndSignalAreReported) {
    PtySession exits(SessionOptions::Shell("exit 7"));
    EXPECT_EQ(exits.WaitForExit(kWait), ExitStatus::Code(7));
    EXPECT_FALSE(exits.Running());

    PtySession killed(SessionOptions::Shell("kill -TERM $$; sleep 5"));
    EXPECT_EQ(killed.WaitForExit(kWait), ExitStatus::Signal(SIGTERM));
}

TEST(PtySessionProcess, ProgramThatCannotStartIsReportedWithTheReason) {
    SessionOptions missing;
    missing.program = "/nonexistent/tolmix-client";
    try {
        PtySession s(missing);
        FAIL() << "started a program that does not exist";
    } catch (const std::runtime_error& e) {
        EXPECT_NE(std::string(e.what()).find("/nonexistent/tolmix-client"), std::string::npos);
        EXPECT_NE(std::string(e.what()).find("No such file"), std::string::npos) << e.what();
    }

    SessionOptions badFolder = SessionOptions::Shell("exit 0");
    badFolder.workingDirectory = "/nonexistent/folder";
    EXPECT_THROW(PtySession s(badFolder), std::runtime_error);
}

TEST(PtySessionProcess, WaitsEndWithinTheirBound) {
    PtySession sleeper(SessionOptions::Shell("sleep 5"));
    auto start = Clock::now();
    EXPECT_FALSE(sleeper.WaitForText("never", 300ms));
    auto took = Clock::now() - start;
    EXPECT_GE(took, 300ms);
    // Bounds far above the waits' own, so that only a wait that runs on until the program
    // ends (after 5 s) fails on a loaded machine.
    EXPECT_LT(took, 4s);
    start = Clock::now();
    EXPECT_EQ(sleeper.WaitForExit(200ms), std::nullopt);
    EXPECT_LT(Clock::now() - start, 4s);

    // Once the program is gone, nothing more can appear: the wait gives up at once.
    PtySession quick(SessionOptions::Shell("printf done"));
    start = Clock::now();
    EXPECT_FALSE(quick.WaitForText("never", 20s));
    EXPECT_LT(Clock::now() - start, 5s);
    EXPECT_TRUE(quick.ScreenContains("done"));
}

TEST(PtySessionProcess, ProgramGetsItsArgumentsCleanEnvironmentAndFolders) {
    setenv("TOLMIX_HARNESS_LEAK", "1", 1);
    TempDir work;
    SessionOptions options = SessionOptions::Shell(
        "printf '[%s|%s|%s|%s|%s|%s|%s|%s' \"$0\" \"$1\" \"$TERM\" \"$LC_ALL\""
        " \"${TOLMIX_HARNESS_LEAK-unset}\" \"${LANG-unset}\" \"$EXTRA\" \"$(pwd)\";"
        " [ -d \"$HOME\" ] && printf '|%s]' \"$HOME\"",
        200);
    options.args.push_back("name");
    options.args.push_back("a b");
    options.workingDirectory = work.String();
    options.env = {{"EXTRA", "extra value"}, {"TERM", "xterm"}};
    options.unsetEnv = {"LANG"};
    std::filesystem::path home;
    {
        PtySession s(options);
        unsetenv("TOLMIX_HARNESS_LEAK"); // the child's environment is fixed at start
        home = s.Home();
        ASSERT_TRUE(ExitsWith(s, 0, kWait));
        EXPECT_EQ(s.Output(), "[name|a b|xterm|C.UTF-8|unset|unset|extra value|" + work.String() +
                                  "|" + home.string() + "]");
        EXPECT_NE(home, work.Path());
    }
    EXPECT_FALSE(std::filesystem::exists(home));
}

bool ProcessGone(pid_t pid) {
    if (kill(pid, 0) != 0 && errno == ESRCH)
        return true;
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string line;
    std::getline(stat, line);
    const auto close = line.rfind(')');
    return close != std::string::npos && close + 2 < line.size() && line[close + 2] == 'Z';
}

TEST(PtySessionProcess, DestructorEndsAProgramThatIgnoresTerm) {
    pid_t shell = -1;
    int background = -1;
    auto start = Clock::now();
    {
        PtySession s(SessionOptions::Shell("trap '' TERM; sleep 30 & printf 'child %s.' $!; wait"));
        ASSERT_TRUE(ShowsText(s, ".", kWait));
        shell = s.Pid();
        background = std::atoi(s.RowTrimmed(0).c_str() + 6);
        start = Clock::now();
    }
    EXPECT_LT(Clock::now() - start, 3s);
    EXPECT_TRUE(ProcessGone(shell));
    ASSERT_GT(background, 0);
    // The orphaned sleep is reaped by whoever adopts it; allow it a moment.
    bool gone = false;
    for (int i = 0; i < 200 && !gone; ++i) {
        gone = ProcessGone(background);
        if (!gone)
            std::this_thread::sleep_for(10ms);
    }
    EXPECT_TRUE(gone) << "process " << background << " still runs";
}

// ---- Input and terminal modes ----------------------------------------------------------------

TEST(PtySessionInput, SentBytesReachTheProgramUnchanged) {
    PtySession s(SessionOptions::Shell(
        "stty raw -echo; printf 'ready\\r\\n'; dd bs=1 count=9 2>/dev/null | od -An -tx1"));
    ASSERT_TRUE(ShowsText(s, "ready", kWait));
    ASSERT_TRUE(s.Send(keys::F10 + keys::Up + keys::Ctrl('a')));
    EXPECT_TRUE(ShowsText(s, "1b 5b 32 31 7e 1b 5b 41 01", kWait));
}

TEST(PtySessionInput, TtyModesAreReadAfterTheProgramEnded) {
    PtySession leaves(SessionOptions::Shell("stty -icanon -echo"));
    ASSERT_TRUE(ExitsWith(leaves, 0, kWait));
    const auto modes = leaves.ReadTtyModes();
    ASSERT_TRUE(modes.has_value());
    EXPECT_FALSE(modes->canonical);
    EXPECT_FALSE(modes->echo);
    EXPECT_TRUE(modes->signals);
    std::string differences;
    EXPECT_FALSE(leaves.TtyRestored(&differences));
    EXPECT_NE(differences.find("ICANON off"), std::string::npos) << differences;
    EXPECT_NE(differences.find("ECHO off"), std::string::npos) << differences;

    PtySession restores(SessionOptions::Shell("stty -icanon -echo -isig; stty icanon echo isig"));
    ASSERT_TRUE(ExitsWith(restores, 0, kWait));
    EXPECT_TRUE(TtyRestored(restores));
    EXPECT_TRUE(restores.ReadTtyModes()->canonical);
}

TEST(PtySessionInput, ResizeReachesTheProgramWithSigwinch) {
    PtySession s(SessionOptions::Shell("trap 'stty size; exit 0' WINCH; printf ready; i=0;"
                                       " while [ $i -lt 100 ]; do sleep 0.1; i=$((i+1)); done;"
                                       " exit 3"));
    ASSERT_TRUE(ShowsText(s, "ready", kWait));
    s.Resize(100, 30);
    ASSERT_TRUE(ExitsWith(s, 0, kWait));
    EXPECT_TRUE(s.ScreenContains("30 100")) << s.Dump();
    EXPECT_EQ(s.Columns(), 100);
    EXPECT_EQ(s.Rows(), 30);
}

// ---- Raw output ------------------------------------------------------------------------------

TEST(OutputTokens, UnfinishedTailIsKeptApart) {
    const std::string out = "A\x1b[31mB\x1b]2;t\x07\xe2\x94";
    std::vector<TokenKind> kinds;
    for (const auto& token : Tokenize(out))
        kinds.push_back(token.kind);
    EXPECT_EQ(kinds, (std::vector<TokenKind>{TokenKind::Text, TokenKind::Csi, TokenKind::Text,
                                             TokenKind::Osc, TokenKind::Incomplete}));
    EXPECT_EQ(CompletePrefixLength(out), out.size() - 2);
    EXPECT_EQ(CompletePrefixLength("x\x1b]2;unfinished title"), 1u);
    EXPECT_EQ(CompletePrefixLength("x\x1b[?10"), 1u);
    // A broken character is not waited for: the terminal shows it as U+FFFD.
    EXPECT_EQ(CompletePrefixLength("\xe2x"), 2u);
    EXPECT_EQ(CsiSequences("\x1b[8;25;80t\x1b[?1049;25h"),
              (std::vector<std::string>{"8;25;80t", "?1049;25h"}));
}

TEST(OutputTokens, StrayControlsAreFoundOnlyOutsideSequences) {
    EXPECT_EQ(FindStrayControl("\x1b[31mA\x1b]2;t\x07\x1bP1$r\x1b\\\r\n"), std::nullopt);
    const auto c0 = FindStrayControl("AB\x01"
                                     "C");
    ASSERT_TRUE(c0.has_value());
    EXPECT_EQ(c0->offset, 2u);
    EXPECT_EQ(c0->code, 0x01u);
    const auto bell = FindStrayControl("\x1b[1mA\x07");
    ASSERT_TRUE(bell.has_value());
    EXPECT_EQ(bell->offset, 5u);
    const auto c1 = FindStrayControl("A\xc2\x85");
    ASSERT_TRUE(c1.has_value());
    EXPECT_EQ(c1->code, 0x85u);
    EXPECT_EQ(FindStrayControl("\xd0\x96\xe2\x94\x80"), std::nullopt);
}

TEST(OutputTokens, LastPrivateModeReadsCombinedModes) {
    const std::string out = "\x1b[?1049;25h\x1b[?25l\x1b[?2026h\x1b[?2026l";
    EXPECT_EQ(LastPrivateMode(out, 1049), true);
    EXPECT_EQ(LastPrivateMode(out, 25), false);
    EXPECT_EQ(LastPrivateMode(out, 2026), false);
    EXPECT_EQ(LastPrivateMode(out, 1), std::nullopt);
    EXPECT_EQ(LastPrivateMode("\x1b[25l", 25), std::nullopt); // not a private mode
}

// ---- Loopback server -------------------------------------------------------------------------

// The client side of a test connection, with bounded reads.
class TestClient {
  public:
    explicit TestClient(std::uint16_t port) {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(port);
        connected_ = connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        error_ = connected_ ? 0 : errno;
    }
    ~TestClient() {
        if (fd_ >= 0)
            close(fd_);
    }
    bool Connected() const { return connected_; }
    int Error() const { return error_; }
    void Send(std::string_view bytes) {
        ASSERT_EQ(send(fd_, bytes.data(), bytes.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(bytes.size()));
    }
    // Reads until `count` bytes, end of stream, an error or the time-out.
    std::string Read(std::size_t count, milliseconds timeout = kWait) {
        std::string got;
        const auto deadline = Clock::now() + timeout;
        while (got.size() < count && Clock::now() < deadline) {
            pollfd p{fd_, POLLIN, 0};
            if (poll(&p, 1, 50) <= 0)
                continue;
            char buffer[256];
            const ssize_t n = recv(fd_, buffer, std::min(sizeof buffer, count - got.size()), 0);
            lastRecv_ = n;
            lastErrno_ = n < 0 ? errno : 0;
            if (n <= 0)
                break;
            got.append(buffer, static_cast<std::size_t>(n));
        }
        return got;
    }
    void CloseNow() {
        close(fd_);
        fd_ = -1;
    }
    ssize_t LastRecv() const { return lastRecv_; }
    int LastErrno() const { return lastErrno_; }

  private:
    int fd_ = -1;
    bool connected_ = false;
    int error_ = 0;
    ssize_t lastRecv_ = 1;
    int lastErrno_ = 0;
};

TEST(LoopbackServer, RoundTripsBytesBothWays) {
    LoopbackServer server;
    TestClient client(server.Port());
    ASSERT_TRUE(client.Connected());
    auto peer = server.Accept(kWait);
    ASSERT_TRUE(peer.has_value());

    const std::string fromClient("look\r\n\xff\xfb\x01\x00", 10);
    client.Send(fromClient);
    ASSERT_TRUE(peer->WaitForBytes(fromClient.size(), kWait));
    EXPECT_EQ(peer->Received(), fromClient);
    EXPECT_EQ(peer->Take(), fromClient);
    EXPECT_FALSE(peer->WaitForReceived("look", 100ms)); // taken already

    const std::string fromServer("Hello\xff\x00\r\n", 8);
    ASSERT_TRUE(peer->Send(fromServer));
    EXPECT_EQ(client.Read(fromServer.size()), fromServer);
    EXPECT_EQ(server.ConnectionCount(), 1u);
    EXPECT_FALSE(server.Accept(50ms).has_value());
}

TEST(LoopbackServer, ScriptAnswersItsStepsInOrder) {
    LoopbackServer server;
    server.SetScript({{"", "Welcome\r\n"}, {"name\r\n", "Password:"}, {"secret\r\n", "Hi!\r\n"}});
    TestClient client(server.Port());
    ASSERT_TRUE(client.Connected());
    EXPECT_EQ(client.Read(9), "Welcome\r\n");
    auto peer = server.Accept(kWait);
    ASSERT_TRUE(peer.has_value());

    // The password before the name does not count: each step looks after the one before.
    client.Send("secret\r\nname\r\n");
    EXPECT_EQ(client.Read(9), "Password:");
    EXPECT_EQ(peer->StepsDone(), 2u);
    client.Send("secret\r\n");
    EXPECT_EQ(client.Read(5), "Hi!\r\n");
    EXPECT_EQ(peer->StepsDone(), 3u);
}

TEST(LoopbackServer, EndsOfConnectionsAreSeenOnBothSides) {
    LoopbackServer server;
    TestClient leaving(server.Port());
    TestClient closed(server.Port());
    TestClient reset(server.Port());
    auto first = server.Accept(kWait);
    auto second = server.Accept(kWait);
    auto third = server.Accept(kWait);
    ASSERT_TRUE(first && second && third);

    leaving.CloseNow();
    EXPECT_TRUE(first->WaitForPeerClosed(kWait));
    EXPECT_FALSE(second->PeerClosed());

    closed.Send("unread input\r\n"); // must not turn the close into a reset
    second->Close();
    EXPECT_EQ(closed.Read(100), "");
    EXPECT_EQ(closed.LastRecv(), 0);

    third->Reset();
    EXPECT_EQ(reset.Read(100), "");
    EXPECT_EQ(reset.LastRecv(), -1);
    EXPECT_EQ(reset.LastErrno(), ECONNRESET);

    server.StopListening();
    TestClient refused(server.Port());
    EXPECT_FALSE(refused.Connected());
    EXPECT_EQ(refused.Error(), ECONNREFUSED);
}

} // namespace
} // namespace tolmix::e2e
