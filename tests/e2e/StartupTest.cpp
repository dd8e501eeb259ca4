#include "e2e/harness/Keys.h"
#include "e2e/harness/LoopbackServer.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"
#include "platform/vt/Charsets.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;
const std::u32string Separator80(80, U'\u2500');

// True when every cell of the row shows this character in this console attribute.
bool RowIs(const PtySession& s, int y, char32_t ch, int attr) {
    for (int x = 0; x < s.Columns(); ++x) {
        const ScreenCell c = s.Cell(x, y);
        const char32_t shown = c.chars.empty() ? U' ' : c.chars[0];
        if (shown != ch || c.Attribute() != attr)
            return false;
    }
    return true;
}

// A loopback port that nobody listens on (it was free a moment ago).
std::string ClosedPort() {
    LoopbackServer server;
    return std::to_string(server.Port());
}

// Starts the client on a settings file holding these lines (none: no argument, and the default
// settings file in the folder sets only the port). Its connection at start-up is refused, so
// the output window shows the banner and six lines: empty, connecting, empty, error, empty, the
// reconnect prompt.
struct Client {
    TempDir Dir;
    std::unique_ptr<PtySession> Session;

    explicit Client(std::optional<std::string> settings, int columns = 80, int rows = 25) {
        SessionOptions options;
        options.columns = columns;
        options.rows = rows;
        options.workingDirectory = Dir.String();
        Port = ClosedPort();
        const std::string port = "\r\nAddress=127.0.0.1\r\nPort=" + Port + "\r\n";
        if (settings) {
            Dir.WriteFile("hero.tcf", *settings + port);
            options.args = {(Dir.Path() / "hero.txt").string()};
        } else {
            Dir.WriteFile("TolmixClient.tcf", port);
        }
        Session = std::make_unique<PtySession>(options);
    }
    std::string Port;
    // The reconnect prompt is the last of the refused connection's lines.
    bool WaitForPrompt() {
        return Session->WaitFor(
            [&] { return Session->RowTrimmed(6).find("F10") != std::string::npos; }, Patience);
    }
    PtySession& operator*() { return *Session; }
    PtySession* operator->() { return Session.get(); }
};

// True when every cell of the row has this background colour (console numbering).
bool RowBackgroundIs(const PtySession& s, int y, int background) {
    for (int x = 0; x < s.Columns(); ++x) {
        if ((s.Cell(x, y).Attribute() >> 4) != background)
            return false;
    }
    return true;
}

// Each run of the text's cells in its console attribute, from column 0.
struct Run {
    std::string Text;
    int Attr;
};
void ExpectRuns(const PtySession& s, int y, std::initializer_list<Run> runs) {
    int x = 0;
    std::string shown;
    for (const Run& run : runs) {
        shown += run.Text;
        std::u32string text;
        for (size_t i = 0; i < run.Text.size();) {
            char32_t c;
            i += vt::DecodeUtf8(std::string_view(run.Text).substr(i), c);
            text.push_back(c);
        }
        for (size_t i = 0; i < text.size(); ++i, ++x)
            EXPECT_EQ(s.Cell(x, y).Attribute(), run.Attr)
                << "row " << y << " column " << x << " of \"" << run.Text << "\"";
    }
    EXPECT_EQ(s.RowTrimmed(y), shown) << s.Dump();
}

TEST(Startup, WholeScreenAfterStartUp) {
    Client client(std::nullopt);
    PtySession& s = *client;
    // The reconnect prompt is the last thing drawn at start-up: the screen is read after it.
    ASSERT_TRUE(client.WaitForPrompt()) << s.Dump();
    ASSERT_TRUE(
        s.WaitFor([&] { return s.RowTrimmed(24).find("0") != std::string::npos; }, Patience))
        << s.Dump();
    EXPECT_EQ(s.RowTrimmed(0),
              "Tolmix Client v1.4.0 - клиент текстовой игры. F10 - выход, PgUp - прокрутка.");
    for (int x = 0; x < 80; ++x)
        EXPECT_EQ(s.Cell(x, 0).Attribute(), 0x4E) << "banner column " << x;
    for (int y : {1, 3, 5})
        EXPECT_TRUE(RowIs(s, y, U' ', 0x07)) << "row " << y << "\n" << s.Dump();
    ExpectRuns(s, 2, {{"Подключение к ", 0x09}, {"127.0.0.1:" + client.Port, 0x03}});
    ExpectRuns(s, 4, {{"Ошибка: ", 0x0F}, {"Connection refused", 0x0C}});
    ExpectRuns(s, 6,
               {{"Нажмите ", 0x07},
                {"Enter", 0x0E},
                {" для повторного подключения, или ", 0x07},
                {"F10", 0x0E},
                {" для выхода из программы.", 0x07}});
    // The rest of the scrollback is unwritten ring rows: black blanks.
    for (int y = 7; y < 21; ++y)
        EXPECT_TRUE(RowIs(s, y, U' ', 0x00)) << "row " << y << "\n" << s.Dump();
    EXPECT_TRUE(RowIs(s, 21, U'\u2500', 0x07)) << s.Dump();
    EXPECT_TRUE(RowIs(s, 22, U' ', 0x0F)) << s.Dump();
    ExpectRuns(s, 23, {{"Уровень ", 0x8F}, {"0", 0x8B},  {", ", 0x87}, {"опыт ", 0x87}, {"0", 0x8A},
                       {"/", 0x87},        {"0k", 0x8B}, {", ", 0x87}, {"здор ", 0x82}, {"0", 0x8C},
                       {"/", 0x87},        {"0", 0x83},  {", ", 0x87}, {"движ ", 0x82}, {"0", 0x8C},
                       {"/", 0x87},        {"0", 0x83},  {", ", 0x87}, {"мана ", 0x82}, {"0", 0x8C},
                       {"/", 0x87},        {"0", 0x83}});
    ExpectRuns(s, 24,
               {{"Голод ", 0x87},
                {"-4", 0x8C},
                {", жажда ", 0x87},
                {"-4", 0x8C},
                {", груз ", 0x87},
                {"0", 0x8A},
                {"/", 0x87},
                {"0", 0x8A},
                {"/", 0x87},
                {"0", 0x8A},
                {"/", 0x87},
                {"0", 0x8B},
                {", св.рук ", 0x87},
                {"0", 0x8B}});
    EXPECT_TRUE(RowBackgroundIs(s, 23, 8) && RowBackgroundIs(s, 24, 8)) << s.Dump();
    EXPECT_EQ(s.Title(), "Tolmix Client v1.4.0");
    EXPECT_EQ(s.Cursor(), (CursorPosition{0, 22}));
    EXPECT_TRUE(s.CursorVisible());
    EXPECT_TRUE(s.Screen().AltScreen());
}

struct LayoutCase {
    const char* Settings;
    int SeparatorRow; // -1: none
    int EditorTop;
    int EditorLines;
    bool Panel;
};

void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << '"' << c.Settings << '"';
}

class StartupLayout : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(StartupLayout, FollowsTheSettings) {
    const LayoutCase c = GetParam();
    Client client(std::string(c.Settings));
    PtySession& s = *client;
    ASSERT_TRUE(client.WaitForPrompt()) << s.Dump();
    const int lastEditorRow = c.EditorTop + c.EditorLines - 1;
    ASSERT_TRUE(s.WaitFor([&] { return RowIs(s, lastEditorRow, U' ', 0x1E); }, Patience))
        << s.Dump();
    ASSERT_TRUE(s.WaitFor(
        [&] {
            return s.Cursor() == CursorPosition{0, c.EditorTop};
        },
        Patience))
        << s.Dump();
    for (int y = c.EditorTop; y <= lastEditorRow; ++y)
        EXPECT_TRUE(RowIs(s, y, U' ', 0x1E)) << "editor row " << y << "\n" << s.Dump();
    if (c.SeparatorRow >= 0) {
        EXPECT_TRUE(RowIs(s, c.SeparatorRow, U'\u2500', 0x4A)) << s.Dump();
    }
    const int outputRows = c.SeparatorRow >= 0 ? c.SeparatorRow : c.EditorTop;
    EXPECT_EQ(s.RowTrimmed(0).substr(0, 20), "Tolmix Client v1.4.0") << s.Dump();
    for (int y = 7; y < outputRows; ++y)
        EXPECT_TRUE(RowIs(s, y, U' ', 0x00)) << "output row " << y << "\n" << s.Dump();
    for (int y = lastEditorRow + 1; y < 25; ++y) {
        EXPECT_EQ(RowBackgroundIs(s, y, 2), c.Panel) << "panel row " << y << "\n" << s.Dump();
        EXPECT_EQ(s.RowTrimmed(y).empty(), !c.Panel) << s.Dump();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, StartupLayout,
    ::testing::Values(
        LayoutCase{"EditorTextColor=$1E\r\nSeparatorColor=$4A\r\nInfoPanelColor=$2F\r\n", 21, 22, 1,
                   true},
        LayoutCase{"InfoPanel=0\r\nEditorTextColor=$1E\r\nSeparatorColor=$4A\r\n", 23, 24, 1,
                   false},
        LayoutCase{"SeparatorLine=0\nEditorTextColor=30\nInfoPanelColor=47\n", -1, 22, 1, true},
        LayoutCase{"EditorLines=3\rEditorTextColor=x1E\rSeparatorColor=0x4A\rInfoPanelColor=$2F",
                   19, 20, 3, true}));

TEST(Startup, ArgumentWithoutFileFallsBackToTheDefaultFile) {
    TempDir dir;
    dir.WriteFile("TolmixClient.tcf", "InfoPanel=0\r\n");
    SessionOptions options;
    options.workingDirectory = dir.String();
    options.args = {(dir.Path() / "missing.txt").string()};
    PtySession s(options);
    ASSERT_TRUE(s.WaitFor([&] { return s.Row(23) == Separator80; }, Patience)) << s.Dump();
    EXPECT_TRUE(RowIs(s, 24, U' ', 0x0F)) << s.Dump();
}

TEST(Startup, RandomBinarySettingsStartNormally) {
    std::mt19937 random(20261209);
    std::string bytes(64 * 1024, '\0');
    for (char& b : bytes)
        b = static_cast<char>(random() & 0xFF);
    Client client(bytes);
    PtySession& s = *client;
    ASSERT_TRUE(s.WaitFor([&] { return s.Title() == "Tolmix Client v1.4.0"; }, Patience))
        << s.Dump();
    ASSERT_TRUE(s.Send(keys::F10));
    const auto status = s.WaitForExit(Patience);
    ASSERT_TRUE(status.has_value()) << s.Dump();
    EXPECT_EQ(*status, ExitStatus::Code(0));
}

// Every way out leaves the terminal as it found it.
struct ExitCase {
    const char* Name;
    std::function<void(PtySession&)> End;
    ExitStatus Expected;
};

void PrintTo(const ExitCase& c, std::ostream* os) {
    *os << c.Name;
}

class StartupExit : public ::testing::TestWithParam<ExitCase> {};

TEST_P(StartupExit, RestoresTheTerminal) {
    const ExitCase& c = GetParam();
    Client client(std::nullopt);
    PtySession& s = *client;
    ASSERT_TRUE(s.WaitFor([&] { return s.Row(21) == Separator80; }, Patience)) << s.Dump();
    c.End(s);
    const auto status = s.WaitForExit(Patience);
    ASSERT_TRUE(status.has_value()) << s.Dump();
    EXPECT_EQ(*status, c.Expected);
    std::string differences;
    EXPECT_TRUE(s.TtyRestored(&differences)) << differences;
    EXPECT_EQ(s.LastPrivateMode(1049), false) << "still on the alternate screen";
    EXPECT_EQ(s.LastPrivateMode(25), true) << "cursor left hidden";
    EXPECT_EQ(s.LastPrivateMode(2004), false) << "bracketed paste left on";
    EXPECT_EQ(s.LastPrivateMode(1004), false) << "focus reports left on";
    EXPECT_EQ(s.LastPrivateMode(7), true) << "autowrap left off";
    EXPECT_EQ(s.LastPrivateMode(1000), false) << "mouse reports left on";
    EXPECT_EQ(s.LastPrivateMode(1002), false) << "button-motion reports left on";
    EXPECT_EQ(s.LastPrivateMode(1006), false) << "SGR mouse reports left on";
    EXPECT_TRUE(s.OutputContains("\x1b[<u")) << "kitty keyboard mode not popped";
    EXPECT_TRUE(s.OutputContains("\x1b[23;0t")) << "title not popped";
    EXPECT_FALSE(s.Screen().AltScreen());
}

INSTANTIATE_TEST_SUITE_P(
    WaysOut, StartupExit,
    ::testing::Values(
        ExitCase{"F10", [](PtySession& s) { s.Send(keys::F10); }, ExitStatus::Code(0)},
        ExitCase{"ShiftEscape", [](PtySession& s) { s.Send(keys::ShiftEscape); },
                 ExitStatus::Code(0)},
        ExitCase{"Sigterm", [](PtySession& s) { ::kill(s.Pid(), SIGTERM); }, ExitStatus::Code(0)},
        ExitCase{"Sighup", [](PtySession& s) { ::kill(s.Pid(), SIGHUP); }, ExitStatus::Code(0)},
        ExitCase{"Sigint", [](PtySession& s) { ::kill(s.Pid(), SIGINT); }, ExitStatus::Code(0)},
        ExitCase{"CrashSignal", [](PtySession& s) { ::kill(s.Pid(), SIGSEGV); },
                 ExitStatus::Signal(SIGSEGV)},
        // Signals nobody handles end the process as they would, the terminal restored first.
        ExitCase{"Sigusr1", [](PtySession& s) { ::kill(s.Pid(), SIGUSR1); },
                 ExitStatus::Signal(SIGUSR1)},
        ExitCase{"Sigalrm", [](PtySession& s) { ::kill(s.Pid(), SIGALRM); },
                 ExitStatus::Signal(SIGALRM)}),
    [](const ::testing::TestParamInfo<ExitCase>& info) { return std::string(info.param.Name); });

// Whether the bytes set a cursor shape (DECSCUSR) at all.
bool SetsCursorShape(std::string_view bytes) {
    for (char style = '0'; style <= '6'; ++style) {
        if (bytes.find(std::string("\x1b[") + style + " q") != std::string_view::npos)
            return true;
    }
    return false;
}

// The client asks the terminal for its cursor shape. One that does not answer keeps its shape
// untouched: the client never sets one.
TEST(Startup, ATerminalThatDoesNotTellItsCursorShapeKeepsIt) {
    TempDir dir;
    dir.WriteFile("TolmixClient.tcf", "Address=127.0.0.1\r\nPort=" + ClosedPort() + "\r\n");
    SessionOptions options;
    options.workingDirectory = dir.String();
    options.answersSettingQueries = false;
    PtySession s(options);
    ASSERT_TRUE(
        s.WaitFor([&] { return s.RowTrimmed(6).find("F10") != std::string::npos; }, Patience))
        << s.Dump();
    EXPECT_TRUE(s.OutputContains("\x1bP$q q\x1b\\"));
    s.Send(keys::F10);
    ASSERT_TRUE(s.WaitForExit(Patience).has_value());
    EXPECT_FALSE(SetsCursorShape(s.Output())) << s.Dump();
}

// One that answers gets its own shape back at the end, however the client ends: here a steady
// bar, set before the client starts.
TEST(Startup, TheCursorShapeTheTerminalReportedIsPutBackAtEveryWayOut) {
    for (const bool bySignal : {false, true}) {
        TempDir dir;
        dir.WriteFile("TolmixClient.tcf", "Address=127.0.0.1\r\nPort=" + ClosedPort() + "\r\n");
        SessionOptions options =
            SessionOptions::Shell("printf '\\033[6 q'; exec '" TOLMIX_CLIENT_PATH "'");
        options.workingDirectory = dir.String();
        PtySession s(options);
        // The client's own shape follows the answer: a blinking underline while inserting.
        ASSERT_TRUE(s.WaitFor([&] { return s.OutputContains("\x1b[3 q"); }, Patience)) << s.Dump();
        ASSERT_TRUE(s.WaitFor([&] { return s.ScreenContains("F10"); }, Patience)) << s.Dump();
        const size_t mark = s.Output().size();
        if (bySignal)
            ::kill(s.Pid(), SIGTERM);
        else
            s.Send(keys::F10);
        ASSERT_TRUE(s.WaitForExit(Patience).has_value()) << s.Dump();
        const std::string_view tail = s.OutputSince(mark);
        EXPECT_NE(tail.find("\x1b[6 q"), std::string_view::npos) << s.Dump();
        EXPECT_EQ(tail.find("\x1b[0 q"), std::string_view::npos);
    }
}

TEST(Startup, ShiftEscapeEndsButOtherKeysDoNot) {
    Client client(std::nullopt);
    PtySession& s = *client;
    ASSERT_TRUE(s.WaitFor([&] { return s.Row(21) == Separator80; }, Patience)) << s.Dump();
    s.Send("abc");
    s.Send(keys::F1);
    s.PumpFor(100ms);
    EXPECT_TRUE(s.Running());
    s.Send(keys::ShiftEscape);
    const auto status = s.WaitForExit(Patience);
    ASSERT_TRUE(status.has_value()) << s.Dump();
    EXPECT_EQ(*status, ExitStatus::Code(0));
}

TEST(Startup, FullScreenIsAskedForOnlyWhenSetAndLeftAtTheEnd) {
    for (bool on : {false, true}) {
        Client client(std::string("FullScreen=") + (on ? "1" : "0"));
        PtySession& s = *client;
        ASSERT_TRUE(
            s.WaitFor([&] { return s.RowTrimmed(24).find("0") != std::string::npos; }, Patience))
            << s.Dump();
        EXPECT_FALSE(s.OutputContains("\x1b[10;0t"));
        s.Send(keys::F10);
        ASSERT_TRUE(s.WaitForExit(Patience).has_value());
        // Read once all the output is in: the request may follow the first frame.
        EXPECT_EQ(s.OutputContains("\x1b[10;1t"), on);
        EXPECT_EQ(s.OutputContains("\x1b[10;0t"), on);
    }
}

// The state letter of a process as the kernel reports it ('T' when stopped), 0 when unknown.
char ProcessState(pid_t pid) {
    std::ifstream stat("/proc/" + std::to_string(pid) + "/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    const std::size_t close = text.rfind(')');
    return close == std::string::npos || close + 2 >= text.size() ? 0 : text[close + 2];
}

// Job control from outside: a stop gives the terminal back to the shell, a continue takes it
// again and draws the whole screen anew.
TEST(Startup, StoppedAndContinuedTheTerminalIsTheShellsThenTheClientsAgain) {
    Client client(std::nullopt);
    PtySession& s = *client;
    ASSERT_TRUE(s.WaitFor([&] { return s.Row(21) == Separator80; }, Patience)) << s.Dump();
    const std::size_t beforeStop = s.Output().size();
    ::kill(s.Pid(), SIGTSTP);
    ASSERT_TRUE(s.WaitFor([&] { return s.TtyRestored() && !s.Screen().AltScreen(); }, Patience))
        << s.Dump();
    EXPECT_EQ(s.LastPrivateMode(25), true) << "cursor left hidden while stopped";
    EXPECT_NE(s.OutputSince(beforeStop).find("\x1b[23;0t"), std::string_view::npos);
    // A shell continues a job that has stopped: the client gives the terminal back before it
    // stops, so a continue sent before that would come too early.
    ASSERT_TRUE(s.WaitFor([&] { return ProcessState(s.Pid()) == 'T'; }, Patience)) << s.Dump();

    const std::size_t beforeContinue = s.Output().size();
    ::kill(s.Pid(), SIGCONT);
    // The title and the banner are back too, and keys work again.
    ASSERT_TRUE(s.WaitFor(
        [&] {
            return !s.TtyRestored() && s.Screen().AltScreen() && s.Row(21) == Separator80 &&
                   s.ScreenContains("Tolmix Client v1.4.0") &&
                   s.OutputSince(beforeContinue).find("\x1b]2;Tolmix Client v1.4.0") !=
                       std::string_view::npos;
        },
        Patience))
        << s.Dump();
    ASSERT_TRUE(s.Send(keys::F10));
    const auto status = s.WaitForExit(Patience);
    ASSERT_TRUE(status.has_value()) << s.Dump();
    EXPECT_EQ(*status, ExitStatus::Code(0));
    EXPECT_TRUE(s.TtyRestored());
}

// The size the client asks for at start is asked back at the end, where the terminal took it.
TEST(Startup, TheSizeItAskedForIsUndoneAtTheEnd) {
    for (const bool honoured : {true, false}) {
        Client client(std::nullopt, 100, 30);
        PtySession& s = *client;
        ASSERT_TRUE(s.WaitFor([&] { return s.OutputContains("\x1b[8;25;80t"); }, Patience))
            << s.Dump();
        if (honoured)
            s.Resize(80, 25); // what a terminal that takes the request does
        s.PumpFor(100ms);
        ASSERT_TRUE(s.Send(keys::F10));
        ASSERT_TRUE(s.WaitForExit(Patience).has_value()) << s.Dump();
        EXPECT_EQ(s.OutputContains("\x1b[8;30;100t"), honoured);
    }
}

TEST(Startup, ATerminalThatShrankAndGrewIsDrawnAgain) {
    Client client(std::nullopt);
    PtySession& s = *client;
    ASSERT_TRUE(
        s.WaitFor([&] { return s.RowTrimmed(24).find("0") != std::string::npos; }, Patience))
        << s.Dump();
    s.Resize(40, 10);
    s.PumpFor(100ms);
    s.Resize(80, 25);
    ASSERT_TRUE(s.WaitFor(
        [&] {
            return RowIs(s, 21, U'\u2500', 0x07) && s.RowTrimmed(24).find("0") != std::string::npos;
        },
        Patience))
        << s.Dump();
    EXPECT_TRUE(RowIs(s, 22, U' ', 0x0F)) << s.Dump();
}

TEST(Startup, UnreadableSettingsFileEndsWithItsMessage) {
    // Reading a process's memory at address 0 fails even for root.
    TempDir dir;
    std::filesystem::create_symlink("/proc/self/mem", dir.Path() / "locked.tcf");
    SessionOptions options;
    options.workingDirectory = dir.String();
    options.args = {(dir.Path() / "locked.txt").string()};
    PtySession s(options);
    const auto status = s.WaitForExit(Patience);
    ASSERT_TRUE(status.has_value()) << s.Dump();
    EXPECT_EQ(*status, ExitStatus::Code(1));
    EXPECT_TRUE(s.ScreenContains("Cannot open file")) << s.Dump();
    EXPECT_TRUE(s.ScreenContains("locked.tcf")) << s.Dump();
    EXPECT_FALSE(s.Screen().AltScreen());
    std::string differences;
    EXPECT_TRUE(s.TtyRestored(&differences)) << differences;
}

// A scrollback the machine cannot hold ends start-up with the setting that asked for it. The
// shell's limit on address space makes the allocation fail at once instead of after the system
// runs short: the client starts in well under 35 MB, and 100,000 rows of 80 cells need 32 MB
// more. (The screen itself follows the terminal, so no setting can make it too big.)
TEST(Startup, RunningOutOfMemoryNamesTheSettingsThatAskedForIt) {
#if defined(__SANITIZE_ADDRESS__)
    GTEST_SKIP() << "AddressSanitizer's shadow memory needs more address space than the limit";
#else
    TempDir dir;
    dir.WriteFile("huge.tcf", "OutputSize=100000\r\n");
    PtySession s(SessionOptions::Shell("cd '" + dir.String() + "' && ulimit -v 35000 && '" +
                                       TOLMIX_CLIENT_PATH + "' huge.txt; echo \"status=$?\""));
    ASSERT_TRUE(s.WaitFor([&] { return s.OutputContains("status="); }, Patience)) << s.Dump();
    EXPECT_TRUE(s.OutputContains("status=1")) << s.Dump();
    EXPECT_TRUE(s.OutputContains("tolmix-client: out of memory for the output window's "
                                 "OutputSize=100000 rows of 80 columns set in "))
        << s.Output();
    EXPECT_TRUE(s.OutputContains("huge.tcf")) << s.Output();
    EXPECT_FALSE(s.Screen().AltScreen());
#endif
}

TEST(Startup, RefusesToRunWithoutATerminal) {
    PtySession s(SessionOptions::Shell(std::string("'") + TOLMIX_CLIENT_PATH +
                                       "' </dev/null; echo \"status=$?\""));
    ASSERT_TRUE(s.WaitForText("status=1", Patience)) << s.Dump();
    EXPECT_TRUE(s.ScreenContains("needs a terminal")) << s.Dump();
}

} // namespace
} // namespace tolmix::e2e
