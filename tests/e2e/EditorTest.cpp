#include "e2e/harness/Assertions.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/LoopbackServer.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"

#include <gtest/gtest.h>

#include <memory>
#include <optional>
#include <string>

// The editor, the history and the keys with the real program in a pseudo-terminal, served by a
// loopback server that records every byte the client sends.
namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;

// The client on a settings file that points it at a loopback server, which it connects to at
// start-up.
class EditorSession {
  public:
    explicit EditorSession(const std::string& extraSettings = "", int columns = 80, int rows = 25) {
        Dir.WriteFile("hero.tcf", "Address=127.0.0.1\r\nPort=" + std::to_string(Server.Port()) +
                                      "\r\nAutoSend=\r\n" + extraSettings);
        SessionOptions options;
        options.columns = columns;
        options.rows = rows;
        options.workingDirectory = Dir.String();
        options.args = {(Dir.Path() / "hero.tcf").string()};
        Session = std::make_unique<PtySession>(options);
    }

    PtySession& S() { return *Session; }

    testing::AssertionResult Started() {
        return Eventually(
            S(), [&] { return S().Title() == "Tolmix Client v1.4.0" && S().Cursor().y > 0; },
            Patience, "the client's first frame");
    }

    // Takes the next connection the client opens.
    testing::AssertionResult Connect() {
        Peer.reset();
        Taken = 0;
        for (int i = 0; i < 50 && !Peer; ++i) {
            S().PumpFor(100ms);
            Peer = Server.Accept(0ms);
        }
        if (!Peer)
            return testing::AssertionFailure() << "no connection\n" << S().Dump();
        return testing::AssertionSuccess();
    }

    // Waits until the server has received these bytes since the last call, and takes them.
    testing::AssertionResult Receives(const std::string& bytes) {
        if (!Peer)
            return testing::AssertionFailure() << "not connected";
        bool arrived = false;
        S().WaitFor(
            [&] {
                arrived = Peer->Received().find(bytes, Taken) != std::string::npos;
                return arrived;
            },
            Patience);
        if (!arrived)
            return testing::AssertionFailure()
                   << "the server did not receive " << Printable(bytes) << "; it has "
                   << Printable(Peer->Received().substr(Taken)) << "\n"
                   << S().Dump();
        Taken = Peer->Received().size();
        return testing::AssertionSuccess();
    }

    testing::AssertionResult RowIs(int y, const std::string& utf8) {
        return Eventually(
            S(), [&] { return S().RowTrimmed(y) == utf8; }, Patience,
            "row " + std::to_string(y) + " reads \"" + utf8 + "\"");
    }

    TempDir Dir;
    LoopbackServer Server;
    std::optional<LoopbackServer::Peer> Peer;
    std::size_t Taken = 0;
    std::unique_ptr<PtySession> Session;
};

constexpr int EditorRow = 22; // the default layout's one editor row

TEST(Editor, ARussianCommandGoesOutInWindows1251AndComesBackFromTheHistory) {
    EditorSession e;
    ASSERT_TRUE(e.Started());
    ASSERT_TRUE(e.Connect());
    e.S().Send("смотреть я");
    ASSERT_TRUE(e.RowIs(EditorRow, "смотреть я"));
    e.S().Send(keys::Enter);
    EXPECT_TRUE(e.Receives("\xF1\xEC\xEE\xF2\xF0\xE5\xF2\xFC \xFF\xFF\r\n"));
    EXPECT_TRUE(e.RowIs(EditorRow, ""));
    EXPECT_EQ(e.S().Cursor(), (CursorPosition{0, EditorRow}));
    e.S().Send(keys::Up);
    EXPECT_TRUE(e.RowIs(EditorRow, "смотреть я"));
    EXPECT_TRUE(Eventually(
        e.S(),
        [&] {
            return e.S().Cursor() == CursorPosition{10, EditorRow};
        },
        Patience, "the cursor at the end of the recalled command"));
    // Older from the oldest entry: the empty line.
    e.S().Send(keys::Up);
    EXPECT_TRUE(e.RowIs(EditorRow, ""));
}

TEST(Editor, AThreeLineCommandIsSentAsThreeLinesAndUpDownWalkItsLines) {
    EditorSession e("EditorLines=3\r\n");
    ASSERT_TRUE(e.Started());
    ASSERT_TRUE(e.Connect());
    const int top = 20;
    e.S().Send("look" + keys::CtrlEnter + "north" + keys::CtrlEnterModifyOtherKeys + "say hi");
    ASSERT_TRUE(e.RowIs(top + 2, "say hi"));
    EXPECT_EQ(e.S().RowTrimmed(top), "look");
    EXPECT_EQ(e.S().RowTrimmed(top + 1), "north");
    e.S().Send(keys::Enter);
    EXPECT_TRUE(e.Receives("look\r\nnorth\r\nsay hi\r\n"));
    ASSERT_TRUE(e.RowIs(top, ""));

    e.S().Send(keys::Up); // empty editor: recall, the cursor at the end of the last line
    ASSERT_TRUE(e.RowIs(top + 2, "say hi"));
    auto cursorAt = [&](int x, int y) {
        return Eventually(
            e.S(),
            [&] {
                return e.S().Cursor() == CursorPosition{x, y};
            },
            Patience, "the cursor at " + std::to_string(x) + "," + std::to_string(y));
    };
    EXPECT_TRUE(cursorAt(6, top + 2));
    e.S().Send(keys::Up);
    EXPECT_TRUE(cursorAt(5, top + 1));
    e.S().Send(keys::Up);
    EXPECT_TRUE(cursorAt(4, top));
    e.S().Send(keys::Up); // first line: to its start, still no recall
    EXPECT_TRUE(cursorAt(0, top));
    EXPECT_EQ(e.S().RowTrimmed(top + 2), "say hi");
    e.S().Send(keys::Down + keys::Down + keys::Down); // down to the end of the last line
    EXPECT_TRUE(cursorAt(6, top + 2));
    EXPECT_EQ(e.S().RowTrimmed(top), "look");
    e.S().Send(keys::Down); // at the very end: newer, the empty line
    EXPECT_TRUE(e.RowIs(top, ""));
    EXPECT_TRUE(e.RowIs(top + 2, ""));
}

TEST(Editor, ShiftArrowsSelectAndTheClipboardKeysCopyCutAndPaste) {
    EditorSession e;
    ASSERT_TRUE(e.Started());
    e.S().Send("go north");
    ASSERT_TRUE(e.RowIs(EditorRow, "go north"));
    for (int i = 0; i < 5; ++i)
        e.S().Send(keys::ShiftLeft);
    auto selected = [&](int from, int to) {
        return Eventually(
            e.S(),
            [&] {
                for (int x = 0; x < 12; ++x) {
                    const int expected = x >= from && x < to ? 0x3F : 0x0F;
                    if (e.S().Cell(x, EditorRow).Attribute() != expected)
                        return false;
                }
                return true;
            },
            Patience,
            "columns " + std::to_string(from) + " to " + std::to_string(to) + " selected");
    };
    EXPECT_TRUE(selected(3, 8));
    e.S().Send(keys::Ctrl('c') + keys::End + keys::Ctrl('v'));
    EXPECT_TRUE(e.RowIs(EditorRow, "go northnorth"));
    EXPECT_TRUE(selected(0, 0));

    e.S().Send(keys::ShiftLeft + keys::ShiftLeft + keys::ShiftLeft + keys::ShiftLeft +
               keys::ShiftLeft + keys::Ctrl('x'));
    EXPECT_TRUE(e.RowIs(EditorRow, "go north"));
    e.S().Send(keys::Home + keys::CtrlShiftRight + "\x1b[3;2~"); // Shift+Delete cuts "go "
    EXPECT_TRUE(e.RowIs(EditorRow, "north"));
    e.S().Send(keys::End + keys::Ctrl('v'));
    EXPECT_TRUE(e.RowIs(EditorRow, "northgo")); // and the blank, where the cursor stands after
    EXPECT_TRUE(Eventually(
        e.S(),
        [&] {
            return e.S().Cursor() == CursorPosition{8, EditorRow};
        },
        Patience, "the cursor after the pasted blank"));
    // Typing replaces a selection.
    e.S().Send(keys::ShiftHome + "s");
    EXPECT_TRUE(e.RowIs(EditorRow, "s"));
    EXPECT_TRUE(selected(0, 0));
}

TEST(Editor, EnterWhileDisconnectedConnectsAndKeepsTheTextAndF10QuitsCleanly) {
    EditorSession e;
    ASSERT_TRUE(e.Started());
    ASSERT_TRUE(e.Connect());
    // The server goes away: the client shows the reconnect prompt.
    e.Peer->Close();
    ASSERT_TRUE(ShowsText(e.S(), "программы.", Patience));
    e.S().Send("north");
    ASSERT_TRUE(e.RowIs(EditorRow, "north"));
    e.S().Send(keys::Enter);
    ASSERT_TRUE(e.Connect());
    EXPECT_TRUE(e.RowIs(EditorRow, "north"));
    e.S().PumpFor(100ms);
    EXPECT_EQ(e.Peer->Received(), "");
    e.S().Send(keys::Enter);
    EXPECT_TRUE(e.Receives("north\r\n"));

    const std::size_t mark = e.S().Output().size();
    e.S().Send(keys::F10);
    EXPECT_TRUE(ExitsWith(e.S(), 0, Patience));
    EXPECT_TRUE(e.Peer->WaitForPeerClosed(Patience));
    // The reconnect prompt was drawn before the end.
    EXPECT_NE(e.S().OutputSince(mark).find("программы."), std::string_view::npos);
    EXPECT_TRUE(TtyRestored(e.S()));
    EXPECT_EQ(e.S().LastPrivateMode(1049), false);
}

TEST(Editor, EscapeOnlyClearsTheEditorWhileShiftEscapeEndsTheProgram) {
    EditorSession e;
    ASSERT_TRUE(e.Started());
    e.S().Send("typed");
    ASSERT_TRUE(e.RowIs(EditorRow, "typed"));
    e.S().Send(keys::Escape);
    EXPECT_TRUE(e.RowIs(EditorRow, ""));
    e.S().PumpFor(100ms);
    EXPECT_TRUE(e.S().Running());
    // Ctrl+Escape and Ctrl+Shift+Escape, as the kitty protocol and modifyOtherKeys report
    // them, do nothing at all.
    e.S().Send("kept");
    ASSERT_TRUE(e.RowIs(EditorRow, "kept"));
    for (int modifiers : {4, 5}) // Ctrl, Ctrl+Shift
        e.S().Send(keys::Kitty(27, modifiers) + keys::ModifyOtherKeys(27, modifiers));
    e.S().Send("!");
    EXPECT_TRUE(e.RowIs(EditorRow, "kept!"));
    EXPECT_TRUE(e.S().Running());
    e.S().Send(keys::ShiftEscape);
    EXPECT_TRUE(ExitsWith(e.S(), 0, Patience));
    EXPECT_TRUE(TtyRestored(e.S()));
}

// Characters outside the letters both code pages share: the editor shows what was typed and
// the server receives it in Windows-1251, or '?' where that code page has no such character.
TEST(Editor, TypedAndPastedSymbolsReachTheServerAsThemselves) {
    EditorSession e;
    ASSERT_TRUE(e.Started());
    ASSERT_TRUE(e.Connect());
    e.S().Send("№5 є ї ў 3° і «да» — ─√");
    ASSERT_TRUE(e.RowIs(EditorRow, "№5 є ї ў 3° і «да» — ??"));
    e.S().Send(keys::Enter);
    EXPECT_TRUE(e.Receives("\xB9"
                           "5 \xBA \xBF \xA2 3\xB0 \xB3 \xAB\xE4\xE0\xBB \x97 ??\r\n"));

    e.S().Send(keys::Paste("Ґ№ «Ї» ╬"));
    ASSERT_TRUE(e.RowIs(EditorRow, "Ґ№ «Ї» ?"));
    e.S().Send(keys::Enter);
    EXPECT_TRUE(e.Receives("\xA5\xB9 \xAB\xAF\xBB ?\r\n"));

    // The server's own such characters are shown as themselves too.
    ASSERT_TRUE(e.Peer->Send("\xB9"
                             "7: \xAB\xE4\xE0\xBB \x97 \xB3\r\n"));
    EXPECT_TRUE(Eventually(
        e.S(), [&] { return e.S().ScreenContains("№7: «да» — і"); }, Patience,
        "the server's line with its symbols"));
}

TEST(Editor, PageKeysScrollByOneRowLessThanTheWindowAndCtrlArrowsByOne) {
    EditorSession e("SplitView=0\r\n"); // the whole window scrolls back
    ASSERT_TRUE(e.Started());
    ASSERT_TRUE(e.Connect());
    std::string lines;
    for (int i = 1; i <= 60; ++i)
        lines += "row " + std::to_string(i) + "\r\n";
    ASSERT_TRUE(e.Peer->Send(lines));
    const int last = 20; // the output window is rows 0 to 20
    ASSERT_TRUE(e.RowIs(last, "row 60"));
    e.S().Send(keys::PageUp);
    EXPECT_TRUE(e.RowIs(last, "row 40"));
    e.S().Send(keys::PageUp);
    EXPECT_TRUE(e.RowIs(last, "row 20"));
    e.S().Send(keys::CtrlDown);
    EXPECT_TRUE(e.RowIs(last, "row 21"));
    e.S().Send(keys::CtrlUp + keys::CtrlUp);
    EXPECT_TRUE(e.RowIs(last, "row 19"));
    e.S().Send(keys::PageDown);
    EXPECT_TRUE(e.RowIs(last, "row 39"));
}

TEST(Editor, TheServersTextEditorOpensWithItsCaptionAndGoesBackAsCtOrCc) {
    EditorSession e("EditorLines=3\r\n");
    ASSERT_TRUE(e.Started());
    ASSERT_TRUE(e.Connect());
    const int top = 20;
    ASSERT_TRUE(e.Peer->Send("\x80\x80"
                             "ct2\x80look\x80north\r\n"));
    ASSERT_TRUE(e.RowIs(top + 1, "north"));
    EXPECT_EQ(e.S().RowTrimmed(top), "look");
    EXPECT_NE(e.S().RowUtf8(19).find("Режим редактирования текста:"), std::string::npos)
        << e.S().Dump();
    // In edit mode Enter breaks the line and Ctrl+Enter sends the text.
    e.S().Send(keys::End + keys::Enter + "x");
    ASSERT_TRUE(e.RowIs(top + 1, "x"));
    e.S().Send(keys::CtrlEnter);
    EXPECT_TRUE(e.Receives("\x80\x80"
                           "ct3\x80look\x80x\x80north\r\n"));
    EXPECT_TRUE(e.RowIs(top, ""));
    EXPECT_TRUE(Eventually(
        e.S(), [&] { return e.S().RowUtf8(19).find("Режим") == std::string::npos; }, Patience,
        "the caption is gone"));
    // Back in normal mode Enter sends again.
    e.S().Send("y" + keys::Enter);
    EXPECT_TRUE(e.Receives("y\r\n"));

    ASSERT_TRUE(e.Peer->Send("\x80\x80"
                             "ct1\x80text\r\n"));
    ASSERT_TRUE(e.RowIs(top, "text"));
    e.S().Send(keys::Escape);
    EXPECT_TRUE(e.Receives("\x80\x80"
                           "cc\r\n"));
    EXPECT_TRUE(e.RowIs(top, ""));
    // Enter sends again.
    e.S().Send("done" + keys::Enter);
    EXPECT_TRUE(e.Receives("done\r\n"));
}

TEST(Editor, TheCursorAfterAFullLineIsShownInTheLastColumn) {
    EditorSession e;
    ASSERT_TRUE(e.Started());
    e.S().Send(std::string(80, 'x'));
    ASSERT_TRUE(e.RowIs(EditorRow, std::string(80, 'x')));
    EXPECT_TRUE(Eventually(
        e.S(),
        [&] {
            return e.S().Cursor() == CursorPosition{79, EditorRow};
        },
        Patience, "the cursor in the last column"));
    e.S().Send("y");
    EXPECT_TRUE(e.RowIs(EditorRow, "y"));
    EXPECT_TRUE(Eventually(
        e.S(),
        [&] {
            return e.S().Cursor() == CursorPosition{1, EditorRow};
        },
        Patience, "the cursor after the y"));
}

TEST(Editor, AMegabytePasteWithControlBytesStaysTextAndTheClientKeepsUp) {
    EditorSession e;
    ASSERT_TRUE(e.Started());
    ASSERT_TRUE(e.Connect());
    std::string text;
    while (text.size() < (1u << 20))
        text += "word \x01\x07\x1b[2J\x1b]0;x\x07 ";
    text += "end";
    e.S().Send(keys::Paste(text));
    // The last row of the text is shown, its control bytes as glyphs.
    EXPECT_TRUE(Eventually(
        e.S(), [&] { return e.S().RowTrimmed(EditorRow).ends_with("end"); }, 30000ms,
        "the end of the paste in the editor"));
    EXPECT_TRUE(e.S().ScreenContains("☺•←[2J")) << e.S().Dump();
    e.S().Send("!");
    EXPECT_TRUE(Eventually(
        e.S(), [&] { return e.S().RowTrimmed(EditorRow).ends_with("end!"); }, Patience,
        "a key after the paste"));
    EXPECT_TRUE(NoStrayControls(e.S()));
    EXPECT_TRUE(e.S().Running());
    // A line-by-line paste arrives with CR LF line ends, which the server gets as lines.
    e.S().Send(keys::Escape);
    ASSERT_TRUE(e.RowIs(EditorRow, ""));
    e.S().Send(keys::Paste("one\rtwo"));
    ASSERT_TRUE(e.RowIs(EditorRow, "two"));
    e.S().Send(keys::Enter);
    EXPECT_TRUE(e.Receives("one\r\ntwo\r\n"));
}

} // namespace
} // namespace tolmix::e2e
