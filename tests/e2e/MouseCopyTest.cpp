// Copying the server's text with the mouse: a drag over the output window selects it, shows it
// reversed, and the terminal's clipboard gets it through OSC 52 as UTF-8, the rows of a wrapped
// line joined into one line.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/GameSession.h"
#include "e2e/harness/TerminalModel.h"
#include "util/Base64.h"

#include <gtest/gtest.h>

#include <string>
#include <string_view>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;

const std::string Gate = "Ворота замка открыты.";
// 98 characters: two rows of an 80-column window, however the line is broken.
const std::string Shield = "Над воротами висит старый щит с гербом: золотой лев на синем поле, "
                           "а под ним девиз ордена стражей.";
const std::string Guard = "Стражник кивает.";

// The server's Windows-1251 for text of ASCII and Russian letters.
std::string Cp1251(std::string_view utf8) {
    std::string out;
    for (const char32_t c : FromUtf8(utf8)) {
        if (c < 0x80)
            out += static_cast<char>(c);
        else if (c >= 0x410 && c <= 0x44F)
            out += static_cast<char>(0xC0 + (c - 0x410));
        else if (c == 0x401)
            out += '\xA8';
        else if (c == 0x451)
            out += '\xB8';
        else
            out += '?';
    }
    return out;
}

// An SGR mouse report of the left button at a cell counted from 0: M for a press (32 added
// for motion while held), m for its release.
std::string Report(int button, int x, int y, char final) {
    return "\x1b[<" + std::to_string(button) + ";" + std::to_string(x + 1) + ";" +
           std::to_string(y + 1) + final;
}
std::string Press(int x, int y) {
    return Report(0, x, y, 'M');
}
std::string Motion(int x, int y) {
    return Report(32, x, y, 'M');
}
std::string Release(int x, int y) {
    return Report(0, x, y, 'm');
}

std::string Osc52(std::string_view utf8) {
    return "\x1b]52;c;" + EncodeBase64(utf8) + "\x1b\\";
}

// Sent by the server, shown, and where the first of the three lines is on the screen.
std::optional<CursorPosition> ShowTheGate(GameSession& game) {
    PtySession& s = game.Client();
    if (!game.Peer().Send(Cp1251(Gate + "\r\n" + Shield + "\r\n" + Guard + "\r\n")) ||
        !ShowsText(s, Guard, Patience))
        return std::nullopt;
    return s.Screen().Find(Gate);
}

TEST(MouseCopy, ADragCopiesCyrillicTextAcrossAWrappedLineThroughTheTerminal) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    const std::optional<CursorPosition> gate = ShowTheGate(game);
    ASSERT_TRUE(gate) << s.Dump();
    const int y = gate->y;
    ASSERT_TRUE(s.ScreenContains(Guard)) << s.Dump();
    ASSERT_EQ(s.Screen().Find(Guard)->y, y + 3) << s.Dump();

    // From "замка" to past the end of the wrapped line's second row.
    const int from = gate->x + 7;
    s.Send(Press(from, y) + Motion(from + 3, y + 1) + Motion(79, y + 2));
    ASSERT_TRUE(Eventually(
        s,
        [&] {
            return s.Cell(from, y).Attribute() == 0x70 && s.Cell(79, y + 2).Attribute() == 0x70;
        },
        Patience, "the selection drawn reversed"));
    EXPECT_EQ(s.Cell(from - 1, y).Attribute(), 0x07);
    EXPECT_EQ(s.Cell(0, y + 3).Attribute(), 0x07);
    EXPECT_FALSE(s.OutputContains("\x1b]52;")) << "copied before the button went up";
    s.Send(Release(79, y + 2));
    const std::string copied = Osc52("замка открыты.\n" + Shield);
    ASSERT_TRUE(Eventually(
        s, [&] { return s.OutputContains(copied); }, Patience, "OSC 52 with the selected text"));
    // The selection stays shown until a key: then the text is drawn as the server sent it.
    EXPECT_EQ(s.Cell(from, y).Attribute(), 0x70);
    s.Send("x");
    ASSERT_TRUE(Eventually(
        s,
        [&] { return s.Cell(from, y).Attribute() == 0x07 && s.Cell(0, y + 1).Attribute() == 0x07; },
        Patience, "the selection cleared by a key"));

    // Dragged backwards, from the end of the wrapped line to inside its first row: the same
    // text as forwards, without a line break where the row ended.
    s.Send(Press(79, y + 2) + Motion(40, y + 2) + Motion(4, y + 1) + Release(4, y + 1));
    ASSERT_TRUE(Eventually(
        s, [&] { return s.OutputContains(Osc52(ToUtf8(FromUtf8(Shield).substr(4)))); }, Patience,
        "OSC 52 of the backward drag"));
    EXPECT_EQ(s.RowTrimmed(22), "x") << "the key that cleared the selection went on to the editor";
}

// Only the output window's text is taken: a press on the separator or the editor begins no
// drag, and a drag that goes down over them stops at the window's last row.
TEST(MouseCopy, TheEditorAndTheStatusRowsAreNeverPartOfIt) {
    GameSession game("AutoSend=");
    ASSERT_TRUE(game.Connect(Patience)) << game.Client().Dump();
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send(Cp1251(Guard + "\r\n")));
    ASSERT_TRUE(ShowsText(s, Guard, Patience)) << s.Dump();
    s.Send("look");
    ASSERT_TRUE(ShowsText(s, "look", Patience)) << s.Dump();
    // Rows 21 (the separator) to 24 (the status panel) of 80 x 25.
    s.Send(Press(0, 22) + Motion(10, 10) + Release(10, 10));
    s.Send(Press(2, 23) + Release(20, 24));
    const std::optional<CursorPosition> guard = s.Screen().Find(Guard);
    ASSERT_TRUE(guard) << s.Dump();
    // The window's last row is row 20: the drag below it takes the rest of the window only.
    s.Send(Press(guard->x + 9, guard->y) + Motion(5, 23) + Release(5, 24));
    ASSERT_TRUE(Eventually(
        s, [&] { return s.OutputContains("\x1b]52;"); }, Patience, "an OSC 52"));
    EXPECT_TRUE(s.OutputContains(Osc52("кивает."))) << s.Dump();
    size_t copies = 0;
    for (size_t at = s.Output().find("\x1b]52;"); at != std::string::npos;
         at = s.Output().find("\x1b]52;", at + 1))
        ++copies;
    EXPECT_EQ(copies, 1u) << "a press outside the window began a drag";
    EXPECT_NE(s.Cell(0, 22).Attribute(), 0x70);
}

} // namespace
} // namespace tolmix::e2e
