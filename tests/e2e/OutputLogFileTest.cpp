#include "e2e/harness/Assertions.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/LoopbackServer.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <vector>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;
// The banner and the first-run notice as the log holds them: UTF-8, no colour bytes.
const std::string BannerLine = "Tolmix Client v1.4.0 - клиент ";
const std::string NoticeStart = "Программа ";
const std::string NoticeRestart = "Пожалуйста нажмите F10 и перезапустите программу заново.";

std::vector<std::filesystem::path> LogFiles(const std::filesystem::path& folder) {
    std::vector<std::filesystem::path> logs;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".log")
            logs.push_back(entry.path());
    }
    return logs;
}

std::string ReadAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The log's lines: each ends in LF alone, as Linux editors and `less` expect.
std::vector<std::string> LfLines(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t end = text.find('\n'); end != std::string::npos;
         start = end + 1, end = text.find('\n', start))
        lines.push_back(text.substr(start, end - start));
    EXPECT_EQ(start, text.size()) << "the last line ends in LF";
    EXPECT_EQ(text.find('\r'), std::string::npos) << "no CR";
    return lines;
}

// A client started on hero.tcf in its own folder, with the home folder given.
std::unique_ptr<PtySession> StartIn(const TempDir& folder, const TempDir& home, bool firstRun,
                                    const std::string& settings) {
    folder.WriteFile("hero.tcf", settings);
    SessionOptions options;
    options.home = home.String();
    options.firstRun = firstRun;
    options.workingDirectory = home.String();
    options.args = {(folder.Path() / "hero.tcf").string()};
    // The client names its log in the test's time zone.
    if (const char* zone = std::getenv("TZ"))
        options.env = {{"TZ", zone}};
    return std::make_unique<PtySession>(options);
}

TEST(LogFile, OffCreatesNoFile) {
    TempDir folder, home;
    auto s = StartIn(folder, home, true, "LogEnabled=0\r\n");
    ASSERT_TRUE(ShowsText(*s, NoticeRestart, Patience));
    s->Send(keys::F10);
    ASSERT_TRUE(ExitsWith(*s, 0, Patience));
    EXPECT_TRUE(LogFiles(folder.Path()).empty());
    EXPECT_TRUE(LogFiles(home.Path()).empty());
}

TEST(LogFile, TheBannerComesFirstEachLineIsOnDiskAtOnceInUtf8WithoutColourBytesEndingInLf) {
    TempDir folder, home;
    auto s = StartIn(folder, home, true, "LogEnabled=1\r\n");
    // The notice's last line.
    ASSERT_TRUE(ShowsText(*s, "Или нажмите Enter, чтобы подключиться сейчас.", Patience));
    // Read while the client still runs: every line printed so far is in the file.
    const std::vector<std::filesystem::path> logs = LogFiles(folder.Path());
    ASSERT_EQ(logs.size(), 1u);
    const std::string name = logs[0].filename().string();
    // hero-yyyy-mm-dd-hh-nn.log
    ASSERT_EQ(name.size(), 25u) << name;
    EXPECT_EQ(name.substr(0, 5), "hero-");
    for (size_t i : {9u, 12u, 15u, 18u})
        EXPECT_EQ(name[i], '-') << name;
    EXPECT_EQ(name.substr(21), ".log");

    const std::string text = ReadAll(logs[0]);
    const std::vector<std::string> lines = LfLines(text);
    ASSERT_EQ(lines.size(), 6u) << text;
    EXPECT_EQ(lines[0].substr(0, BannerLine.size()), BannerLine);
    EXPECT_EQ(lines[1], "");
    EXPECT_EQ(lines[2].substr(0, NoticeStart.size()), NoticeStart) << "colour byte removed";
    EXPECT_NE(lines[3].find(" F10 "), std::string::npos) << "colour bytes around F10 removed";
    EXPECT_NE(lines[4].find(" Enter,"), std::string::npos) << "colour bytes around Enter removed";
    EXPECT_EQ(lines[5], "");
    for (char c : text)
        EXPECT_FALSE(static_cast<unsigned char>(c) >= 0x10 &&
                     static_cast<unsigned char>(c) <= 0x1F);
    s->Send(keys::F10);
    ASSERT_TRUE(ExitsWith(*s, 0, Patience));
}

TEST(LogFile, TwoStartsWithinOneMinuteAppendToOneFile) {
    // A pair of starts that falls on both sides of a minute gets a second try.
    for (int attempt = 0; attempt < 2; ++attempt) {
        TempDir folder, home;
        for (int start = 0; start < 2; ++start) {
            // Nothing listens on port 1: each start logs the same refused connection.
            auto s =
                StartIn(folder, home, false, "LogEnabled=1\r\nAddress=127.0.0.1\r\nPort=1\r\n");
            // Both starts log the same lines only when each ends after the refusal's prompt.
            ASSERT_TRUE(ShowsText(*s, "Нажмите Enter", Patience));
            s->Send(keys::F10);
            ASSERT_TRUE(ExitsWith(*s, 0, Patience));
        }
        const std::vector<std::filesystem::path> logs = LogFiles(folder.Path());
        if (logs.size() == 2 && attempt == 0)
            continue;
        ASSERT_EQ(logs.size(), 1u);
        const std::vector<std::string> lines = LfLines(ReadAll(logs[0]));
        ASSERT_EQ(lines.size() % 2, 0u);
        ASSERT_GE(lines.size(), 2u);
        const std::vector<std::string> first(lines.begin(), lines.begin() + lines.size() / 2);
        const std::vector<std::string> second(lines.begin() + lines.size() / 2, lines.end());
        EXPECT_EQ(first, second);
        EXPECT_EQ(first[0].substr(0, BannerLine.size()), BannerLine);
        EXPECT_EQ(second[0].substr(0, BannerLine.size()), BannerLine);
        return;
    }
}

TEST(LogFile, ALogThatCannotBeCreatedIsOneLineAndTheClientGoesOn) {
    TempDir folder, home;
    // Folders in the way of the log names of this minute and the next.
    const auto now = std::chrono::system_clock::now();
    for (auto moment : {now, now + 60s}) {
        const std::time_t t = std::chrono::system_clock::to_time_t(moment);
        std::tm local{};
        ::localtime_r(&t, &local);
        char name[64];
        std::strftime(name, sizeof name, "hero-%Y-%m-%d-%H-%M.log", &local);
        std::filesystem::create_directory(folder.Path() / name);
    }
    auto s = StartIn(folder, home, true, "LogEnabled=1\r\n");
    ASSERT_TRUE(ShowsText(*s, NoticeRestart, Patience));
    EXPECT_TRUE(s->ScreenContains("Журнал не пишется: ")) << s->Dump();
    s->Send(keys::F10);
    ASSERT_TRUE(ExitsWith(*s, 0, Patience));
}

// The player's log during play: the server's lines and the player's commands in UTF-8, never
// the password; a log that becomes impossible to write is one line, the game goes on, and
// Alt+L starts it again.
TEST(LogFile, CommandsAreLoggedWithTheirPromptAFailureIsOneLineAndAltLStartsItAgain) {
    TempDir folder, home;
    LoopbackServer server;
    auto s = StartIn(folder, home, false,
                     "LogEnabled=1\r\nAddress=127.0.0.1\r\nAutoSend=\r\nPort=" +
                         std::to_string(server.Port()) + "\r\n");
    auto peer = server.Accept(Patience);
    ASSERT_TRUE(peer.has_value()) << s->Dump();
    // A server code, then "Привет" in red and " world" in grey (Windows-1251, colour bytes),
    // then the prompt "Тестер> " without a line end.
    ASSERT_TRUE(peer->Send("\x80\x80l42\r\n\x8C\xCF\xF0\xE8\xE2\xE5\xF2\x87 world\r\n"
                           "\xD2\xE5\xF1\xF2\xE5\xF0> "));
    ASSERT_TRUE(ShowsText(*s, "Тестер>", Patience));
    s->Send("смотреть");
    s->Send(keys::Enter);
    ASSERT_TRUE(ShowsText(*s, "Тестер> смотреть", Patience));
    ASSERT_TRUE(peer->Send("Password: \xFF\xFB\x01"));
    ASSERT_TRUE(ShowsText(*s, "Password:", Patience));
    s->Send("s3cret");
    s->Send(keys::Enter);
    ASSERT_TRUE(s->WaitFor([&] { return peer->Received().find("s3cret\r\n") != std::string::npos; },
                           Patience));
    ASSERT_TRUE(peer->Send("\xFF\xFC\x01\r\nWelcome\r\n"));
    ASSERT_TRUE(ShowsText(*s, "Welcome", Patience));
    const std::vector<std::filesystem::path> logs = LogFiles(folder.Path());
    ASSERT_EQ(logs.size(), 1u);
    const std::string text = ReadAll(logs[0]);
    const std::vector<std::string> lines = LfLines(text);
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[lines.size() - 4], "Привет world");
    EXPECT_EQ(lines[lines.size() - 3], "Тестер> смотреть");
    EXPECT_EQ(lines.back(), "Welcome");
    EXPECT_EQ(text.find("s3cret"), std::string::npos);
    EXPECT_EQ(text.find("l42"), std::string::npos) << "a server code was logged";

    // The log becomes a folder: the next line cannot be written.
    std::filesystem::remove(logs[0]);
    std::filesystem::create_directory(logs[0]);
    ASSERT_TRUE(peer->Send("next\r\n"));
    ASSERT_TRUE(ShowsText(*s, "Журнал не пишется: ", Patience));
    ASSERT_TRUE(peer->Send("still playing\r\n"));
    ASSERT_TRUE(ShowsText(*s, "still playing", Patience));
    EXPECT_TRUE(s->Running());
    EXPECT_FALSE(s->ScreenContains("Нажмите Enter"));

    // Room again: Alt+L says where the log goes, and it does.
    std::filesystem::remove(logs[0]);
    s->Send(keys::Alt("l"));
    ASSERT_TRUE(ShowsText(*s, "Журнал: " + logs[0].string(), Patience)) << s->Dump();
    ASSERT_TRUE(peer->Send("again\r\n"));
    ASSERT_TRUE(ShowsText(*s, "again", Patience));
    // The failed write may have left half a line: the log goes on after a line end.
    EXPECT_EQ(LfLines(ReadAll(logs[0])),
              (std::vector<std::string>{"", "Журнал: " + logs[0].string(), "again"}));
    s->Send(keys::Alt("l"));
    ASSERT_TRUE(ShowsText(*s, "Журнал выключен.", Patience));
    s->Send(keys::F10);
    EXPECT_TRUE(ExitsWith(*s, 0, Patience));
}

} // namespace
} // namespace tolmix::e2e
