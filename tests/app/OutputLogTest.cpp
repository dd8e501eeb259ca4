#include "app/OutputLog.h"
#include "app/ClientFakes.h"
#include "app/InOutError.h"
#include "app/TClient.h"
#include "net/ConnectionMessages.h"
#include "platform/FileErrors.h"
#include "platform/VirtualKeys.h"
#include "support/FakeEventLoop.h"
#include "support/FakeFileSystem.h"
#include "support/FakeNetwork.h"
#include "support/FakeNetworkWait.h"
#include "support/RecordingLinkHost.h"
#include "text/CodePage.h"
#include "text/ProgramName.h"

#include <gtest/gtest.h>

namespace tolmix {
namespace {

using namespace std::chrono_literals;

TEST(LogPath, TheSettingsPathWithoutItsExtensionThenTheStartUpMinute) {
    const LocalDateTime may17{2006, 5, 17, 21, 8, 59};
    EXPECT_EQ(MakeLogPath("TolmixClient.tcf", may17), "TolmixClient-2006-05-17-21-08.log");
    EXPECT_EQ(MakeLogPath("D:\\Games\\hero.tcf", may17), "D:\\Games\\hero-2006-05-17-21-08.log");
    EXPECT_EQ(MakeLogPath("/games/hero.tcf", {2031, 1, 2, 3, 4, 5}),
              "/games/hero-2031-01-02-03-04.log");
    // Whatever the path, its last four characters go.
    EXPECT_EQ(MakeLogPath("a.b", may17), "-2006-05-17-21-08.log");
}

TEST(InOutErrorText, TheRuntimesTextsOfAFailedFileOperation) {
    EXPECT_EQ(InOutErrorText(FileErrors::AccessDenied), "File access denied");
    EXPECT_EQ(InOutErrorText(FileErrors::DiskFull), "Disk full");
    EXPECT_EQ(InOutErrorText(FileErrors::FileNotFound), "File not found");
    EXPECT_EQ(InOutErrorText(FileErrors::TooManyOpenFiles), "Too many open files");
    EXPECT_EQ(InOutErrorText(FileErrors::DeviceError), "I/O error 1117");
}

TEST(OutputLog, AppendsEachLineInUtf8WithTheLineEndItWasGiven) {
    test::FakeFileSystem files;
    files.Add("/games/hero.log", "earlier start\n");
    OutputLog log(files, true, "/games/hero.log", "\n");
    // "Привет" in the console code page, a tab, a bell, a colour byte and DEL.
    log.AppendLog("\x8F\xE0\xA8\xA2\xA5\xE2\t!\x07\x1B\x7F");
    log.AppendLog("");
    EXPECT_EQ(files.Files["/games/hero.log"],
              "earlier start\n\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82\t!"
              "\xE2\x90\x87\xE2\x90\xA1\n\n");
    EXPECT_EQ(files.Appends, 2); // one open-write-close per line

    OutputLog windows(files, true, "/games/win.log", "\r\n");
    windows.AppendLog("one");
    windows.AppendLog("two");
    EXPECT_EQ(files.Files["/games/win.log"], "one\r\ntwo\r\n");
}

// A full disk: the write that fails says why once and switches the log off; switched on
// again, the log never continues the half line the failure left.
TEST(OutputLog, AFailedWriteSwitchesTheLogOffAndTheNextLineStartsItsOwnLine) {
    test::FakeFileSystem files;
    OutputLog log(files, true, "/games/hero.log", "\n");
    EXPECT_EQ(log.AppendLog("one"), 0);
    files.WriteErrors["/games/hero.log"] = FileErrors::DiskFull;
    EXPECT_EQ(log.AppendLog("lost"), FileErrors::DiskFull);
    EXPECT_FALSE(log.On());
    EXPECT_EQ(log.AppendLog("not tried"), 0);
    EXPECT_EQ(files.Appends, 2);

    files.WriteErrors.clear();
    files.Files["/games/hero.log"] += "lo"; // what the full disk took
    log.SwitchOn();
    EXPECT_EQ(log.AppendLog("back"), 0);
    EXPECT_EQ(files.Files["/games/hero.log"], "one\nlo\nback\n");
}

TEST(OutputLog, OffWritesNothing) {
    test::FakeFileSystem files;
    OutputLog log(files, false, "x.log", "\n");
    log.AppendLog("one");
    EXPECT_EQ(files.Appends, 0);
    EXPECT_TRUE(files.Files.empty());
}

class ClientLog : public ::testing::Test, public test::ClientFakes {
  protected:
    void SetUp() override {
        Wall.SetUtc(2006, 5, 17, 19, 8, 10);
        Wall.Offset = 2h; // local time 21:08
    }
    std::unique_ptr<TClient> Start(const std::string& settings) {
        Files.Add("/games/hero.tcf", settings);
        const char* argv[] = {"tolmix-client", "/games/hero.tcf"};
        return std::make_unique<TClient>(Con, Env, 2, argv);
    }
    std::string LogText() { return Files.Files[LogFile]; }

    const std::string LogFile = "/games/hero-2006-05-17-21-08.log";
};

TEST_F(ClientLog, OffCreatesNoFile) {
    auto client = Start("LogEnabled=0\r\n");
    client->Lines().PrintLine("text");
    EXPECT_EQ(Files.Appends, 0);
    EXPECT_EQ(Files.Files.count(LogFile), 0u);
}

TEST_F(ClientLog, OnLogsTheBannerFirstThenPrintedLinesInUtf8WithoutColourBytes) {
    auto client = Start("LogEnabled=1\r\n");
    const std::string banner(ProgramTitle);
    ASSERT_EQ(LogText().substr(0, banner.size()), banner);
    // The banner is one line, and the connection's messages follow it.
    const size_t afterBanner = LogText().find('\n') + 1;
    EXPECT_EQ(LogText().substr(afterBanner, 1), "\n");
    const size_t started = LogText().size();

    // "\x8C" red, "Привет" in Windows-1251, "\x87" grey; a server code; an empty line.
    client->Lines().PrintLine("\x8C\xCF\xF0\xE8\xE2\xE5\xF2\x87, world");
    client->Lines().PrintLine("\x80\x80"
                      "l42");
    client->Lines().PrintLine("");
    // "Привет" in UTF-8, LF line ends where the files are POSIX ones.
    EXPECT_EQ(LogText().substr(started),
              "\xD0\x9F\xD1\x80\xD0\xB8\xD0\xB2\xD0\xB5\xD1\x82, world\n\n");
    // The code went to the status panel: "Уровень" shows 42.
    const int panel = RowWith(AnsiToConsole("\xD3\xF0\xEE\xE2\xE5\xED\xFC"));
    ASSERT_GE(panel, 0);
    EXPECT_NE(Row(panel).find("42"), std::string::npos) << Row(panel);
}

TEST_F(ClientLog, TheDefaultLogStaysInTheFolderOfTheStartWhenTheFolderChanges) {
    Wall.Offset = 0h;
    const char* argv[] = {"tolmix-client"};
    Files.Add("TolmixClient.tcf", "LogEnabled=1\r\n");
    TClient client(Con, Env, 1, argv);
    ASSERT_EQ(Files.Files.count("/home/player/TolmixClient-2006-05-17-19-08.log"), 1u);
    Files.ChangeDirectory("/opt/tolmix");
    client.Lines().PrintLine("later");
    const std::string text = Files.Files["/home/player/TolmixClient-2006-05-17-19-08.log"];
    EXPECT_EQ(text.substr(text.size() - 6), "later\n");
}

TEST_F(ClientLog, TheFirstRunNoticeIsLoggedAfterTheBanner) {
    Registry.Consoles.clear();
    auto client = Start("LogEnabled=1\r\n");
    const std::string text = LogText();
    // Banner, empty line, four notice lines, empty line.
    int lines = 0;
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
        ++lines;
    EXPECT_EQ(lines, 6);
    EXPECT_NE(text.find("\n\n"), std::string::npos);
    EXPECT_NE(text.find("F10"), std::string::npos);
    EXPECT_EQ(text.find('\x17'), std::string::npos) << "colour bytes are not logged";
    EXPECT_EQ(text.substr(text.size() - 2), "\n\n");
}

TEST_F(ClientLog, TwoStartsWithinOneMinuteShareOneFileAndTheNextMinuteStartsAnother) {
    Start("LogEnabled=1\r\n").reset();
    const std::string first = LogText();
    Wall.Advance(40s); // 21:08:50
    Start("LogEnabled=1\r\n").reset();
    EXPECT_EQ(LogText(), first + first);
    Wall.Advance(10s); // 21:09:00
    auto third = Start("LogEnabled=1\r\n");
    EXPECT_EQ(Files.Files["/games/hero-2006-05-17-21-09.log"], first);
}

// A disk that fills up during play: one line says so, the log is off, and the connection and
// the output go on; Alt+L switches it on again once there is room, on a line of its own.
TEST_F(ClientLog, AFailingLogIsOneLineAndTheGameGoesOn) {
    std::shared_ptr<test::FakeStream> server = Net.Prepare();
    auto client = Start("LogEnabled=1\r\nAutoSend=\r\n");
    ASSERT_TRUE(ServerConnected());
    const auto errorLines = [this] {
        int count = 0;
        for (int y = 0; y < Screen.Cells().Height; ++y)
            count += Row(y).find("Disk full") != std::string::npos ? 1 : 0;
        return count;
    };
    server->Arrive("first\r\n");
    while (client->Idle()) {
    }
    Files.WriteErrors[LogFile] = FileErrors::DiskFull;
    Files.Files[LogFile] += "sec"; // what the full disk took of the next line
    server->Arrive("second\r\nthird\r\n");
    while (client->Idle()) {
    }
    EXPECT_TRUE(ServerConnected());
    EXPECT_TRUE(ScreenHas("second"));
    EXPECT_TRUE(ScreenHas("third"));
    EXPECT_EQ(errorLines(), 1);
    EXPECT_GE(RowWith(LogFile), 0);

    Files.WriteErrors.clear();
    Term.Key('L', 'l', LeftAltPressed);
    RunInput(*client);
    server->Arrive("fourth\r\n");
    while (client->Idle()) {
    }
    const std::string text = LogText();
    EXPECT_NE(text.find("first\nsec\n"), std::string::npos) << text;
    EXPECT_NE(text.find("\nfourth\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("third"), std::string::npos);
    EXPECT_EQ(errorLines(), 1);
}

// A log a failure switched off tries again after the connection ends: a failure then is told
// again (once a connection), and once there is room it goes on, on a line of its own. One the
// player switched off stays off.
TEST_F(ClientLog, AFailingLogTriesAgainAfterEachConnectionAndTellsEachFailure) {
    std::shared_ptr<test::FakeStream> server = Net.Prepare();
    auto client = Start("LogEnabled=1\r\nAutoSend=\r\n");
    ASSERT_TRUE(ServerConnected());
    const auto errorLines = [this] {
        int count = 0;
        for (int y = 0; y < Screen.Cells().Height; ++y)
            count += Row(y).find("Disk full") != std::string::npos ? 1 : 0;
        return count;
    };
    Files.WriteErrors[LogFile] = FileErrors::DiskFull;
    server->Arrive("lost one\r\nlost two\r\n");
    while (client->Idle()) {
    }
    EXPECT_EQ(errorLines(), 1);

    // The server goes; the disk is still full: the next line written fails and says so again.
    server->ReceiveError = SocketError::ConnectionReset;
    client->Idle();
    ASSERT_FALSE(ServerConnected());
    EXPECT_EQ(errorLines(), 2);

    // Room again: after the next connection's end the log goes on.
    Files.WriteErrors.clear();
    std::shared_ptr<test::FakeStream> again = Net.Prepare();
    Term.Key(VkReturn, '\r');
    RunInput(*client);
    ASSERT_TRUE(ServerConnected());
    again->ReceiveError = SocketError::ConnectionReset;
    client->Idle();
    ASSERT_FALSE(ServerConnected());
    std::shared_ptr<test::FakeStream> third = Net.Prepare();
    Term.Key(VkReturn, '\r');
    RunInput(*client);
    ASSERT_TRUE(ServerConnected());
    third->Arrive("kept\r\n");
    while (client->Idle()) {
    }
    const std::string text = LogText();
    EXPECT_NE(text.find("\nkept\n"), std::string::npos) << text;
    EXPECT_EQ(text.find("lost"), std::string::npos) << text;
    EXPECT_EQ(errorLines(), 2);

    // Switched off by the player, it stays off across connections.
    Term.Key('L', 'l', LeftAltPressed);
    RunInput(*client);
    third->ReceiveError = SocketError::ConnectionReset;
    client->Idle();
    const std::string after = LogText();
    std::shared_ptr<test::FakeStream> fourth = Net.Prepare();
    Term.Key(VkReturn, '\r');
    RunInput(*client);
    fourth->Arrive("unlogged\r\n");
    while (client->Idle()) {
    }
    EXPECT_EQ(LogText(), after);
}

TEST_F(ClientLog, ALogThatCannotBeCreatedIsOneLineAndTheClientConnects) {
    Net.Prepare();
    Files.WriteErrors[LogFile] = FileErrors::WriteProtected;
    auto client = Start("LogEnabled=1\r\n");
    EXPECT_TRUE(ServerConnected());
    EXPECT_GE(RowWith(LogFile), 0);
    EXPECT_FALSE(Registry.Calls.empty());
}

// Alt+L during play: on with "Журнал: <path>" as its first line, off with a line that is its
// last; what is printed meanwhile is all there.
TEST_F(ClientLog, AltLSwitchesTheLogOnAndOffWithALineSayingWhere) {
    auto client = Start("LogEnabled=0\r\n");
    client->Lines().PrintLine("before");
    EXPECT_EQ(Files.Files.count(LogFile), 0u);
    Term.Key('L', 'l', LeftAltPressed);
    RunInput(*client);
    // "Журнал: " in the console code page and in UTF-8.
    EXPECT_GE(RowWith(AnsiToConsole("\xC6\xF3\xF0\xED\xE0\xEB: ") + LogFile), 0);
    client->Lines().PrintLine("during");
    Term.Key('L', 'l', LeftAltPressed);
    RunInput(*client);
    client->Lines().PrintLine("after");
    EXPECT_EQ(LogText(), "\xD0\x96\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB: " + LogFile +
                             "\nduring\n"
                             "\xD0\x96\xD1\x83\xD1\x80\xD0\xBD\xD0\xB0\xD0\xBB "
                             "\xD0\xB2\xD1\x8B\xD0\xBA\xD0\xBB\xD1\x8E\xD1\x87\xD0\xB5\xD0\xBD.\n");
}

} // namespace
} // namespace tolmix
