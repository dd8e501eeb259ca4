// The editor laid out again for a new screen: its text wraps at the new width, the cursor keeps
// its place in the text and stays in view.
#include "ui/EditorRig.h"

namespace tolmix {
namespace {

using Pos = std::pair<int32_t, int32_t>;

class EditorRelayoutTest : public test::EditorRig {};

TEST_F(EditorRelayoutTest, TheTextWrapsAtTheNewWidthAndTheCursorKeepsItsPlace) {
    Type("abcdefghijklmnopqrstuvwxyz");
    E().MoveCursor(false, 10);
    ASSERT_EQ(E().CursorPosition(), 17);
    E().Relayout(10, Top, 3);
    EXPECT_EQ(E().CursorPosition(), 17);
    EXPECT_EQ(Cursor(), (Pos{1, 6}));
    EXPECT_EQ(Row(0), "abcdefghij");
    EXPECT_EQ(Row(1), "klmnopqrst");
    EXPECT_EQ(Row(2), "uvwxyz");
    EXPECT_EQ(Screen().CursorX, 6);
    EXPECT_EQ(Screen().CursorY, Top + 1);
    // Wider again: one line, the cursor at the same letter.
    E().Relayout(40, Top, 3);
    EXPECT_EQ(Cursor(), (Pos{0, 16}));
    EXPECT_EQ(Screen().CursorX, 16);
}

TEST_F(EditorRelayoutTest, FewerRowsKeepTheCursorsLineInViewAndMoreRowsShowMore) {
    Type("first\r\nsecond\r\nthird");
    E().MoveLine(false); // to "second"
    E().Relayout(20, Top + 2, 1);
    EXPECT_EQ(E().TopLine(), 1);
    EXPECT_EQ(test::RowText(Screen(), Top + 2).substr(0, 6), "second");
    EXPECT_EQ(Screen().CursorY, Top + 2);
    E().Relayout(20, Top, 3);
    EXPECT_EQ(Row(0), "first");
    EXPECT_EQ(Row(2), "third");
    EXPECT_EQ(Screen().CursorY, Top + 1);
}

TEST_F(EditorRelayoutTest, ACursorBeforeALineBreakStaysOnItsLine) {
    Type("ab\r\ncd");
    E().MoveLine(false);
    E().MoveToLineEdge(true);
    ASSERT_EQ(Cursor(), (Pos{0, 2}));
    E().Relayout(5, Top, 3);
    EXPECT_EQ(Cursor(), (Pos{0, 2}));
    Type("X");
    EXPECT_EQ(E().Text(), "abX\r\ncd");
}

} // namespace
} // namespace tolmix
