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
    EXPECT_STREQ(EInOutError(FileErrors::DiskFull).what(), "Disk full");
}

TEST(OutputLog, AppendsEachLineWithCrLfAndAfterAFailureRaisesOnlyOnceUntilItWritesAgain) {
    test::FakeFileSystem files;
    files.Add("/games/hero.log", "earlier start\r\n");
    OutputLog log(files, true, "/games/hero.log");
    log.AppendLog("one");
    log.AppendLog("");
    EXPECT_EQ(files.Files["/games/hero.log"], "earlier start\r\none\r\n\r\n");
    EXPECT_EQ(files.Appends, 2); // one open-write-close per line

    files.WriteErrors["/games/hero.log"] = FileErrors::DiskFull;
    try {
        log.AppendLog("lost");
        ADD_FAILURE() << "a failed write must raise";
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "Disk full");
        EXPECT_EQ(e.ErrorCode, FileErrors::DiskFull);
    }
    // The lines that report the failure are tried, but do not raise again.
    EXPECT_NO_THROW(log.AppendLog("reconnect prompt"));
    EXPECT_EQ(files.Appends, 4);

    files.WriteErrors.clear();
    log.AppendLog("back");
    files.WriteErrors["/games/hero.log"] = FileErrors::AccessDenied;
    EXPECT_THROW(log.AppendLog("again"), EInOutError);
    // The line after the failures starts a line of its own.
    EXPECT_EQ(files.Files["/games/hero.log"], "earlier start\r\none\r\n\r\n\r\nback\r\n");
}

TEST(OutputLog, OffWritesNothing) {
    test::FakeFileSystem files;
    OutputLog log(files, false, "x.log");
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

TEST_F(ClientLog, OnLogsTheBannerFirstThenPrintedLinesInTheConsoleCodePageWithoutColourBytes) {
    auto client = Start("LogEnabled=1\r\n");
    const std::string banner(ProgramTitle);
    ASSERT_EQ(LogText().substr(0, banner.size()), banner);
    // The banner is one line, and the connection's messages follow it.
    const size_t afterBanner = LogText().find("\r\n") + 2;
    EXPECT_EQ(LogText().substr(afterBanner, 2), "\r\n");
    const size_t started = LogText().size();

    // "\x8C" red, "Привет" in Windows-1251, "\x87" grey; a server code; an empty line.
    client->Lines().PrintLine("\x8C\xCF\xF0\xE8\xE2\xE5\xF2\x87, world");
    client->Lines().PrintLine("\x80\x80"
                      "l42");
    client->Lines().PrintLine("");
    // "Привет" in code page 866.
    EXPECT_EQ(LogText().substr(started), "\x8F\xE0\xA8\xA2\xA5\xE2, world\r\n\r\n");
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
    EXPECT_EQ(text.substr(text.size() - 7), "later\r\n");
}

TEST_F(ClientLog, TheFirstRunNoticeIsLoggedAfterTheBanner) {
    Registry.Consoles.clear();
    auto client = Start("LogEnabled=1\r\n");
    const std::string text = LogText();
    // Banner, empty line, three notice lines, empty line.
    int lines = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", at + 2))
        ++lines;
    EXPECT_EQ(lines, 6);
    EXPECT_NE(text.find("\r\n\r\n"), std::string::npos);
    EXPECT_NE(text.find("F10"), std::string::npos);
    EXPECT_EQ(text.find('\x17'), std::string::npos) << "colour bytes are not logged";
    EXPECT_EQ(text.substr(text.size() - 4), "\r\n\r\n");
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

// A disk that stays full: every connection that loses lines says so once, and once the disk
// has room the next line does not continue the half line the failure left.
TEST_F(ClientLog, AFailingLogIsToldOnEveryConnectionAndNeverContinuesATornLine) {
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
    server->Arrive("second\r\n");
    client->Idle();
    EXPECT_FALSE(ServerConnected());
    EXPECT_EQ(errorLines(), 1);

    // Reconnecting: the new connection's first line fails again, and says so again (before
    // any socket is made).
    for (int attempt = 2; attempt <= 3; ++attempt) {
        Term.Key(VkReturn, 0x0D);
        RunInput(*client);
        EXPECT_EQ(errorLines(), attempt);
        EXPECT_FALSE(ServerConnected());
    }

    Files.WriteErrors.clear();
    server = Net.Prepare();
    Term.Key(VkReturn, 0x0D);
    RunInput(*client);
    ASSERT_TRUE(ServerConnected());
    server->Arrive("third\r\n");
    while (client->Idle()) {
    }
    const std::string text = LogText();
    EXPECT_NE(text.find("first\r\nsec\r\n"), std::string::npos);
    EXPECT_NE(text.find("\r\nthird\r\n"), std::string::npos);
    EXPECT_EQ(text.find("secthird"), std::string::npos);
    EXPECT_EQ(errorLines(), 3);
}

TEST_F(ClientLog, ALogThatCannotBeWrittenEndsStartUpAtTheBanner) {
    Files.WriteErrors[LogFile] = FileErrors::AccessDenied;
    try {
        Start("LogEnabled=1\r\n");
        ADD_FAILURE() << "start-up must end";
    } catch (const EInOutError& e) {
        EXPECT_STREQ(e.what(), "File access denied");
    }
    // Nothing after the banner ran: no registration.
    EXPECT_TRUE(Registry.Calls.empty());
}

// The log's failure on a received line reaches the connection's error handling, which drops
// the connection and prints its prompt; that prompt must not fail again.
TEST(LogOnTheServerLink, AFailingLogLooksLikeALostConnectionAndThePromptStillPrints) {
    test::FakeFileSystem files;
    OutputLog log(files, true, "/games/hero.log");
    test::RecordingLinkHost host;
    host.OnPrint = [&](const std::string& line) { log.AppendLog(line); };
    test::FakeNetwork net;
    test::FakeEventLoop loop;
    test::FakeNetworkWait waits;
    ServerLink link(host, host, waits, net, loop, {.Address = "mud.example", .Port = "4000"});
    std::shared_ptr<test::FakeStream> stream = net.Prepare();
    link.ConnectToServer();
    ASSERT_TRUE(link.Connected());

    stream->Arrive("first\r\nsecond\r\n");
    link.PollSocket();
    ASSERT_TRUE(link.Connected());
    files.WriteErrors["/games/hero.log"] = FileErrors::DiskFull;
    EXPECT_NO_THROW(link.PollSocket());
    EXPECT_FALSE(link.Connected());
    EXPECT_EQ(host.Printed.back(), ReconnectPrompt);
    EXPECT_EQ(files.Files["/games/hero.log"].find("second"), std::string::npos);
    EXPECT_NE(files.Files["/games/hero.log"].find("first\r\n"), std::string::npos);
}

} // namespace
} // namespace tolmix
