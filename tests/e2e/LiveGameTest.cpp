// A game served over a loopback connection, end to end through the real client: colours on the
// screen, prompts, telnet offers, the version request, the automatic lines and key macros on
// the wire, the character name in the title.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/GameSession.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/TextColour.h"

#include <gtest/gtest.h>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;

// A client connected to the test's server; the server's lines start below the connecting
// line. AutoSend is off unless the settings say otherwise.
struct ConnectedGame {
    GameSession Game;
    explicit ConnectedGame(std::string settings = "AutoSend=",
                           std::vector<std::pair<std::string, std::string>> files = {})
        : Game(std::move(settings), std::move(files)) {}
    PtySession& Screen() { return Game.Client(); }
    LoopbackServer::Peer& Server() { return Game.Peer(); }
};

TEST(LiveGame, AnsiAndServerColoursReachTheScreenInConsoleColours) {
    ConnectedGame g;
    ASSERT_TRUE(g.Game.Connect(Patience)) << g.Screen().Dump();
    ASSERT_TRUE(g.Server().Send("\x1b[1;31mRed\x1b[0m plain \x1b[32mgreen\r\n"
                                "still green\r\n"
                                "\x1b[1;33mYel\x1b[mlow\x1b[0mgrey\r\n"
                                "\x1b[44mon-blue\r\n"
                                "\x8A"
                                "own-colour\r\n"
                                "\x1b[1mB\x1b[2Jgone m after\r\n"
                                "\xCF\xF0\xE8\xE2\xE5\xF2, \xE3\xE5\xF0\xEE\xE9!\r\n"
                                "last\r\n"));
    PtySession& s = g.Screen();
    ASSERT_TRUE(ShowsText(s, "last", Patience));
    EXPECT_TRUE(ShownInColour(s, "Red", 0x0C));
    EXPECT_TRUE(ShownInColour(s, " plain ", 0x07));
    EXPECT_TRUE(ShownInColour(s, "green", 0x02));
    // The screen keeps the colour the previous line left.
    EXPECT_TRUE(ShownInColour(s, "still green", 0x02));
    // ESC[m, like ESC[0m, goes back to grey.
    EXPECT_TRUE(ShownInColour(s, "Yel", 0x0E));
    EXPECT_TRUE(ShownInColour(s, "lowgrey", 0x07));
    // A background parameter sets the background.
    EXPECT_TRUE(ShownInColour(s, "on-blue", 0x17));
    // The server's own colour byte: light green on black, and bold keeps it so.
    EXPECT_TRUE(ShownInColour(s, "own-colour", 0x0A));
    // A sequence other than colour goes whole, loses no text and never clears the screen.
    EXPECT_TRUE(ShownInColour(s, "Bgone m after", 0x0A));
    EXPECT_TRUE(ShowsText(s, "Tolmix Client v1.4.0", 0ms));
    // "Привет, герой!" in Windows-1251 on the wire, in the colour the line before left.
    EXPECT_TRUE(ShownInColour(s, "Привет, герой!", 0x0A));
    EXPECT_TRUE(NoStrayControls(s));
}

TEST(LiveGame, APromptEndedByGoAheadIsALineOfItsOwn) {
    ConnectedGame g;
    ASSERT_TRUE(g.Game.Connect(Patience)) << g.Screen().Dump();
    PtySession& s = g.Screen();
    ASSERT_TRUE(g.Server().Send("Room\r\n100H 80M > \xFF\xF9"));
    ASSERT_TRUE(ShowsText(s, "100H 80M >", Patience));
    ASSERT_TRUE(g.Server().Send("look\r\n"));
    ASSERT_TRUE(ShowsText(s, "look", Patience));
    const auto prompt = s.Screen().Find("100H 80M >");
    ASSERT_TRUE(prompt.has_value());
    EXPECT_EQ(s.RowTrimmed(prompt->y - 1), "Room") << s.Dump();
    EXPECT_EQ(s.RowTrimmed(prompt->y + 1), "look") << s.Dump();
    // The go-ahead itself is not shown.
    EXPECT_TRUE(ShownInColour(s, "100H 80M > ", 0x07));
    EXPECT_TRUE(NoStrayControls(s));
}

TEST(LiveGame, TelnetOffersAndTheVersionRequestAreAnsweredOnTheWire) {
    ConnectedGame g;
    ASSERT_TRUE(g.Game.Connect(Patience)) << g.Screen().Dump();
    PtySession& s = g.Screen();
    // WILL ECHO is refused, DO TERMINAL-TYPE accepted.
    ASSERT_TRUE(g.Server().Send("\xFF\xFB\x01Password: \xFF\xFD\x18\r\n"));
    ASSERT_TRUE(g.Game.WaitForWire("\xFF\xFE\x01", Patience));
    ASSERT_TRUE(ShowsText(s, "Password:", Patience));
    ASSERT_TRUE(g.Server().Send("\x80\x80v\r\nafter version\r\n"));
    ASSERT_TRUE(g.Game.WaitForWire("\x80\x80v1.4\r\n", Patience));
    ASSERT_TRUE(ShowsText(s, "after version", Patience));
    // Nothing else went out: AutoSend is empty.
    EXPECT_EQ(g.Game.Wire(), "\xFF\xFE\x01\xFF\xFB\x18\x80\x80v1.4\r\n");
    // The request itself is not shown: the next line follows the prompt's.
    const auto password = s.Screen().Find("Password:");
    ASSERT_TRUE(password.has_value());
    EXPECT_EQ(s.RowTrimmed(password->y + 1), "after version") << s.Dump();
    EXPECT_TRUE(ShownInColour(s, "Password: ", 0x07));
}

TEST(LiveGame, AutoSendLinesArriveFirstInTheServersCodePage) {
    // "AutoSend=Герой|секрет|": a name, a password and an empty line, Windows-1251 in the file.
    ConnectedGame g("AutoSend=\xC3\xE5\xF0\xEE\xE9|\xF1\xE5\xEA\xF0\xE5\xF2|");
    ASSERT_TRUE(g.Game.Connect(Patience)) << g.Screen().Dump();
    const std::string expected = "\xC3\xE5\xF0\xEE\xE9\r\n\xF1\xE5\xEA\xF0\xE5\xF2\r\n\r\n";
    ASSERT_TRUE(g.Game.WaitForWire(expected, Patience)) << Printable(g.Game.Wire());
    g.Screen().PumpFor(100ms);
    EXPECT_EQ(g.Game.Wire(), expected);
}

TEST(LiveGame, TheDefaultAutoSendSendsItsTwoLines) {
    GameSession game;
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    ASSERT_TRUE(game.WaitForWire("0\r\n2\r\n", Patience)) << Printable(game.Wire());
    EXPECT_EQ(game.Wire(), "0\r\n2\r\n");
}

TEST(LiveGame, AKeyMacroGoesOnTheWireWhileConnected) {
    ConnectedGame g("AutoSend=\r\nMacrosFile=keys", {{"keys.tmf", "F1=ping\r\nF2=n|e\r\n"}});
    ASSERT_TRUE(g.Game.Connect(Patience)) << g.Screen().Dump();
    PtySession& s = g.Screen();
    ASSERT_TRUE(g.Server().Send("Welcome\r\n"));
    ASSERT_TRUE(ShowsText(s, "Welcome", Patience));
    ASSERT_TRUE(s.Send(keys::F1));
    ASSERT_TRUE(g.Game.WaitForWire("ping\r\n", Patience)) << Printable(g.Game.Wire());
    ASSERT_TRUE(s.Send(keys::F2));
    ASSERT_TRUE(g.Game.WaitForWire("ping\r\nn\r\ne\r\n", Patience)) << Printable(g.Game.Wire());
}

// While a long burst streams in without pause, the keyboard is still read: the key's macro
// goes out before the client reaches the end of the burst.
TEST(LiveGame, AKeyPressedDuringABurstIsAnsweredBeforeTheBurstEnds) {
    ConnectedGame g("AutoSend=\r\nMacrosFile=keys", {{"keys.tmf", "F1=ping\r\n"}});
    ASSERT_TRUE(g.Game.Connect(Patience)) << g.Screen().Dump();
    PtySession& s = g.Screen();
    std::string burst;
    for (int i = 0; i < 400000; ++i)
        burst += "\x1b[1;32m" + std::to_string(i) + "\x1b[0m a line of a long burst of text\r\n";
    burst += "\x80\x80v\r\n";
    g.Server().Post(burst);
    s.WaitFor(
        [&] { return s.ScreenContains("a line of a long burst") || s.ScreenContains("Ошибка"); },
        30000ms);
    ASSERT_TRUE(ShowsText(s, "a line of a long burst", 0ms));
    ASSERT_FALSE(s.ScreenContains("Ошибка")) << s.Dump();
    ASSERT_TRUE(s.Send(keys::F1));
    ASSERT_TRUE(g.Game.WaitForWire("\x80\x80v1.4\r\n", 120000ms)) << Printable(g.Game.Wire());
    EXPECT_EQ(g.Game.Wire(), "ping\r\n\x80\x80v1.4\r\n");
}

TEST(LiveGame, TheFirstSoundCommandSaysOnceWhatPlaysTheMusicOrWhyNothingDoes) {
    ConnectedGame g("AutoSend=\r\nMidiOutput=none");
    ASSERT_TRUE(g.Game.Connect(Patience)) << g.Screen().Dump();
    ASSERT_TRUE(g.Server().Send("\x80\x80p C4 L10\r\nfirst\r\n"));
    PtySession& s = g.Screen();
    ASSERT_TRUE(ShowsText(s, "first", Patience));
    ASSERT_TRUE(ShowsText(s, "Нет вывода звука: музыка выключена (MidiOutput=none)", Patience))
        << s.Dump();
    ASSERT_TRUE(g.Server().Send("\x80\x80p E4\r\n\x80\x80p G4\r\nsecond\r\n"));
    ASSERT_TRUE(ShowsText(s, "second", Patience));
    int lines = 0;
    for (int row = 0; row < 25; ++row)
        lines += s.RowUtf8(row).find("Нет вывода звука") != std::string::npos ? 1 : 0;
    EXPECT_EQ(lines, 1) << s.Dump();
    EXPECT_TRUE(NoStrayControls(s));
}

TEST(LiveGame, TheCharacterNameGoesIntoTheTitle) {
    ConnectedGame g;
    ASSERT_TRUE(g.Game.Connect(Patience)) << g.Screen().Dump();
    PtySession& s = g.Screen();
    // "Герой" in Windows-1251.
    ASSERT_TRUE(g.Server().Send("\x80\x80n\xC3\xE5\xF0\xEE\xE9\r\n"));
    ASSERT_TRUE(Eventually(
        s, [&] { return s.Title() == "Герой - Tolmix Client v1.4.0"; }, Patience, "title"));
    // The name shows on the separator line, not as text in the output window.
    ASSERT_TRUE(ShowsText(s, "Герой", Patience));
    EXPECT_EQ(s.Screen().Find("Герой")->y, 21) << s.Dump();
}

} // namespace
} // namespace tolmix::e2e
