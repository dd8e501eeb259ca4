#include "ui/EditorRig.h"

namespace tolmix {
namespace {

using Pos = std::pair<int32_t, int32_t>;

class InputEditorTest : public test::EditorRig {};

// --- Cursor steps ---

TEST_F(InputEditorTest, TheCursorStandsAtColumnSizeXAfterAFullLineAndIsShownInTheLastColumn) {
    Type(std::string(20, 'a'));
    EXPECT_EQ(Cursor(), (Pos{0, 20}));
    EXPECT_EQ(E().CursorPosition(), 21);
    EXPECT_EQ(Screen().CursorX, 19);
    EXPECT_EQ(Screen().CursorY, Top);
    // The next byte starts the second display line; the cursor passes it.
    Type("b");
    EXPECT_EQ(Cursor(), (Pos{1, 1}));
    EXPECT_EQ(Row(0), std::string(20, 'a'));
    EXPECT_EQ(Row(1), "b");
}

TEST_F(InputEditorTest, StepsAcrossAWidthBreakPassOnePositionOnce) {
    Type(std::string(25, 'x'));
    E().MoveLine(false);
    E().MoveToLineEdge(true);
    EXPECT_EQ(Cursor(), (Pos{0, 20}));
    E().MoveCursor(true, 1);
    EXPECT_EQ(Cursor(), (Pos{1, 1}));
    EXPECT_EQ(E().CursorPosition(), 22);
    // Back to the start of the second line: shown at the end of the first.
    E().MoveCursor(false, 1);
    EXPECT_EQ(Cursor(), (Pos{0, 20}));
    EXPECT_EQ(E().CursorPosition(), 21);
    E().MoveCursor(false, 1);
    EXPECT_EQ(Cursor(), (Pos{0, 19}));
    // From column 0 of the second line (Home), one step left lands before the break.
    E().MoveCursor(true, 2);
    E().MoveToLineEdge(false);
    EXPECT_EQ(Cursor(), (Pos{1, 0}));
    E().MoveCursor(false, 1);
    EXPECT_EQ(Cursor(), (Pos{0, 19}));
}

TEST_F(InputEditorTest, ALineBreakIsOneStepEitherWay) {
    E().InsertText("ab\r\ncd");
    EXPECT_EQ(Cursor(), (Pos{1, 2}));
    E().MoveToLineEdge(false);
    EXPECT_EQ(E().CursorPosition(), 5);
    E().MoveCursor(false, 1);
    EXPECT_EQ(Cursor(), (Pos{0, 2}));
    EXPECT_EQ(E().CursorPosition(), 3); // on the CR
    E().MoveCursor(true, 1);
    EXPECT_EQ(Cursor(), (Pos{1, 0}));
    // Moves stop at both ends of the text.
    E().MoveCursor(true, 10);
    EXPECT_EQ(E().CursorPosition(), 7);
    E().MoveCursor(false, 100);
    EXPECT_EQ(E().CursorPosition(), 1);
}

TEST_F(InputEditorTest, InsertingALineBreakPutsTheCursorOnTheNextLine) {
    Type("ab");
    E().InsertText("\r\n");
    EXPECT_EQ(Cursor(), (Pos{1, 0}));
    EXPECT_EQ(E().Lines().size(), 2u);
    // Pasted text moves the cursor by its steps, a CR LF pair counted once.
    E().InsertText("x\r\ny\r\nz");
    EXPECT_EQ(E().Text(), "ab\r\nx\r\ny\r\nz");
    EXPECT_EQ(Cursor(), (Pos{3, 1}));
}

TEST_F(InputEditorTest, WordMovesStopAtWordStarts) {
    // Cyrillic letters (code page 866) are no blanks.
    E().InsertText("go  \xAB\xA5\xE1\r\n north");
    E().MoveCursor(false, 100);
    E().MoveWord(true);
    EXPECT_EQ(E().CursorPosition(), 5);
    E().MoveWord(true);
    EXPECT_EQ(E().CursorPosition(), 11); // past the line break and the blank
    E().MoveWord(true);
    EXPECT_EQ(E().CursorPosition(), 16); // the end
    E().MoveWord(false);
    EXPECT_EQ(E().CursorPosition(), 11);
    E().MoveWord(false);
    EXPECT_EQ(E().CursorPosition(), 5);
    E().MoveWord(false);
    EXPECT_EQ(E().CursorPosition(), 1);
}

TEST_F(InputEditorTest, LineMovesKeepTheColumnWithinTheLine) {
    E().InsertText("abcdef\r\nxy\r\nlonger");
    E().MoveLine(false);
    EXPECT_EQ(Cursor(), (Pos{1, 2}));
    E().MoveLine(false);
    EXPECT_EQ(Cursor(), (Pos{0, 2}));
    E().MoveLine(false); // on the first line: to its start
    EXPECT_EQ(Cursor(), (Pos{0, 0}));
    E().MoveLine(true);
    E().MoveLine(true);
    E().MoveLine(true); // on the last line: to its end
    EXPECT_EQ(Cursor(), (Pos{2, 6}));
}

// --- Deleting ---

TEST_F(InputEditorTest, BackspaceAtALineStartJoinsTheLines) {
    E().InsertText("ab\r\ncd");
    E().MoveToLineEdge(false);
    E().DeleteText(false);
    EXPECT_EQ(E().Text(), "abcd");
    EXPECT_EQ(Cursor(), (Pos{0, 2}));
    EXPECT_EQ(Row(0), "abcd");
    EXPECT_EQ(Row(1), "");
    // Deleting at the ends of the text does nothing.
    E().MoveToLineEdge(true);
    E().DeleteText(true);
    E().MoveToLineEdge(false);
    E().DeleteText(false);
    EXPECT_EQ(E().Text(), "abcd");
}

TEST_F(InputEditorTest, DeleteRemovesALineBreakWholeButALoneCrAlone) {
    E().InsertText("ab\r\ncd");
    E().MoveCursor(false, 3); // on the CR
    E().DeleteText(true);
    EXPECT_EQ(E().Text(), "abcd");
    // A lone CR from a paste is one byte: the letter after it stays.
    E().ClearEditor();
    E().InsertText("ab\rcd");
    E().MoveCursor(false, 3);
    E().DeleteText(true);
    EXPECT_EQ(E().Text(), "abcd");
}

TEST_F(InputEditorTest, BackspaceAfterAWidthBreakDeletesTheByteBeforeTheCursor) {
    Type(std::string(20, 'a') + "bc");
    E().MoveCursor(false, 1); // between b and c
    E().DeleteText(false);
    EXPECT_EQ(E().Text(), std::string(20, 'a') + "c");
    EXPECT_EQ(E().CursorPosition(), 21);
    E().DeleteText(false);
    EXPECT_EQ(E().Text(), std::string(19, 'a') + "c");
    EXPECT_EQ(Cursor(), (Pos{0, 19}));
}

// --- Selection ---

TEST_F(InputEditorTest, ASelectionAcrossALineBreakDeletedFromItsEndLeavesTheCursorAtItsStart) {
    E().InsertText("ab\r\ncd");
    E().MoveCursor(false, 4); // after a
    for (int i = 0; i < 3; ++i) {
        const int32_t anchor = E().CursorPosition();
        E().MoveCursor(true, 1);
        E().ExtendSelection(anchor);
    }
    EXPECT_EQ(E().Selection().Start, 2);
    EXPECT_EQ(E().Selection().End, 6);
    E().DeleteText(false);
    EXPECT_EQ(E().Text(), "ad");
    EXPECT_EQ(Cursor(), (Pos{0, 1}));
    EXPECT_FALSE(E().HasSelection());
    EXPECT_EQ(E().Lines().size(), 1u);
}

TEST_F(InputEditorTest, TypingReplacesTheSelection) {
    E().InsertText("north");
    const int32_t anchor = E().CursorPosition();
    E().MoveWord(false);
    E().ExtendSelection(anchor);
    EXPECT_EQ(E().Selection().Start, 1);
    EXPECT_EQ(E().Selection().End, 6);
    Type("s");
    EXPECT_EQ(E().Text(), "s");
    EXPECT_EQ(E().CursorPosition(), 2);
}

TEST_F(InputEditorTest, MovingBackOverTheAnchorShrinksAndSwapsTheSelection) {
    E().InsertText("abcdef");
    E().MoveCursor(false, 3); // before d
    int32_t anchor = E().CursorPosition();
    E().MoveCursor(true, 1);
    E().ExtendSelection(anchor);
    EXPECT_EQ((Pos{E().Selection().Start, E().Selection().End}), (Pos{4, 5}));
    for (int i = 0; i < 3; ++i) {
        anchor = E().CursorPosition();
        E().MoveCursor(false, 1);
        E().ExtendSelection(anchor);
    }
    EXPECT_EQ((Pos{E().Selection().Start, E().Selection().End}), (Pos{2, 4}));
    for (int i = 0; i < 2; ++i) {
        anchor = E().CursorPosition();
        E().MoveCursor(true, 1);
        E().ExtendSelection(anchor);
    }
    EXPECT_FALSE(E().HasSelection());
}

TEST_F(InputEditorTest, TheSelectionIsDrawnInItsColourOnEveryLineItTouches) {
    E().InsertText("abc\r\ndefg");
    E().MoveCursor(false, 7); // after a
    const int32_t anchor = E().CursorPosition();
    E().MoveCursor(true, 5); // after e
    E().ExtendSelection(anchor);
    const Frame& s = Screen();
    for (int x = 0; x < 20; ++x) {
        EXPECT_EQ(s.At(x, Top).Attr, x >= 1 && x < 3 ? SelColor : TextColor) << x;
        EXPECT_EQ(s.At(x, Top + 1).Attr, x < 2 ? SelColor : TextColor) << x;
    }
    E().ClearSelection();
    Screen(); // the next pass of the loop shows it
    for (int x = 0; x < 20; ++x) {
        EXPECT_EQ(s.At(x, Top).Attr, TextColor);
        EXPECT_EQ(s.At(x, Top + 2), (Cell{' ', TextColor}));
    }
}

TEST_F(InputEditorTest, CopyAndPasteCrossTheClipboardInWindows1251) {
    E().InsertText("\xAF\xE0\xA8\xA2\xA5\xE2 all"); // привет all
    const int32_t anchor = E().CursorPosition();
    E().MoveWord(false);
    E().MoveWord(false);
    E().ExtendSelection(anchor);
    E().CopySelection();
    ASSERT_TRUE(Clip.Text.has_value());
    EXPECT_EQ(*Clip.Text, "\xEF\xF0\xE8\xE2\xE5\xF2 all");
    E().ClearSelection();
    E().PasteClipboard();
    EXPECT_EQ(E().Text(), "\xAF\xE0\xA8\xA2\xA5\xE2 all\xAF\xE0\xA8\xA2\xA5\xE2 all");
    // Without a selection nothing is copied; an empty clipboard pastes nothing.
    Clip.Text = "keep";
    E().CopySelection();
    EXPECT_EQ(*Clip.Text, "keep");
    Clip.Text.reset();
    const std::string before = E().Text();
    E().PasteClipboard();
    EXPECT_EQ(E().Text(), before);
}

// --- Drawing ---

TEST_F(InputEditorTest, ControlBytesAreDrawnAsCellsOfTheirOwn) {
    E().InsertText(std::string("a\x01\x1b[2J\x10\x07", 8));
    const Frame& s = Screen();
    EXPECT_EQ(s.At(1, Top).Char, 0x01);
    EXPECT_EQ(s.At(2, Top).Char, 0x1B);
    EXPECT_EQ(s.At(6, Top).Char, 0x10); // a colour byte is a character here
    EXPECT_EQ(s.At(7, Top).Char, 0x07);
    EXPECT_EQ(s.At(6, Top).Attr, TextColor);
    EXPECT_EQ(E().CursorPosition(), 9);
}

TEST_F(InputEditorTest, TheRowsFollowTheCursorThroughALongText) {
    E().InsertText("1\r\n2\r\n3\r\n4\r\n5");
    EXPECT_EQ(E().TopLine(), 2);
    EXPECT_EQ(Row(0), "3");
    EXPECT_EQ(Row(2), "5");
    EXPECT_EQ(Screen().CursorY, Top + 2);
    E().MoveCursor(false, 100); // stops early: the redraw is the caller's
    E().ClearSelection();
    EXPECT_EQ(E().TopLine(), 0);
    EXPECT_EQ(Row(0), "1");
    EXPECT_EQ(Screen().CursorY, Top);
    E().MoveLine(true);
    E().MoveLine(true);
    E().MoveLine(true);
    EXPECT_EQ(E().TopLine(), 1);
    EXPECT_EQ(Row(0), "2");
}

// --- History ---

TEST_F(InputEditorTest, OlderHistoryWrapsFromTheOldestEntryToTheEmptyLine) {
    for (const char* command : {"one", "two"}) {
        E().InsertText(command);
        E().SendEditor();
    }
    E().RecallHistory(false);
    EXPECT_EQ(E().Text(), "two");
    EXPECT_EQ(Cursor(), (Pos{0, 3}));
    E().RecallHistory(false);
    EXPECT_EQ(E().Text(), "one");
    E().RecallHistory(false);
    EXPECT_EQ(E().Text(), "");
    E().RecallHistory(false);
    EXPECT_EQ(E().Text(), "two");
    E().RecallHistory(true);
    E().RecallHistory(true);
    EXPECT_EQ(E().Text(), "");
    EXPECT_EQ(E().History().Index(), 2);
}

TEST_F(InputEditorTest, AChangedRecalledCommandLocksTheHistoryUntilSentOrCleared) {
    for (const char* command : {"one", "two"}) {
        E().InsertText(command);
        E().SendEditor();
    }
    E().RecallHistory(false);
    Type("!");
    E().RecallHistory(false);
    EXPECT_EQ(E().Text(), "two!");
    E().ClearEditor();
    E().RecallHistory(false);
    EXPECT_EQ(E().Text(), "one");

    auto options = Options();
    options.EditLockHistory = false;
    Make(options);
    for (const char* command : {"one", "two"}) {
        E().InsertText(command);
        E().SendEditor();
    }
    Type("typed");
    E().RecallHistory(false);
    EXPECT_EQ(E().Text(), "two");
}

TEST_F(InputEditorTest, TheHistoryKeepsDifferentNonEmptyCommandsUpToItsSize) {
    for (const char* command : {"look", "look", "", "north", "look"}) {
        E().InsertText(command);
        E().SendEditor();
    }
    ASSERT_EQ(E().History().Count(), 3);
    EXPECT_EQ(E().History().At(0), "look");
    EXPECT_EQ(E().History().At(1), "north");
    EXPECT_EQ(E().History().At(2), "look");
    EXPECT_EQ(Sent, (std::vector<std::string>{"look", "look", "", "north", "look"}));

    auto options = Options();
    options.HistorySize = 1;
    Make(options);
    for (const char* command : {"a", "b", "b"}) {
        E().InsertText(command);
        E().SendEditor();
    }
    ASSERT_EQ(E().History().Count(), 1);
    EXPECT_EQ(E().History().At(0), "b");
}

// --- Passwords ---

TEST_F(InputEditorTest, WhileTheServerEchoesTheTextIsMaskedNotCopiedAndNotKept) {
    E().InsertText("look");
    E().SendEditor();
    E().ServerEchoChanged(true);
    E().InsertText("s3\xEF\r\nt"); // a line break is no character of the mask
    EXPECT_EQ(Row(0), "***");
    EXPECT_EQ(Row(1), "*");
    EXPECT_EQ(Screen().At(0, Top).Attr, TextColor);
    // The text itself is as typed, and the cursor where it would be.
    EXPECT_EQ(E().Text(), "s3\xEF\r\nt");
    EXPECT_EQ(Cursor(), (Pos{1, 1}));
    const int32_t anchor = E().CursorPosition();
    E().MoveToLineEdge(false);
    E().ExtendSelection(anchor);
    E().CopySelection();
    E().CutSelection();
    EXPECT_FALSE(Clip.Text.has_value());
    EXPECT_EQ(E().Text(), "s3\xEF\r\nt");
    E().ClearSelection();

    // Sent as typed; the history does not keep it, and the mask ends with it.
    E().SendEditor();
    EXPECT_EQ(Sent.back(), "s3\xEF\r\nt");
    EXPECT_FALSE(E().Masked());
    ASSERT_EQ(E().History().Count(), 1);
    EXPECT_EQ(E().History().Index(), 1);
    E().RecallHistory(false);
    EXPECT_EQ(E().Text(), "look");
    EXPECT_EQ(Row(0), "look");
}

TEST_F(InputEditorTest, APasswordTypedOverARecalledCommandBrowsesAgainFromTheEmptyLine) {
    E().InsertText("look");
    E().SendEditor();
    E().RecallHistory(false);
    ASSERT_EQ(E().History().Index(), 0);
    E().ServerEchoChanged(true);
    Type("pw");
    E().SendEditor();
    EXPECT_EQ(Sent.back(), "lookpw");
    EXPECT_EQ(E().History().Count(), 1);
    EXPECT_EQ(E().History().Index(), 1);
    E().RecallHistory(false);
    EXPECT_EQ(E().Text(), "look");
}

TEST_F(InputEditorTest, TheServerGivingTheEchoBackUnmasksTheText) {
    E().ServerEchoChanged(true);
    Type("abc");
    EXPECT_EQ(Row(0), "***");
    E().ServerEchoChanged(false);
    EXPECT_EQ(Row(0), "abc");
    E().SendEditor();
    EXPECT_EQ(E().History().Count(), 1);
    // Unconnected, Enter connects and the text stays a secret.
    IsConnected = false;
    E().ServerEchoChanged(true);
    Type("pw");
    E().SendEditor();
    EXPECT_TRUE(E().Masked());
    EXPECT_EQ(Row(0), "**");
}

TEST_F(InputEditorTest, AHalfTypedPasswordGoesWithTheConnectionItWasTypedFor) {
    E().InsertText("look");
    E().SendEditor();
    E().RecallHistory(false);
    E().ServerEchoChanged(true);
    Type("s3cr");
    ASSERT_EQ(Row(0), "********");
    // The link drops: the secret is neither shown in clear nor kept for the next connection.
    IsConnected = false;
    E().ServerEchoLost();
    EXPECT_FALSE(E().Masked());
    EXPECT_EQ(E().Text(), "");
    EXPECT_EQ(Row(0), "");
    EXPECT_EQ(Cursor(), (Pos{0, 0}));
    // Enter connects; the next Enter sends an empty line, and the history holds no part of it.
    const std::size_t sentBefore = Sent.size();
    E().SendEditor();
    EXPECT_EQ(Sent.size(), sentBefore);
    IsConnected = true;
    E().SendEditor();
    ASSERT_EQ(Sent.size(), sentBefore + 1);
    EXPECT_EQ(Sent.back(), "");
    for (int32_t i = 0; i < E().History().Count(); ++i)
        EXPECT_EQ(E().History().At(i).find("s3cr"), std::string::npos);
    // Browsing starts from the empty line again, not from the recalled command.
    E().RecallHistory(false);
    EXPECT_EQ(E().Text(), "look");
}

TEST_F(InputEditorTest, TheConnectionEndingLeavesAnUnmaskedTextAlone) {
    Type("say hi");
    E().ServerEchoLost();
    EXPECT_EQ(E().Text(), "say hi");
    EXPECT_EQ(Row(0), "say hi");
    // Masking that the server ended itself shows the text again, as before.
    E().ServerEchoChanged(true);
    E().ServerEchoChanged(false);
    E().ServerEchoLost();
    EXPECT_EQ(E().Text(), "say hi");
}

// --- Sending ---

TEST_F(InputEditorTest, SendingWhileDisconnectedConnectsAndKeepsTheText) {
    IsConnected = false;
    E().InsertText("north");
    E().SendEditor();
    EXPECT_EQ(ConnectAttempts, 1);
    EXPECT_EQ(ScrollsToEnd, 1);
    EXPECT_TRUE(Sent.empty());
    EXPECT_EQ(E().Text(), "north");
    EXPECT_EQ(E().History().Count(), 0);
}

TEST_F(InputEditorTest, TheExpandedTextIsSentAndItsEditTextComesBack) {
    Rewrite = [](const std::string& text) { return ExpandedText{"say " + text, "again"}; };
    E().InsertText("hi");
    E().SendEditor();
    EXPECT_EQ(Sent, std::vector<std::string>{"say hi"});
    EXPECT_EQ(E().Text(), "again");
    EXPECT_EQ(Cursor(), (Pos{0, 5}));
    EXPECT_EQ(E().History().At(0), "hi"); // as typed
    EXPECT_EQ(Row(0), "again");
}

// --- The server's text-edit mode ---

TEST_F(InputEditorTest, EditModeSendsTheTextBackWithItsLineCount) {
    Rewrite = [](const std::string&) { return ExpandedText{"wrong", ""}; };
    E().BeginEditMode("one\r\ntwo");
    EXPECT_TRUE(E().EditMode());
    EXPECT_TRUE(E().EnterSwapped());
    EXPECT_EQ(Cursor(), (Pos{0, 0}));
    EXPECT_EQ(Row(1), "two");
    const int draws = PanelDraws;
    E().RecallHistory(false); // blocked in edit mode
    EXPECT_EQ(E().Text(), "one\r\ntwo");
    E().SendEditor();
    EXPECT_EQ(Sent, std::vector<std::string>{"\x10\x10"
                                             "ct2\x10one\x10two"});
    EXPECT_FALSE(E().EditMode());
    EXPECT_FALSE(E().EnterSwapped());
    EXPECT_GT(PanelDraws, draws);
    EXPECT_EQ(E().Text(), "");
}

TEST_F(InputEditorTest, EditModeCountsLoneLfLinesAndSendsTheirBytesUnchanged) {
    E().BeginEditMode("");
    E().InsertText("a\nb\r\nc");
    E().SendEditor();
    EXPECT_EQ(Sent, std::vector<std::string>{"\x10\x10"
                                             "ct3\x10"
                                             "a\nb\x10"
                                             "c"});
}

TEST_F(InputEditorTest, ClearingInEditModeCancelsTheEditOnce) {
    E().BeginEditMode("text");
    E().ClearEditor();
    EXPECT_EQ(Sent, std::vector<std::string>{"\x10\x10"
                                             "cc"});
    EXPECT_FALSE(E().EditMode());
    EXPECT_FALSE(E().EnterSwapped());
    E().ClearEditor();
    EXPECT_EQ(Sent.size(), 1u);
}

TEST_F(InputEditorTest, ASecondServerTextReplacesTheFirstWithoutSwappingEnterBack) {
    E().BeginEditMode("first");
    E().BeginEditMode("second");
    EXPECT_EQ(E().Text(), "second");
    EXPECT_TRUE(E().EnterSwapped());
    E().SendEditor();
    EXPECT_FALSE(E().EnterSwapped());
    EXPECT_FALSE(E().EditMode());
}

// --- Big and hostile input ---

TEST_F(InputEditorTest, AMegabytePasteIsLaidOutAndEditedInPlace) {
    std::string text;
    while (text.size() < (1u << 20))
        text += "word\x01\x1b\r\n";
    E().InsertText(text);
    EXPECT_EQ(E().Text().size(), text.size());
    EXPECT_EQ(E().CursorPosition(), E().TextLength() + 1);
    // Keystrokes after it each lay out the whole text once.
    Type("abc");
    E().MoveWord(false);
    E().DeleteText(false); // the line break before "abc"
    EXPECT_EQ(E().Text().size(), text.size() + 1);
    // One word of a megabyte: a word move is a walk through it, not one per byte redraw.
    E().ClearEditor();
    E().InsertText(std::string(1u << 20, 'x'));
    E().MoveWord(false);
    EXPECT_EQ(E().CursorPosition(), 1);
    E().MoveWord(true);
    EXPECT_EQ(E().CursorPosition(), (1 << 20) + 1);
}

TEST_F(InputEditorTest, TheTextNeverGrowsPastItsLimit) {
    E().InsertText(std::string(InputEditor::MaxTextLength - 2, 'x'));
    E().InsertText("abcdef");
    EXPECT_EQ(E().Text().size(), InputEditor::MaxTextLength);
    EXPECT_EQ(E().Text().substr(E().Text().size() - 3), "xab");
    EXPECT_EQ(E().CursorPosition(), E().TextLength() + 1);
}

// Whatever brings the text past the limit, one line says how much of it was left out.
TEST_F(InputEditorTest, TextPastTheLimitIsToldInOneLineWithHowMuchWasLeftOut) {
    const std::string leftOut = "\x19\x90\xA5\xA4\xA0\xAA\xE2\xAE\xE0 "; // "Редактор " in red
    E().InsertText(std::string(InputEditor::MaxTextLength - 2, 'x'));
    EXPECT_TRUE(Notices.empty());
    E().Paste("abcdef\n", 5);
    ASSERT_EQ(Notices.size(), 1u);
    EXPECT_EQ(Notices[0].substr(0, leftOut.size()), leftOut);
    // Four of the paste (its line end became CR LF) and five the terminal's reader dropped.
    EXPECT_NE(Notices[0].find(" 11 "), std::string::npos) << Notices[0];
    EXPECT_EQ(E().Text().size(), InputEditor::MaxTextLength);
    E().Paste("more");
    ASSERT_EQ(Notices.size(), 2u);
    EXPECT_NE(Notices[1].find(" 4 "), std::string::npos) << Notices[1];

    // The server's editor text, cut to the limit.
    Notices.clear();
    E().BeginEditMode(std::string(InputEditor::MaxTextLength + 1000, 'y'));
    ASSERT_EQ(Notices.size(), 1u);
    EXPECT_NE(Notices[0].find(" 1000 "), std::string::npos) << Notices[0];
    EXPECT_EQ(E().Text().size(), InputEditor::MaxTextLength);
}

TEST(CommandHistory, HugeCommandsPushOutTheOldestBeyondTheByteLimit) {
    CommandHistory history(1000, 10);
    history.Add("abcd");
    history.Add("efgh");
    history.Add("ij");
    EXPECT_EQ(history.Count(), 3);
    history.Add("klm"); // 13 bytes: "abcd" goes
    ASSERT_EQ(history.Count(), 3);
    EXPECT_EQ(history.At(0), "efgh");
    history.Add(std::string(50, 'x')); // alone over the limit: kept, everything else goes
    ASSERT_EQ(history.Count(), 1);
    EXPECT_EQ(history.Index(), 1);
    history.Add("n");
    ASSERT_EQ(history.Count(), 1);
    EXPECT_EQ(history.At(0), "n");
}

TEST_F(InputEditorTest, TheViewDrawsOncePerPassAndOnlyAfterAChange) {
    Type("look");
    EXPECT_EQ(Row(0), "look");
    // Nothing changed since: the next pass leaves the rows alone (a scribble stays).
    Con.WriteText("XY", TextColor, MakeCoord(10, Top));
    View->Refresh();
    EXPECT_EQ(Row(0), "look      XY");
    // Several changes before the pass are shown together, in one draw.
    E().InsertText(" n");
    E().MoveToLineEdge(false);
    EXPECT_EQ(test::RowText(Con.Written(), Top).substr(10, 2), "XY");
    EXPECT_EQ(Row(0), "look n");
    EXPECT_EQ(Screen().CursorX, 0);
}

TEST_F(InputEditorTest, ATerminalPasteGoesInWithItsLinesEndedByCrLf) {
    Type("say ");
    E().Paste("one\ntwo\rthree");
    EXPECT_EQ(E().Text(), "say one\r\ntwo\r\nthree");
    EXPECT_EQ(E().CursorPosition(), E().TextLength() + 1);
}

} // namespace
} // namespace tolmix
