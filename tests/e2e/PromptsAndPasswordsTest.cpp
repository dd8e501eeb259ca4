// Logging in to servers that behave like common game servers, end to end through the real
// client: prompts without a line end or ended by a go-ahead, a password prompt between WILL ECHO
// and WONT ECHO, and colour sequences that look like the code marker.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/GameSession.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/TextColour.h"

#include <gtest/gtest.h>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;

// How many rows of the screen begin with `utf8`.
int RowsStartingWith(const PtySession& s, std::string_view utf8) {
    int rows = 0;
    for (int y = 0; y < s.Rows(); ++y)
        rows += s.RowTrimmed(y).rfind(utf8, 0) == 0;
    return rows;
}

// The editor's row, where the cursor is, without its trailing blanks.
std::string EditorRow(const PtySession& s) {
    return s.RowTrimmed(s.Cursor().y);
}

testing::AssertionResult EditorShows(PtySession& s, const std::string& text) {
    return Eventually(
        s, [&] { return EditorRow(s) == text; }, Patience, "the editor showing \"" + text + "\"");
}

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

TEST(PromptsAndPasswords, ALoginWithoutLineEndsShowsEachPromptOnItsOwnRowAndHidesThePassword) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    LoopbackServer::Peer& server = game.Peer();

    // The prompt has no line end: it shows while the player types the answer.
    ASSERT_TRUE(server.Send("Welcome to the test world\r\nLogin: "));
    ASSERT_TRUE(ShowsText(s, "Login:", Patience));
    s.Send("hero");
    ASSERT_TRUE(EditorShows(s, "hero"));
    EXPECT_EQ(RowsStartingWith(s, "Login:"), 1) << s.Dump();
    s.Send(keys::Enter);
    ASSERT_TRUE(game.WaitForWire("hero\r\n", Patience));

    // The password prompt: the server takes over the echo, the editor masks what is typed.
    ASSERT_TRUE(server.Send("Password: \xFF\xFB\x01"));
    ASSERT_TRUE(game.WaitForWire("\xFF\xFE\x01", Patience));
    ASSERT_TRUE(ShowsText(s, "Password:", Patience));
    s.Send("s3cret");
    ASSERT_TRUE(EditorShows(s, "******"));
    EXPECT_FALSE(s.ScreenContains("s3cret"));
    s.Send(keys::Enter);
    ASSERT_TRUE(game.WaitForWire("hero\r\n\xFF\xFE\x01s3cret\r\n", Patience));
    ASSERT_TRUE(server.Send("\xFF\xFC\x01\r\nHello, hero!\r\n"));
    ASSERT_TRUE(ShowsText(s, "Hello, hero!", Patience));

    // Each prompt once, on its own row: nothing glued, nothing left over.
    EXPECT_EQ(RowsFrom(s, "Welcome", 4),
              (std::vector<std::string>{"Welcome to the test world", "Login: hero",
                                        "Password:", "Hello, hero!"}))
        << s.Dump();
    EXPECT_FALSE(s.ScreenContains("Login: Password")) << s.Dump();
    EXPECT_EQ(RowsStartingWith(s, "Password:"), 1) << s.Dump();

    // The history has the name but never the password.
    s.Send(keys::Up);
    ASSERT_TRUE(EditorShows(s, "hero"));
    s.Send(keys::Up);
    ASSERT_TRUE(EditorShows(s, ""));
    s.Send(keys::Up);
    ASSERT_TRUE(EditorShows(s, "hero"));
    EXPECT_FALSE(s.ScreenContains("s3cret"));
    EXPECT_TRUE(NoStrayControls(s));
}

TEST(PromptsAndPasswords, AHalfTypedPasswordIsNeverShownNorSentWhenTheLinkDrops) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send("Password: \xFF\xFB\x01"));
    ASSERT_TRUE(game.WaitForWire("\xFF\xFE\x01", Patience));
    ASSERT_TRUE(ShowsText(s, "Password:", Patience));
    s.Send("s3c");
    ASSERT_TRUE(EditorShows(s, "***"));

    // The server drops the link before the password is finished.
    game.Peer().Close();
    ASSERT_TRUE(ShowsText(s, "для повторного подключения", Patience)) << s.Dump();
    ASSERT_TRUE(EditorShows(s, "")) << s.Dump();
    EXPECT_FALSE(s.ScreenContains("s3c")) << s.Dump();

    // Enter connects again; the next Enter sends an empty line, not the secret.
    s.Send(keys::Enter);
    std::optional<LoopbackServer::Peer> next = game.Server().Accept(Patience);
    ASSERT_TRUE(next.has_value()) << s.Dump();
    ASSERT_TRUE(next->Send("Welcome back\r\n"));
    ASSERT_TRUE(ShowsText(s, "Welcome back", Patience));
    s.Send("r");
    ASSERT_TRUE(EditorShows(s, "r")) << "typing is no longer masked: " << s.Dump();
    s.Send(keys::Backspace);
    ASSERT_TRUE(EditorShows(s, ""));
    s.Send(keys::Enter);
    ASSERT_TRUE(
        s.WaitFor([&] { return next->Received().find("\r\n") != std::string::npos; }, Patience))
        << s.Dump();
    EXPECT_EQ(next->Received(), "\r\n");
    EXPECT_FALSE(s.ScreenContains("s3c")) << s.Dump();
    // The history holds no part of it.
    s.Send(keys::Up);
    s.Send("!");
    ASSERT_TRUE(Eventually(
        s, [&] { return EditorRow(s).find('!') != std::string::npos; }, Patience,
        "the editor after Up"));
    EXPECT_EQ(EditorRow(s).find("s3c"), std::string::npos) << s.Dump();
    EXPECT_TRUE(NoStrayControls(s));
}

TEST(PromptsAndPasswords, PromptsEndedByGoAheadOrEndOfRecordShowAtOnceWithTheirColours) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    LoopbackServer::Peer& server = game.Peer();

    ASSERT_TRUE(server.Send("Login: \xFF\xF9"));
    ASSERT_TRUE(ShowsText(s, "Login:", Patience));
    s.Send("hero" + keys::Enter);
    ASSERT_TRUE(game.WaitForWire("hero\r\n", Patience));
    ASSERT_TRUE(server.Send("Password: \xFF\xFB\x01\xFF\xF9"));
    ASSERT_TRUE(ShowsText(s, "Password:", Patience));
    s.Send("pw");
    ASSERT_TRUE(EditorShows(s, "**"));
    s.Send(keys::Enter);
    ASSERT_TRUE(game.WaitForWire("pw\r\n", Patience));
    // The game's prompt, in colour, ended by EOR: shown before any further line.
    ASSERT_TRUE(server.Send("\xFF\xFC\x01\r\nYou are in the square.\r\n"
                            "\x1b[1;32mHP:100 MV:50> \xFF\xEF"));
    ASSERT_TRUE(ShowsText(s, "HP:100 MV:50>", Patience));
    EXPECT_TRUE(ShownInColour(s, "HP:100 MV:50>", 0x0A));
    s.Send("look" + keys::Enter);
    ASSERT_TRUE(game.WaitForWire("pw\r\nlook\r\n", Patience));
    ASSERT_TRUE(server.Send("\x1b[0mNothing special.\r\n\x1b[1;32mHP:100 MV:50> \xFF\xF9"));
    ASSERT_TRUE(ShowsText(s, "Nothing special.", Patience));
    // The second prompt may be drawn in a later frame than the line before it.
    ASSERT_TRUE(Eventually(
        s, [&] { return RowsStartingWith(s, "HP:100 MV:50>") >= 2; }, Patience,
        "the second prompt"));

    // The go-ahead's line end is the prompt's, also with a negotiation between them: the
    // server's next line starts a row of its own, with no empty row before it.
    EXPECT_EQ(RowsFrom(s, "Login:", 5),
              (std::vector<std::string>{"Login: hero", "Password:", "You are in the square.",
                                        "HP:100 MV:50> look", "Nothing special."}))
        << s.Dump();
    EXPECT_EQ(RowsStartingWith(s, "HP:100 MV:50>"), 2) << s.Dump();
    EXPECT_TRUE(NoStrayControls(s));
}

TEST(PromptsAndPasswords, BlackOnBlackAndCodeLikeTextArePrintedAndChangeNothing) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    // What any player can make a server send: black on black before a code's letter, in the
    // forms ESC[30m ESC[40m and ESC[30;40m, and half a marker of each kind.
    ASSERT_TRUE(game.Peer().Send("\x1b[30m\x1b[40mh35/120\r\n"
                                 "\x1b[30;40mnMallory\r\n"
                                 "\x1b[30m\x1b[40mct2\r\n"
                                 "\x80\x1b[30;40ml99\r\n"
                                 "\x1b[0mbright \x80\x80x5/6 in the middle\r\n"
                                 "last\r\n"));
    ASSERT_TRUE(ShowsText(s, "last", Patience));
    // Printed, in black on black as the server asked.
    EXPECT_TRUE(ShownInColour(s, "h35/120", 0x00));
    EXPECT_TRUE(ShownInColour(s, "nMallory", 0x00));
    EXPECT_TRUE(ShownInColour(s, "ct2", 0x00));
    EXPECT_TRUE(ShownInColour(s, "l99", 0x00));
    EXPECT_TRUE(s.ScreenContains("in the middle"));
    // And nothing else happened: no health, no name in the title, no server editor.
    const auto panel = s.Screen().Find("здор");
    ASSERT_TRUE(panel.has_value()) << s.Dump();
    const auto panelShows = [&](std::string_view text) {
        return s.RowUtf8(panel->y).find(text) != std::string::npos;
    };
    EXPECT_FALSE(panelShows("120")) << s.Dump();
    EXPECT_EQ(s.Title(), "Tolmix Client v1.4.0");
    EXPECT_FALSE(s.ScreenContains("Режим редактирования")) << s.Dump();

    // The same codes with their markers on the wire still act, and are not printed.
    ASSERT_TRUE(game.Peer().Send("\x80\x80nMallory\r\n\x10\x80h35/120\r\nreal codes done\r\n"));
    ASSERT_TRUE(ShowsText(s, "real codes done", Patience));
    EXPECT_TRUE(Eventually(
        s, [&] { return s.Title() == "Mallory - Tolmix Client v1.4.0"; }, Patience,
        "the name in the title"));
    EXPECT_TRUE(Eventually(
        s, [&] { return panelShows("120"); }, Patience, "the health shown"));
    EXPECT_EQ(RowsStartingWith(s, "h35/120"), 1) << s.Dump();
    EXPECT_TRUE(NoStrayControls(s));
}

} // namespace
} // namespace tolmix::e2e
