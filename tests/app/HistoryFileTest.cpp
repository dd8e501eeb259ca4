// The command history kept between runs: its file's name, text and reading, and the client
// that loads it at start and writes it when a connection or the program ends.
#include "app/HistoryFile.h"
#include "app/ClientFakes.h"
#include "app/TClient.h"
#include "platform/FileErrors.h"
#include "platform/VirtualKeys.h"
#include "text/CodePage.h"

#include <gtest/gtest.h>

#include <random>

namespace tolmix {
namespace {

TEST(HistoryFileName, OnePerSettingsFileItsStemMadePlainAndItsFolderHashed) {
    const std::string hero = HistoryFileName("/games/hero.tcf", PathStyle::Posix);
    EXPECT_EQ(hero.substr(0, 5), "hero-");
    EXPECT_EQ(hero.substr(hero.size() - 8), ".history");
    EXPECT_EQ(hero.size(), 5 + 16 + 8);
    EXPECT_EQ(HistoryFileName("/games/hero.tcf", PathStyle::Posix), hero);
    EXPECT_NE(HistoryFileName("/other/hero.tcf", PathStyle::Posix), hero);
    // "Герой мой.tcf" in UTF-8, on Windows.
    const std::string cyrillic = HistoryFileName(
        "C:\\Games\\\xD0\x93\xD0\xB5\xD1\x80\xD0\xBE\xD0\xB9 my.tcf", PathStyle::Windows);
    EXPECT_EQ(cyrillic.substr(0, 14), "___________my-");
}

TEST(HistoryFileText, EntriesComeBackAsTheyWentInWithLineBreaksAndBackslashes) {
    // "смотреть" in the console code page, a two-line command, backslashes.
    const std::vector<std::string> entries = {AnsiToConsole("\xF1\xEC\xEE\xF2\xF0\xE5\xF2\xFC"),
                                              "say one\r\nsay two", "a\\n\\", "x\ry"};
    const std::string text = HistoryFileText(entries, HistoryFile::MaxWrittenBytes);
    EXPECT_EQ(text, "tolmix-client history 1\n\xF1\xEC\xEE\xF2\xF0\xE5\xF2\xFC\nsay one\\r\\nsay "
                    "two\na\\\\n\\\\\nx\\ry\n");
    EXPECT_EQ(ReadHistoryText(text), entries);
    // Written by an editor on Windows.
    EXPECT_EQ(ReadHistoryText("tolmix-client history 1\r\nnorth\r\n\r\nsouth"),
              (std::vector<std::string>{"north", "south"}));
}

TEST(HistoryFileText, OnlyTheNewestEntriesThatFitAreWritten) {
    const std::vector<std::string> entries = {"first", "second", "third"};
    const std::string header = "tolmix-client history 1\n";
    EXPECT_EQ(HistoryFileText(entries, header.size() + 13), header + "second\nthird\n");
    EXPECT_EQ(HistoryFileText(entries, header.size() + 12), header + "third\n");
    EXPECT_EQ(HistoryFileText(entries, 3), header);
}

TEST(HistoryFileText, AnythingElseIsNoHistory) {
    EXPECT_FALSE(ReadHistoryText(""));
    EXPECT_FALSE(ReadHistoryText("north\nsouth\n"));
    EXPECT_FALSE(ReadHistoryText("tolmix-client history 2\nnorth\n"));
    std::mt19937 random(26);
    std::string noise(1 << 16, '\0');
    for (char& c : noise)
        c = static_cast<char>(random());
    EXPECT_FALSE(ReadHistoryText(noise));
}

TEST(HistoryFile, AMissingFileIsAnEmptyHistoryAndABadOneSaysWhyInOneLine) {
    test::FakeFileSystem files;
    HistoryFile history(files, "/state/tolmix-client", "/games/hero.tcf");
    EXPECT_EQ(history.Path().rfind("/state/tolmix-client/hero-", 0), 0u);
    HistoryFile::Reading reading = history.Load();
    EXPECT_TRUE(reading.Entries.empty());
    EXPECT_TRUE(reading.Problem.empty());

    files.Add(history.Path(), std::string(HistoryFile::MaxReadBytes + 1, 'x'));
    reading = history.Load();
    EXPECT_TRUE(reading.Entries.empty());
    EXPECT_EQ(reading.Problem, "File too large");

    files.Add(history.Path(), "\x01\x02garbage\xFF");
    reading = history.Load();
    EXPECT_TRUE(reading.Entries.empty());
    EXPECT_FALSE(reading.Problem.empty());

    files.Unreadable.insert(history.Path());
    EXPECT_EQ(history.Load().Problem, "Input/output error");
}

TEST(HistoryFile, SavingReplacesTheFileWholeAndAFailureKeepsTheOldOne) {
    test::FakeFileSystem files;
    HistoryFile history(files, "/state/tolmix-client", "/games/hero.tcf");
    // Nothing typed, nothing kept: no file.
    EXPECT_EQ(history.Save({}), 0);
    EXPECT_EQ(files.Replaces, 0);
    EXPECT_EQ(history.Save({"north"}), 0);
    EXPECT_EQ(history.Load().Entries, (std::vector<std::string>{"north"}));
    files.WriteErrors[history.Path()] = FileErrors::WriteProtected;
    EXPECT_EQ(history.Save({"north", "south"}), FileErrors::WriteProtected);
    EXPECT_EQ(history.Load().Entries, (std::vector<std::string>{"north"}));
    files.WriteErrors.clear();
    // An emptied history empties a file that exists.
    EXPECT_EQ(history.Save({}), 0);
    EXPECT_TRUE(history.Load().Entries.empty());
}

class LastingHistory : public ::testing::Test, public test::ClientFakes {
  protected:
    void SetUp() override { Env.StateFolder = "/state/tolmix-client"; }
    std::unique_ptr<TClient> Start(const std::string& settings = "") {
        Server = Net.Prepare();
        Files.Add("/games/hero.tcf", "AutoSend=\r\n" + settings);
        const char* argv[] = {"tolmix-client", "/games/hero.tcf"};
        auto client = std::make_unique<TClient>(Con, Env, 2, argv);
        EXPECT_TRUE(ServerConnected());
        return client;
    }
    void Send(TClient& client, const std::string& command) {
        Type(command);
        Term.Key(VkReturn, 0x0D);
        RunInput(client);
    }
    void Receive(TClient& client, const std::string& bytes) {
        Server->Arrive(bytes);
        for (int i = 0; i < 8 && ServerConnected() && !Server->Incoming.empty(); ++i)
            client.Idle();
    }
    // The editor's text after pressing Up `times` times more.
    std::string Recalled(TClient& client, int times) {
        for (int i = 0; i < times; ++i)
            Term.Key(VkUp);
        RunInput(client);
        return Row(Screen.Cells().CursorY).substr(0, 12);
    }
    std::string HistoryText() const {
        for (const auto& [path, data] : Files.Files)
            if (path.ends_with(".history"))
                return data;
        return {};
    }

    std::shared_ptr<test::FakeStream> Server;
};

TEST_F(LastingHistory, TheNextStartRecallsTheCommandsButNeverThePassword) {
    {
        auto client = Start();
        Send(*client, "north");
        Receive(*client, "Password: \xFF\xFB\x01");
        Send(*client, "hunter2");
        Receive(*client, "\xFF\xFC\x01");
        Send(*client, "south");
    }
    EXPECT_EQ(HistoryText(), "tolmix-client history 1\nnorth\nsouth\n");
    auto client = Start();
    EXPECT_EQ(Recalled(*client, 1), "south       ");
    EXPECT_EQ(Recalled(*client, 1), "north       ");
    EXPECT_EQ(HistoryText().find("hunter2"), std::string::npos);
}

TEST_F(LastingHistory, HistorySizeBoundsWhatIsKeptAndADroppedConnectionWritesItAlready) {
    auto client = Start("HistorySize=2\r\n");
    for (const char* command : {"one", "two", "three"})
        Send(*client, command);
    Server->ReceiveError = SocketError::ConnectionReset;
    client->Idle();
    ASSERT_FALSE(ServerConnected());
    EXPECT_EQ(HistoryText(), "tolmix-client history 1\ntwo\nthree\n");
    // Nothing new since: the program's end writes nothing.
    client.reset();
    EXPECT_EQ(Files.Replaces, 1);
}

TEST_F(LastingHistory, AStartThatSendsNothingLeavesTheFileAlone) {
    const std::string path =
        "/state/tolmix-client/" + HistoryFileName("/games/hero.tcf", PathStyle::Posix);
    Files.Add(path, "tolmix-client history 1\nold\n");
    Start().reset();
    EXPECT_EQ(Files.Replaces, 0);
    EXPECT_EQ(Files.Files[path], "tolmix-client history 1\nold\n");
}

TEST_F(LastingHistory, AFileThatCannotBeReadOrWrittenCostsOneLineAndTheClientPlaysOn) {
    const std::string path =
        "/state/tolmix-client/" + HistoryFileName("/games/hero.tcf", PathStyle::Posix);
    Files.Add(path, std::string(HistoryFile::MaxReadBytes + 1, '\xFF'));
    Files.WriteErrors[path] = FileErrors::WriteProtected;
    auto client = Start();
    // "История команд не прочитана", the console code page.
    const std::string unread = AnsiToConsole("\xED\xE5 \xEF\xF0\xEE\xF7\xE8\xF2\xE0\xED\xE0");
    const std::string unsaved = AnsiToConsole("\xED\xE5 \xF1\xEE\xF5\xF0\xE0\xED\xE5\xED\xE0");
    EXPECT_TRUE(ScreenHas(unread));
    Send(*client, "look");
    EXPECT_NE(Server->Sent.find("look\r\n"), std::string::npos);
    // Two ends of a connection, one line.
    Server->ReceiveError = SocketError::ConnectionReset;
    client->Idle();
    Term.Key(VkReturn, 0x0D);
    Server = Net.Prepare();
    RunInput(*client);
    ASSERT_TRUE(ServerConnected());
    Server->ReceiveError = SocketError::ConnectionReset;
    client->Idle();
    int lines = 0;
    for (int y = 0; y < Screen.Cells().Height; ++y)
        lines += Row(y).find(unsaved) != std::string::npos ? 1 : 0;
    EXPECT_EQ(lines, 1);
    EXPECT_EQ(Recalled(*client, 1), "look        ");
}

} // namespace
} // namespace tolmix
