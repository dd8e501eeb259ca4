#include "e2e/harness/Assertions.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/LoopbackServer.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;
const std::string NoticeRegistered =
    "Программа зарегистрировала себя в системе, и установила нужную палитру цветов.";
const std::string NoticeRestart = "Пожалуйста нажмите F10 и перезапустите программу заново.";
const std::string NoticeEnter = "Или нажмите Enter, чтобы подключиться сейчас.";
const std::string DemoNoticeEnter = "Нажмите Enter, чтобы подключиться сейчас.";

// A client with its own home folder and a loopback server named in its settings.
struct Start {
    Start(const TempDir& home, bool firstRun, std::string program = TOLMIX_CLIENT_PATH) {
        folder.WriteFile("hero.tcf", "Address=127.0.0.1\r\nPort=" + std::to_string(server.Port()) +
                                         "\r\nAutoSend=\r\n");
        SessionOptions options;
        options.program = std::move(program);
        options.home = home.String();
        options.firstRun = firstRun;
        options.workingDirectory = folder.String();
        options.args = {(folder.Path() / "hero.tcf").string()};
        session = std::make_unique<PtySession>(options);
    }
    PtySession& operator*() { return *session; }

    TempDir folder;
    LoopbackServer server;
    std::unique_ptr<PtySession> session;
};

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The row on which the screen shows this text, or -1.
int RowOf(PtySession& s, const std::string& text) {
    for (int y = 0; y < s.Rows(); ++y) {
        if (s.RowTrimmed(y) == text)
            return y;
    }
    return -1;
}

TEST(FirstRun, TheFirstStartFromAFolderShowsTheNoticeAndDoesNotConnect) {
    TempDir home;
    Start start(home, true);
    PtySession& s = *start;
    ASSERT_TRUE(ShowsText(s, NoticeEnter, Patience));
    // Banner, empty line, the three notice lines, empty line.
    EXPECT_EQ(RowOf(s, NoticeRegistered), 2) << s.Dump();
    EXPECT_EQ(RowOf(s, NoticeRestart), 3) << s.Dump();
    EXPECT_EQ(RowOf(s, NoticeEnter), 4) << s.Dump();
    EXPECT_EQ(s.RowTrimmed(1), "");
    EXPECT_EQ(s.RowTrimmed(5), "");
    EXPECT_EQ(s.Cell(0, 2).Attribute(), 0x07);
    EXPECT_EQ(s.Cell(18, 3).Attribute(), 0x07);
    for (int x = 19; x < 22; ++x)
        EXPECT_EQ(s.Cell(x, 3).Attribute(), 0x0E) << "F10 in bright yellow, column " << x;
    EXPECT_EQ(s.Cell(22, 3).Attribute(), 0x07);
    EXPECT_EQ(s.Cell(11, 4).Attribute(), 0x07);
    for (int x = 12; x < 17; ++x)
        EXPECT_EQ(s.Cell(x, 4).Attribute(), 0x0E) << "Enter in bright yellow, column " << x;
    EXPECT_EQ(s.Cell(17, 4).Attribute(), 0x07);
    EXPECT_FALSE(start.server.Accept(300ms).has_value()) << "a first start must not connect";

    const std::filesystem::path console = s.ConsoleFile(TOLMIX_CLIENT_PATH);
    EXPECT_TRUE(std::filesystem::exists(console)) << console;
    s.Send(keys::F10);
    EXPECT_TRUE(ExitsWith(s, 0, Patience));
}

TEST(FirstRun, TheSecondStartShowsNoNoticeAndACopyInAnotherFolderIsAFirstStartAgain) {
    TempDir home;
    {
        Start first(home, true);
        ASSERT_TRUE(ShowsText(*first, NoticeRestart, Patience));
        (*first).Send(keys::F10);
        ASSERT_TRUE(ExitsWith(*first, 0, Patience));
    }
    {
        Start second(home, true); // the harness makes no mark: the first start left it
        PtySession& s = *second;
        ASSERT_TRUE(ShowsText(s, "Tolmix Client v1.4.0", Patience));
        EXPECT_TRUE(second.server.Accept(Patience).has_value()) << "the second start connects";
        s.PumpFor(100ms);
        EXPECT_FALSE(s.ScreenContains(NoticeRestart)) << s.Dump();
        s.Send(keys::F10);
        EXPECT_TRUE(ExitsWith(s, 0, Patience));
    }
    TempDir elsewhere;
    const std::filesystem::path copy = elsewhere.Path() / "my games" / "tolmix-client";
    std::filesystem::create_directories(copy.parent_path());
    std::filesystem::copy_file(TOLMIX_CLIENT_PATH, copy);
    std::filesystem::permissions(copy, std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    Start moved(home, true, copy.string());
    PtySession& s = *moved;
    ASSERT_TRUE(ShowsText(s, NoticeRestart, Patience));
    EXPECT_TRUE(std::filesystem::exists(s.ConsoleFile(copy)));
    // The file types now name the copy, quoted for its blank.
    const std::string entry =
        ReadAll(home.Path() / ".local/share/applications/tolmix-client.desktop");
    EXPECT_NE(entry.find("\nExec=\"" + copy.string() + "\" %f\n"), std::string::npos) << entry;
    s.Send(keys::F10);
    EXPECT_TRUE(ExitsWith(s, 0, Patience));
}

// Enter connects in any unconnected state, the first start's too, as the notice says.
TEST(FirstRun, EnterConnectsAfterAFirstStart) {
    TempDir home;
    Start first(home, true);
    ASSERT_TRUE(ShowsText(*first, NoticeEnter, Patience));
    (*first).Send(keys::Enter);
    EXPECT_TRUE(first.server.Accept(Patience).has_value()) << "Enter connects";
}

// With the demo world F10 would end the world too: the notice offers Enter alone, and Enter
// reaches the world.
TEST(FirstRun, TheDemosFirstStartOffersEnterAndNotF10) {
    TempDir home;
    SessionOptions options;
    options.home = home.String();
    options.firstRun = true;
    options.args = {"--demo"};
    PtySession s(options);
    ASSERT_TRUE(ShowsText(s, DemoNoticeEnter, Patience));
    EXPECT_EQ(RowOf(s, NoticeRegistered), 2) << s.Dump();
    EXPECT_EQ(RowOf(s, DemoNoticeEnter), 3) << s.Dump();
    EXPECT_EQ(s.RowTrimmed(4), "");
    EXPECT_FALSE(s.ScreenContains("перезапустите")) << s.Dump();
    for (int x = 8; x < 13; ++x)
        EXPECT_EQ(s.Cell(x, 3).Attribute(), 0x0E) << "Enter in bright yellow, column " << x;
    s.Send(keys::Enter);
    ASSERT_TRUE(ShowsText(s, "Как зовут вашего персонажа?", Patience));
    s.Send(keys::F10);
    EXPECT_TRUE(ExitsWith(s, 0, Patience));
}

// A settings file named on the command line that is not there (a typo) is said before the
// client connects anywhere; the client goes on with the folder's default settings file.
TEST(FirstRun, AMissingSettingsFileIsToldBeforeConnecting) {
    TempDir folder;
    LoopbackServer server;
    folder.WriteFile("TolmixClient.tcf",
                     "Address=127.0.0.1\r\nPort=" + std::to_string(server.Port()) + "\r\n");
    SessionOptions options;
    options.workingDirectory = folder.String();
    options.columns = 120;
    options.args = {"hreo"};
    PtySession s(options);
    const std::string line =
        "Файл настроек не найден: hreo.tcf, используются настройки по умолчанию";
    ASSERT_TRUE(ShowsText(s, "Подключение к 127.0.0.1", Patience));
    ASSERT_TRUE(ShowsText(s, line, Patience));
    ASSERT_TRUE(s.Screen().Find(line).has_value());
    EXPECT_LT(s.Screen().Find(line)->y, s.Screen().Find("Подключение к")->y) << s.Dump();
    EXPECT_EQ(s.Cell(0, s.Screen().Find(line)->y).Attribute(), 0x0C) << "in bright red";
    EXPECT_TRUE(server.Accept(Patience).has_value());
    s.Send(keys::F10);
    EXPECT_TRUE(ExitsWith(s, 0, Patience));

    // A file that is there says nothing of the kind.
    folder.WriteFile("hero.tcf",
                     "Address=127.0.0.1\r\nPort=" + std::to_string(server.Port()) + "\r\n");
    options.args = {"hero"};
    PtySession found(options);
    ASSERT_TRUE(ShowsText(found, "Подключение к 127.0.0.1", Patience));
    EXPECT_FALSE(found.ScreenContains("Файл настроек не найден")) << found.Dump();
    found.Send(keys::F10);
    EXPECT_TRUE(ExitsWith(found, 0, Patience));
}

TEST(Registration, TheConsoleFileHoldsThePaletteInIndexOrder) {
    TempDir home;
    Start start(home, true);
    PtySession& s = *start;
    ASSERT_TRUE(ShowsText(s, NoticeRestart, Patience));
    const std::string text = ReadAll(s.ConsoleFile(TOLMIX_CLIENT_PATH));
    EXPECT_EQ(text, "ColorTable00=0x00000000\n"
                    "ColorTable01=0x00A00000\n"
                    "ColorTable02=0x0000A000\n"
                    "ColorTable03=0x00A0A000\n"
                    "ColorTable04=0x000000A0\n"
                    "ColorTable05=0x00A000A0\n"
                    "ColorTable06=0x0000A0A0\n"
                    "ColorTable07=0x00A0A0A0\n"
                    "ColorTable08=0x00404040\n"
                    "ColorTable09=0x00FF0000\n"
                    "ColorTable10=0x0000FF00\n"
                    "ColorTable11=0x00FFFF00\n"
                    "ColorTable12=0x000000FF\n"
                    "ColorTable13=0x00FF00FF\n"
                    "ColorTable14=0x0000FFFF\n"
                    "ColorTable15=0x00FFFFFF\n");
    s.Send(keys::F10);
    EXPECT_TRUE(ExitsWith(s, 0, Patience));
}

// The terminal's palette entries in its own (ANSI) numbering.
const char* const PaletteSequences[16] = {
    "\x1b]4;0;rgb:00/00/00\x1b\\",  "\x1b]4;1;rgb:a0/00/00\x1b\\",  "\x1b]4;2;rgb:00/a0/00\x1b\\",
    "\x1b]4;3;rgb:a0/a0/00\x1b\\",  "\x1b]4;4;rgb:00/00/a0\x1b\\",  "\x1b]4;5;rgb:a0/00/a0\x1b\\",
    "\x1b]4;6;rgb:00/a0/a0\x1b\\",  "\x1b]4;7;rgb:a0/a0/a0\x1b\\",  "\x1b]4;8;rgb:40/40/40\x1b\\",
    "\x1b]4;9;rgb:ff/00/00\x1b\\",  "\x1b]4;10;rgb:00/ff/00\x1b\\", "\x1b]4;11;rgb:ff/ff/00\x1b\\",
    "\x1b]4;12;rgb:00/00/ff\x1b\\", "\x1b]4;13;rgb:ff/00/ff\x1b\\", "\x1b]4;14;rgb:00/ff/ff\x1b\\",
    "\x1b]4;15;rgb:ff/ff/ff\x1b\\"};
// A terminal that does not say its colours gets each changed entry reset to its default.
bool ResetsEveryEntry(std::string_view output) {
    for (int index = 0; index < 16; ++index) {
        if (output.find("\x1b]104;" + std::to_string(index) + "\x1b\\") == std::string::npos)
            return false;
    }
    return true;
}

struct PaletteExit {
    const char* Name;
    bool Signal; // SIGTERM instead of Escape
};

class PaletteAtEveryStart : public ::testing::TestWithParam<PaletteExit> {};

TEST_P(PaletteAtEveryStart, SixteenColoursAtStartAndTheResetOnTheWayOut) {
    TempDir home;
    for (bool firstRun : {true, false}) {
        Start start(home, firstRun);
        PtySession& s = *start;
        ASSERT_TRUE(ShowsText(s, "Tolmix Client v1.4.0", Patience));
        ASSERT_TRUE(s.WaitFor([&] { return s.OutputContains(PaletteSequences[15]); }, Patience));
        size_t last = 0;
        for (const char* sequence : PaletteSequences) {
            const size_t at = s.Output().find(sequence);
            EXPECT_NE(at, std::string::npos) << "missing " << sequence + 1;
            last = std::max(last, at);
        }
        EXPECT_FALSE(s.OutputContains("\x1b]104")) << "reset before the end";
        // The colours were asked for before they were changed.
        const size_t query = s.Output().find("\x1b]4;15;?\x1b\\");
        EXPECT_LT(query, s.Output().find(PaletteSequences[0]));
        const size_t mark = s.Output().size();
        if (GetParam().Signal)
            ::kill(s.Pid(), SIGTERM);
        else
            s.Send(keys::F10);
        ASSERT_TRUE(ExitsWith(s, 0, Patience));
        EXPECT_TRUE(ResetsEveryEntry(s.OutputSince(mark))) << s.Dump();
        EXPECT_TRUE(TtyRestored(s));
    }
}

// Where the terminal answers the queries, the player's own colours come back at the end, and
// the whole palette is never reset.
TEST(Registration, ColoursTheTerminalReportedArePutBackAsTheyWere) {
    TempDir home;
    Start start(home, false);
    PtySession& s = *start;
    ASSERT_TRUE(s.WaitFor([&] { return s.OutputContains(PaletteSequences[15]); }, Patience));
    // Blue is ANSI 4 (console colour 1), bright red ANSI 9 (console colour 12); one answer ends
    // with BEL, one with ST, and one is malformed.
    s.Send("\x1b]4;4;rgb:1234/5678/9abc\a\x1b]4;9;rgb:f/8/0\x1b\\\x1b]4;2;rgb:zz/00/00\x1b\\");
    s.PumpFor(200ms);
    // No part of an answer reached the editor as typed text.
    EXPECT_FALSE(s.ScreenContains("rgb")) << s.Dump();
    const size_t mark = s.Output().size();
    s.Send(keys::F10);
    ASSERT_TRUE(ExitsWith(s, 0, Patience));
    const std::string_view tail = s.OutputSince(mark);
    EXPECT_NE(tail.find("\x1b]4;4;rgb:12/56/9a\x1b\\"), std::string::npos) << s.Dump();
    EXPECT_NE(tail.find("\x1b]4;9;rgb:ff/88/00\x1b\\"), std::string::npos) << s.Dump();
    EXPECT_NE(tail.find("\x1b]104;2\x1b\\"), std::string::npos);
    EXPECT_EQ(tail.find("\x1b]104;4\x1b\\"), std::string::npos);
    EXPECT_EQ(tail.find("\x1b]104\x1b\\"), std::string::npos);
}

INSTANTIATE_TEST_SUITE_P(WaysOut, PaletteAtEveryStart,
                         ::testing::Values(PaletteExit{"F10", false}, PaletteExit{"Sigterm", true}),
                         [](const auto& info) { return std::string(info.param.Name); });

TEST(Registration, TheDesktopFilesNameTheProgramAndParse) {
    TempDir home;
    Start start(home, true);
    PtySession& s = *start;
    ASSERT_TRUE(ShowsText(s, NoticeRestart, Patience));
    const std::filesystem::path share = home.Path() / ".local/share";
    const std::string program = std::filesystem::canonical(TOLMIX_CLIENT_PATH).string();
    const std::string entry = ReadAll(share / "applications/tolmix-client.desktop");
    EXPECT_NE(entry.find("\nExec=\"" + program + "\" %f\n"), std::string::npos) << entry;
    EXPECT_NE(entry.find("\nMimeType=application/x-tolmix-client-config;\n"), std::string::npos);
    const std::string package = ReadAll(share / "mime/packages/tolmix-client.xml");
    for (const char* glob : {"*.tcf", "*.tmf", "*.taf"})
        EXPECT_NE(package.find(std::string("<glob pattern=\"") + glob + "\"/>"), std::string::npos)
            << package;
    if (std::filesystem::exists("/usr/bin/update-mime-database")) {
        // The database is rebuilt in the background, after the client has started.
        const auto known = [&] {
            return std::filesystem::exists(share / "mime/globs2") &&
                   ReadAll(share / "mime/globs2")
                           .find("application/x-tolmix-client-config:*.tcf") != std::string::npos;
        };
        EXPECT_TRUE(s.WaitFor(known, Patience)) << ReadAll(share / "mime/globs2");
    }
    s.Send(keys::F10);
    ASSERT_TRUE(ExitsWith(s, 0, Patience));

    if (!std::filesystem::exists("/usr/bin/desktop-file-validate"))
        GTEST_SKIP() << "desktop-file-validate (desktop-file-utils) is not installed";
    SessionOptions validate = SessionOptions::Shell(
        "desktop-file-validate '" + (share / "applications/tolmix-client.desktop").string() +
        "'; echo \"status=$?\"");
    PtySession v(validate);
    ASSERT_TRUE(v.WaitForText("status=", Patience)) << v.Dump();
    EXPECT_TRUE(v.ScreenContains("status=0")) << v.Dump();
    EXPECT_FALSE(v.ScreenContains("error")) << v.Dump();
}

// Registration only decorates: a write that fails is one red line naming the value, the file
// and the reason, and the client plays on (it connects, with no first-run notice).
TEST(Registration, AFailedWriteIsOneLineWithTheValueNameTheFileAndTheReasonAndPlayGoesOn) {
    struct Case {
        const char* Variable;
        const char* Message;
    };
    for (const Case c : {Case{"XDG_CONFIG_HOME", "Failed to set data for 'ColorTable00'"},
                         Case{"XDG_DATA_HOME", "Failed to set data for ''"}}) {
        TempDir home;
        const std::filesystem::path blocker = home.WriteFile("not-a-folder", "x");
        SessionOptions options;
        options.home = home.String();
        options.firstRun = true;
        options.columns = 220; // the whole line on one row
        options.env = {{c.Variable, blocker.string()}};
        PtySession s(options);
        ASSERT_TRUE(ShowsText(
            s, std::string("Регистрация в системе не удалась, игра идёт дальше: ") + c.Message,
            Patience))
            << c.Variable;
        // Then the folder that could not be made inside the blocking file, and why.
        EXPECT_TRUE(s.ScreenContains(": Not a directory")) << s.Dump();
        // It goes on to connect (to the default address) instead of the first-run notice.
        EXPECT_TRUE(ShowsText(s, "Подключение к", Patience));
        EXPECT_FALSE(s.ScreenContains("перезапустите")) << s.Dump();
        EXPECT_TRUE(s.Running());
        s.Send(keys::F10);
        ASSERT_TRUE(ExitsWith(s, 0, Patience)) << c.Variable;
        EXPECT_FALSE(s.Screen().AltScreen());
        EXPECT_TRUE(TtyRestored(s));
    }
}

} // namespace
} // namespace tolmix::e2e
