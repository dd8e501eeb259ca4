// The player's commands in the output, and the command history that lasts between two starts,
// end to end through the real client.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/GameSession.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/LoopbackServer.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;

// "Тестер> " in Windows-1251.
const std::string TesterPrompt = "\xD2\xE5\xF1\xF2\xE5\xF0> ";

// The history files in the client's state folder (the diagnostics file lives there too).
std::vector<std::filesystem::path> HistoryFiles(const TempDir& state) {
    std::vector<std::filesystem::path> files;
    for (const auto& entry : std::filesystem::directory_iterator(state.Path() / "tolmix-client"))
        if (entry.path().extension() == ".history")
            files.push_back(entry.path());
    return files;
}

bool RowShown(PtySession& s, const std::string& row) {
    for (int y = 0; y < s.Rows(); ++y)
        if (s.RowTrimmed(y) == row)
            return true;
    return false;
}

testing::AssertionResult ShowsRow(PtySession& s, const std::string& row) {
    return Eventually(
        s, [&] { return RowShown(s, row); }, Patience, "a row \"" + row + "\"");
}

TEST(CommandEcho, CommandsJoinTheirPromptsRowsAndAPasswordIsShownNowhere) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    LoopbackServer::Peer& server = game.Peer();

    // A prompt without a line end.
    ASSERT_TRUE(server.Send("Welcome\r\n" + TesterPrompt));
    ASSERT_TRUE(ShowsText(s, "Тестер>", Patience));
    s.Send("смотреть");
    s.Send(keys::Enter);
    ASSERT_TRUE(game.WaitForWire("\xF1\xEC\xEE\xF2\xF0\xE5\xF2\xFC\r\n", Patience));
    ASSERT_TRUE(ShowsRow(s, "Тестер> смотреть")) << s.Dump();

    // The password: masked while typed, shown nowhere once sent.
    ASSERT_TRUE(server.Send("Password: \xFF\xFB\x01"));
    ASSERT_TRUE(ShowsText(s, "Password:", Patience));
    s.Send("s3cret");
    s.Send(keys::Enter);
    ASSERT_TRUE(game.WaitForWire("s3cret\r\n", Patience));
    // A prompt ended by GA: the command typed after it joins its row too.
    ASSERT_TRUE(server.Send("\xFF\xFC\x01\r\nHP:100> \xFF\xF9"));
    ASSERT_TRUE(ShowsText(s, "HP:100>", Patience));
    s.Send("look");
    s.Send(keys::Enter);
    ASSERT_TRUE(game.WaitForWire("s3cret\r\nlook\r\n", Patience));
    ASSERT_TRUE(ShowsRow(s, "HP:100> look")) << s.Dump();
    // Without a prompt, a row of its own.
    ASSERT_TRUE(server.Send("You see a tree.\r\n"));
    ASSERT_TRUE(ShowsText(s, "You see a tree.", Patience));
    s.Send("north");
    s.Send(keys::Enter);
    ASSERT_TRUE(game.WaitForWire("look\r\nnorth\r\n", Patience));
    ASSERT_TRUE(ShowsRow(s, "north")) << s.Dump();

    EXPECT_FALSE(s.ScreenContains("s3cret")) << s.Dump();
    EXPECT_TRUE(RowShown(s, "Password:")) << s.Dump();
    EXPECT_TRUE(NoStrayControls(s));
}

// Two starts of the client on one settings file: the second recalls the first one's commands
// with Up, never the password typed between them.
TEST(CommandHistory, LastsBetweenTwoStartsWithoutThePassword) {
    TempDir folder, home, state;
    LoopbackServer server;
    folder.WriteFile("hero.tcf", "AutoSend=\r\nAddress=127.0.0.1\r\nPort=" +
                                     std::to_string(server.Port()) + "\r\n");
    const auto start = [&] {
        SessionOptions options;
        options.home = home.String();
        options.workingDirectory = folder.String();
        options.args = {(folder.Path() / "hero.tcf").string()};
        options.env = {{"XDG_STATE_HOME", state.String()}};
        return std::make_unique<PtySession>(options);
    };
    const auto received = [](PtySession& s, LoopbackServer::Peer& peer, const std::string& what) {
        return s.WaitFor([&] { return peer.Received().find(what) != std::string::npos; }, Patience);
    };
    {
        auto s = start();
        auto peer = server.Accept(Patience);
        ASSERT_TRUE(peer.has_value()) << s->Dump();
        s->Send("north" + keys::Enter);
        ASSERT_TRUE(received(*s, *peer, "north\r\n"));
        ASSERT_TRUE(peer->Send("Password: \xFF\xFB\x01"));
        ASSERT_TRUE(received(*s, *peer, "\xFF\xFE\x01"));
        s->Send("s3cret" + keys::Enter);
        ASSERT_TRUE(received(*s, *peer, "s3cret\r\n"));
        ASSERT_TRUE(peer->Send("\xFF\xFC\x01Welcome\r\n"));
        ASSERT_TRUE(ShowsText(*s, "Welcome", Patience));
        s->Send("south" + keys::Enter);
        ASSERT_TRUE(received(*s, *peer, "south\r\n"));
        s->Send(keys::F10);
        ASSERT_TRUE(ExitsWith(*s, 0, Patience));
    }
    // One history file in the state folder, without the password.
    const std::vector<std::filesystem::path> files = HistoryFiles(state);
    ASSERT_EQ(files.size(), 1u);
    std::ifstream in(files[0], std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(text, "tolmix-client history 1\nnorth\nsouth\n");

    auto s = start();
    auto peer = server.Accept(Patience);
    ASSERT_TRUE(peer.has_value()) << s->Dump();
    const auto editorShows = [&](const std::string& text) {
        return Eventually(
            *s, [&] { return s->RowTrimmed(s->Cursor().y) == text; }, Patience,
            "the editor showing \"" + text + "\"");
    };
    s->Send(keys::Up);
    ASSERT_TRUE(editorShows("south"));
    s->Send(keys::Up);
    ASSERT_TRUE(editorShows("north"));
    s->Send(keys::Up);
    ASSERT_TRUE(editorShows(""));
    s->Send(keys::F10);
    ASSERT_TRUE(ExitsWith(*s, 0, Patience));
}

// A history file far too long to be one costs a line and nothing else, and no wait.
TEST(CommandHistory, AHundredMegabyteFileIsOneLineAndTheClientPlays) {
    TempDir folder, home, state;
    LoopbackServer server;
    folder.WriteFile("hero.tcf", "AutoSend=\r\nAddress=127.0.0.1\r\nPort=" +
                                     std::to_string(server.Port()) + "\r\n");
    SessionOptions options;
    options.home = home.String();
    options.workingDirectory = folder.String();
    options.args = {(folder.Path() / "hero.tcf").string()};
    options.env = {{"XDG_STATE_HOME", state.String()}};
    // The first start makes the file; it is then filled with 100 MB.
    {
        auto s = std::make_unique<PtySession>(options);
        auto peer = server.Accept(Patience);
        ASSERT_TRUE(peer.has_value()) << s->Dump();
        s->Send("north" + keys::Enter);
        ASSERT_TRUE(s->WaitFor(
            [&] { return peer->Received().find("north\r\n") != std::string::npos; }, Patience));
        s->Send(keys::F10);
        ASSERT_TRUE(ExitsWith(*s, 0, Patience));
    }
    const std::vector<std::filesystem::path> files = HistoryFiles(state);
    ASSERT_EQ(files.size(), 1u);
    const std::filesystem::path file = files[0];
    std::filesystem::resize_file(file, 100u << 20);
    auto s = std::make_unique<PtySession>(options);
    auto peer = server.Accept(Patience);
    ASSERT_TRUE(peer.has_value()) << s->Dump();
    ASSERT_TRUE(ShowsText(*s, "История команд не прочитана", Patience)) << s->Dump();
    s->Send("look" + keys::Enter);
    ASSERT_TRUE(s->WaitFor([&] { return peer->Received().find("look\r\n") != std::string::npos; },
                           Patience));
    s->Send(keys::F10);
    ASSERT_TRUE(ExitsWith(*s, 0, Patience));
    // The file now holds this start's history.
    std::ifstream in(file, std::ios::binary);
    const std::string text(std::istreambuf_iterator<char>(in), {});
    EXPECT_EQ(text, "tolmix-client history 1\nlook\n");
}

} // namespace
} // namespace tolmix::e2e
