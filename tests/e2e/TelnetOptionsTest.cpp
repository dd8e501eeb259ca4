// Telnet as game servers speak it, end to end through the real client: every request answered
// once, the window's size and the terminal's names, a compressed stream, a server that follows
// the option rules to the letter, prompts ended by GA and a line end, a line longer than the
// limit, and the server's last words before it closes.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/ClientScreen.h"
#include "e2e/harness/GameSession.h"
#include "e2e/harness/Keys.h"

#include <gtest/gtest.h>

#include "support/ZlibStreams.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;
using namespace std::string_literals;

constexpr auto Patience = 10000ms;

// The rows from the one that begins with `first`, trimmed, `count` of them.
std::vector<std::string> RowsFrom(const PtySession& s, std::string_view first, int count) {
    std::vector<std::string> rows;
    for (int y = 0; y < s.Rows(); ++y) {
        if (s.RowTrimmed(y).rfind(first, 0) != 0)
            continue;
        for (int i = 0; i < count && y + i < s.Rows(); ++i)
            rows.push_back(s.RowTrimmed(y + i));
        break;
    }
    return rows;
}

// NAWS's sub-negotiation for a window of `columns` by `rows`.
std::string WindowSizeBytes(int columns, int rows) {
    return "\xFF\xFA\x1F"s + static_cast<char>(columns >> 8) + static_cast<char>(columns & 0xFF) +
           static_cast<char>(rows >> 8) + static_cast<char>(rows & 0xFF) + "\xFF\xF0";
}

TEST(TelnetOptions, EveryRequestIsAnsweredOnceAndSubnegotiationsNeverShow) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    LoopbackServer::Peer& server = game.Peer();
    // What a common game server asks first, some of it twice.
    ASSERT_TRUE(server.Send("\xFF\xFD\x18\xFF\xFD\x1F\xFF\xFD\x2A\xFF\xFB\x03\xFF\xFB\x19"
                            "\xFF\xFB\xC9\xFF\xFD\x45\xFF\xFB\x46\xFF\xFD\x18\xFF\xFB\x03"
                            "Line A\xFF\xFA\xC9"
                            "Char.Vitals {\"hp\":100}\xFF\xF0"
                            "\xFF\xFA\x46\x01NAME\x02Some MUD\xFF\xF0Line B\r\n"
                            "\xFF\xFA\x18\x01\xFF\xF0"
                            "shown\r\n"));
    const int outputRows = DefaultLayout::ForRows(25).separatorRow;
    const std::string expected = "\xFF\xFB\x18"s +                                  // TTYPE: will
                                 "\xFF\xFB\x1F" + WindowSizeBytes(80, outputRows) + // NAWS
                                 "\xFF\xFB\x2A" +                                   // CHARSET: will
                                 "\xFF\xFD\x03" +                                   // SGA: do
                                 "\xFF\xFD\x19" +                                   // EOR: do
                                 "\xFF\xFE\xC9" +                                   // GMCP: don't
                                 "\xFF\xFC\x45" +                                   // MSDP: won't
                                 "\xFF\xFE\x46" +                                   // MSSP: don't
                                 "\xFF\xFA\x18\x00TOLMIX-CLIENT\xFF\xF0"s;
    ASSERT_TRUE(game.WaitForWire(expected, Patience)) << game.Wire();
    ASSERT_TRUE(ShowsText(s, "shown", Patience));
    // Nothing more: the repeated requests changed nothing.
    EXPECT_EQ(game.Wire(), expected);
    EXPECT_TRUE(s.ScreenContains("Line ALine B")) << s.Dump();
    EXPECT_FALSE(s.ScreenContains("Char.Vitals")) << s.Dump();
    EXPECT_FALSE(s.ScreenContains("NAME")) << s.Dump();
    EXPECT_TRUE(NoStrayControls(s));
}

TEST(TelnetOptions, TheWindowSizeGoesAgainAfterAResize) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send("\xFF\xFD\x1F"));
    const int rows25 = DefaultLayout::ForRows(25).separatorRow;
    ASSERT_TRUE(game.WaitForWire("\xFF\xFB\x1F" + WindowSizeBytes(80, rows25), Patience));
    s.Resize(100, 30);
    const int rows30 = DefaultLayout::ForRows(30).separatorRow;
    EXPECT_TRUE(game.WaitForWire(WindowSizeBytes(100, rows30), Patience)) << game.Wire();
}

TEST(TelnetOptions, TheTerminalTypeGoesRoundItsNames) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    const std::string send = "\xFF\xFA\x18\x01\xFF\xF0";
    ASSERT_TRUE(game.Peer().Send("\xFF\xFD\x18" + send + send + send + send + send));
    const auto is = [](const std::string& name) { return "\xFF\xFA\x18\x00"s + name + "\xFF\xF0"; };
    // The harness's terminal says TERM=xterm-256color.
    EXPECT_TRUE(game.WaitForWire("\xFF\xFB\x18" + is("TOLMIX-CLIENT") + is("XTERM-256COLOR") +
                                     is("MTTS 9") + is("MTTS 9") + is("TOLMIX-CLIENT"),
                                 Patience))
        << game.Wire();
}

TEST(TelnetOptions, AServerThatNeverSaysWontEchoGluesNoPrompt) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    LoopbackServer::Peer& server = game.Peer();
    ASSERT_TRUE(server.Send("Password: \xFF\xFB\x01"));
    ASSERT_TRUE(game.WaitForWire("\xFF\xFE\x01", Patience));
    ASSERT_TRUE(ShowsText(s, "Password:", Patience));
    s.Send("s3cret");
    ASSERT_TRUE(Eventually(
        s, [&] { return s.RowTrimmed(s.Cursor().y) == "******"; }, Patience, "masked"));
    s.Send(keys::Enter);
    ASSERT_TRUE(game.WaitForWire("s3cret\r\n", Patience));
    // By the rules the refusal ended the echo: no WONT ECHO comes.
    ASSERT_TRUE(server.Send("\r\nWelcome!\r\n> "));
    ASSERT_TRUE(ShowsText(s, "Welcome!", Patience));
    s.Send("look");
    ASSERT_TRUE(Eventually(
        s, [&] { return s.RowTrimmed(s.Cursor().y) == "look"; }, Patience, "typed in clear"));
    s.Send(keys::Enter);
    ASSERT_TRUE(game.WaitForWire("s3cret\r\nlook\r\n", Patience));
    ASSERT_TRUE(server.Send("You see a tree.\r\n"));
    ASSERT_TRUE(ShowsText(s, "You see a tree.", Patience));
    EXPECT_FALSE(s.ScreenContains("> You see")) << s.Dump();
    // The command joins its prompt's row; the password was shown nowhere.
    EXPECT_EQ(RowsFrom(s, "Welcome!", 3),
              (std::vector<std::string>{"Welcome!", "> look", "You see a tree."}))
        << s.Dump();
    EXPECT_FALSE(s.ScreenContains("s3cret"));
}

TEST(TelnetOptions, APromptEndedByGoAheadAndALineEndLeavesNoEmptyRow) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send("Room\r\n> \xFF\xF9\r\nA goblin arrives.\r\n"
                                 "> \xFF\xEF\r\nend\r\n"));
    ASSERT_TRUE(ShowsText(s, "end", Patience));
    EXPECT_EQ(RowsFrom(s, "Room", 5),
              (std::vector<std::string>{"Room", ">", "A goblin arrives.", ">", "end"}))
        << s.Dump();
}

TEST(TelnetOptions, ALineOf20000BytesIsShownAndTheConnectionStays) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    std::string line;
    for (int i = 0; line.size() < 20000; ++i)
        line += "w" + std::to_string(i % 10);
    line.resize(20000);
    game.Peer().Post(line + "Tail!\r\nafter the long line\r\n");
    ASSERT_TRUE(ShowsText(s, "after the long line", Patience));
    EXPECT_TRUE(s.ScreenContains("Tail!")) << s.Dump();
    EXPECT_FALSE(s.ScreenContains("Buffer")) << s.Dump();
    s.Send("still here" + keys::Enter);
    EXPECT_TRUE(game.WaitForWire("still here\r\n", Patience));
}

std::string ReadLog(const std::filesystem::path& folder) {
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() == ".log") {
            std::ifstream in(entry.path(), std::ios::binary);
            return std::string(std::istreambuf_iterator<char>(in), {});
        }
    }
    return {};
}

TEST(TelnetOptions, TheServersLastWordsAreShownAndLoggedBeforeTheDisconnect) {
    GameSession game("AutoSend=\r\nLogEnabled=1");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send("Some text\r\nIdle too long, bye!"));
    ASSERT_TRUE(ShowsText(s, "Idle too long", Patience));
    game.Peer().Close();
    // The reconnect prompt names Enter.
    ASSERT_TRUE(ShowsText(s, "Enter", Patience));
    std::vector<std::string> rows = RowsFrom(s, "Idle too long, bye!", 2);
    ASSERT_EQ(rows.size(), 2u) << s.Dump();
    // The server closed in order: no error.
    EXPECT_EQ(rows[1], "Сервер закрыл соединение.") << s.Dump();
    EXPECT_EQ(std::count_if(rows.begin(), rows.end(),
                            [](const std::string& r) { return r == "Idle too long, bye!"; }),
              1);
    std::string log;
    ASSERT_TRUE(Eventually(
        s,
        [&] {
            log = ReadLog(game.Dir().Path());
            return log.find("Idle too long, bye!\n") != std::string::npos;
        },
        Patience, "the last words in the log"));
    EXPECT_LT(log.find("Some text\n"), log.find("Idle too long, bye!\n"));
}

TEST(TelnetOptions, ACompressedStreamInOneBytePacketsReadsAsPlainText) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send("\xFF\xFB\x56"));
    ASSERT_TRUE(game.WaitForWire("\xFF\xFD\x56", Patience));
    const std::string stream =
        "\xFF\xFA\x56\xFF\xF0"s +
        test::Deflate("\x1B[1;32mPacked green\x1B[0m\r\n\xFF\xFB\x01Packed prompt> \xFF\xF9") +
        "Plain again\r\n";
    for (char c : stream)
        ASSERT_TRUE(game.Peer().Send(std::string(1, c)));
    ASSERT_TRUE(ShowsText(s, "Plain again", Patience));
    EXPECT_TRUE(s.ScreenContains("Packed green")) << s.Dump();
    EXPECT_EQ(RowsFrom(s, "Packed green", 3),
              (std::vector<std::string>{"Packed green", "Packed prompt>", "Plain again"}))
        << s.Dump();
    // The negotiation inside the stream was answered.
    EXPECT_TRUE(game.WaitForWire("\xFF\xFD\x56\xFF\xFE\x01", Patience)) << game.Wire();
    EXPECT_TRUE(NoStrayControls(s));
}

TEST(TelnetOptions, ABrokenCompressedStreamEndsTheConnectionWithAClearError) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send("\xFF\xFB\x56"));
    ASSERT_TRUE(game.WaitForWire("\xFF\xFD\x56", Patience));
    ASSERT_TRUE(game.Peer().Send("Before\r\n\xFF\xFA\x56\xFF\xF0"
                                 "this is no zlib stream"));
    EXPECT_TRUE(ShowsText(s, "Сжатый поток сервера повреждён", Patience));
    EXPECT_TRUE(ShowsText(s, "Enter", Patience));
    EXPECT_TRUE(s.ScreenContains("Before"));
    EXPECT_TRUE(game.Peer().WaitForPeerClosed(Patience));
}

} // namespace
} // namespace tolmix::e2e
