// Bytes from the server never reach the terminal as controls: escape sequences other than colour,
// bells, C0 and C1 bytes in the text and in the character name are shown as glyphs or dropped,
// end to end through the real client.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/GameSession.h"
#include "e2e/harness/OutputTokens.h"
#include "e2e/harness/TextColour.h"

#include <gtest/gtest.h>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;

// A server's table laid out with tabs lines up as in a terminal, with no glyph for the tab.
TEST(UntrustedServerText, TabsGoToTheNextMultipleOfEightColumns) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send("Name\tHP\tRoom\r\nBob\t\t100\r\n"));
    ASSERT_TRUE(ShowsText(s, "Name    HP      Room", Patience)) << s.Dump();
    EXPECT_TRUE(ShowsText(s, "Bob             100", Patience)) << s.Dump();
    EXPECT_FALSE(ShowsText(s, "\u25CB", 0ms)) << s.Dump();
}

TEST(UntrustedServerText, ControlBytesAreDrawnAsGlyphsNeverAsControls) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    // An OSC title request, a backspace, a C1 CSI byte (0x9B is a letter-like sign in
    // Windows-1251), a form feed, DEL; then a cursor query after a lone ESC, and a reset.
    ASSERT_TRUE(ShowsText(s, "Подключение к", Patience));
    const std::size_t mark = s.Output().size();
    ASSERT_TRUE(game.Peer().Send("A\x1b]0;pwned\x07"
                                 "B\x08"
                                 "C\x9B"
                                 "2J\x0C"
                                 "D\x7F"
                                 "E\r\n"
                                 "F\x1b\x1b[6n"
                                 "G\x01"
                                 "H\x1b"
                                 "c\r\n"
                                 "end\r\n"));
    ASSERT_TRUE(ShowsText(s, "end", Patience));
    // The title request goes whole; the control bytes in the text are glyphs.
    EXPECT_TRUE(ShowsText(s, "AB◘C", 0ms));
    const auto at = s.Screen().Find("AB◘C");
    ASSERT_TRUE(at.has_value());
    const std::u32string row = s.Row(at->y);
    // Past "C": whatever glyph 0x9B has, then "2J", the form feed's glyph, "D", DEL's, "E".
    const std::size_t c = row.find(U"C");
    ASSERT_NE(c, std::u32string::npos);
    EXPECT_EQ(row.substr(c + 2, 7), U"2J\u2640D\u2302E ") << s.Dump();
    EXPECT_GE(row[c + 1], U' ') << s.Dump();
    // The second ESC breaks the first off and opens the cursor query, which goes whole, as
    // does the reset: the cursor report is never asked for.
    EXPECT_TRUE(ShownInColour(s, "FG☺H", 0x07));
    const auto tail = s.Screen().Find("FG☺H");
    ASSERT_TRUE(tail.has_value());
    EXPECT_EQ(tail->x, 0) << s.Dump();
    EXPECT_EQ(s.RowTrimmed(tail->y), "FG☺H") << s.Dump();
    EXPECT_EQ(s.Title(), "Tolmix Client v1.4.0");
    // The banner is still there: nothing cleared the screen.
    EXPECT_TRUE(ShowsText(s, "Tolmix Client v1.4.0 - клиент", 0ms));
    EXPECT_TRUE(NoStrayControls(s));
    // What the client wrote for these lines is its own drawing only: no string commands, no
    // queries, no clearing, no window operations.
    for (const OutputToken& token : Tokenize(s.OutputSince(mark))) {
        EXPECT_NE(token.kind, TokenKind::Osc) << Printable(token.bytes);
        EXPECT_NE(token.kind, TokenKind::String) << Printable(token.bytes);
        if (token.kind == TokenKind::Csi) {
            EXPECT_EQ(std::string_view("nJtc").find(token.bytes.back()), std::string_view::npos)
                << Printable(token.bytes);
        }
    }
}

TEST(UntrustedServerText, ACharacterNameWithControlBytesIsCleanedForTheTitle) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    // "Ev", a bell, "il", a C1 string terminator sign, a backspace, then an OSC-like tail and a
    // colour byte of the server's own: a bell or ESC reaching the terminal would end the title
    // early and print the rest on the screen.
    ASSERT_TRUE(game.Peer().Send("\x80\x80nEv\x07il\x9C\x08]0;x\x85Y\r\nnext\r\n"));
    ASSERT_TRUE(ShowsText(s, "next", Patience));
    ASSERT_TRUE(Eventually(
        s, [&] { return s.Title().find(" - Tolmix Client v1.4.0") != std::string::npos; }, Patience,
        "the name in the title"));
    const std::string title = s.Title();
    EXPECT_EQ(title.substr(0, 4), "Evil") << title;
    EXPECT_NE(title.find("]0;x"), std::string::npos) << title;
    EXPECT_TRUE(title.ends_with("Y - Tolmix Client v1.4.0")) << title;
    for (const unsigned char c : title)
        EXPECT_GE(c, 0x20) << Printable(title);
    // Every title that went out is clean.
    for (const std::string& sent : TitlesIn(s.Output()))
        for (const unsigned char c : sent)
            EXPECT_GE(c, 0x20) << Printable(sent);
    // The separator line shows the name with its control bytes as glyphs.
    EXPECT_NE(s.RowTrimmed(21).find("Ev•il"), std::string::npos) << s.Dump();
    EXPECT_NE(s.RowTrimmed(21).find("◘]0;x"), std::string::npos) << s.Dump();
    EXPECT_TRUE(NoStrayControls(s));
}

} // namespace
} // namespace tolmix::e2e
