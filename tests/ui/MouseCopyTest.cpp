#include "ui/MouseCopy.h"
#include "platform/VirtualKeys.h"
#include "support/FakeTerminal.h"
#include "support/ScreenText.h"
#include "ui/ConsoleScreen.h"
#include "ui/OutputBuffer.h"

#include <gtest/gtest.h>

#include <vector>

namespace tolmix {
namespace {

struct RecordingClipboard final : TextClipboard {
    std::vector<std::string> Copies;
    void CopyToClipboard(std::string_view text) override { Copies.emplace_back(text); }
    std::string PasteFromClipboard() override { return {}; }
};

MouseEvent At(MouseEvent::Action action, int column, int row) {
    return {action, column, row};
}
constexpr auto Press = MouseEvent::Action::Press;
constexpr auto Drag = MouseEvent::Action::Drag;
constexpr auto Release = MouseEvent::Action::Release;

KeyEvent Key(uint16_t vk, bool down = true) {
    KeyEvent key;
    key.VirtualKey = vk;
    key.KeyDown = down;
    return key;
}

// An output window of 4 rows on a 20-column screen, with the editor's row below it.
class MouseCopyTest : public ::testing::Test {
  protected:
    test::FakeTerminal Term{};
    ConsoleScreen Con{Term};
    OutputBuffer Out{Con, 20, 100, 4};
    RecordingClipboard Clip;
    MouseCopy Copy{Con, Out, Clip};

    void SetUp() override {
        Term.CurrentSize = {20, 6};
        Con.FollowTerminalSize();
        Out.UseAttr(0x1E);
        for (const char* line : {"one", "two two", "three", "four"})
            Out.AppendOutput(line);
        Con.RefreshViews();
    }

    // Which cells of a screen row are drawn reversed (yellow on blue shown as blue on yellow).
    std::string Marked(int y) {
        std::string marks;
        for (int x = 0; x < 20; ++x)
            marks += Con.Cells().At(x, y).Attr == 0xE1 ? '#' : '.';
        return marks;
    }
    void Mouse(MouseEvent::Action action, int column, int row) {
        Copy.HandleMouse(At(action, column, row));
        Con.RefreshViews();
    }
};

TEST_F(MouseCopyTest, ADragIsShownWhileItGoesAndCopiedWhenTheButtonIsLetGo) {
    Mouse(Press, 4, 1);
    EXPECT_EQ(Marked(1), "....................");
    Mouse(Drag, 1, 2);
    EXPECT_EQ(Marked(1), "....################");
    EXPECT_EQ(Marked(2), "##..................");
    EXPECT_TRUE(Clip.Copies.empty());
    // Back up the same row: the highlight follows, the rows left are drawn as they were.
    Mouse(Drag, 6, 1);
    EXPECT_EQ(Marked(1), "....###.............");
    EXPECT_EQ(Marked(2), "....................");
    EXPECT_EQ(Con.Cells().At(0, 2), (Cell{'t', 0x1E}));
    Mouse(Release, 6, 1);
    EXPECT_EQ(Clip.Copies, std::vector<std::string>{"two"});
    // The selection stays shown after the copy.
    EXPECT_EQ(Marked(1), "....###.............");
    EXPECT_EQ(Con.Cells().At(4, 1).Char, 't');
}

TEST_F(MouseCopyTest, AClickOrAKeyClearsTheSelectionButModifiersAloneDoNot) {
    Mouse(Press, 0, 0);
    Mouse(Drag, 2, 0);
    Mouse(Release, 2, 0);
    ASSERT_EQ(Marked(0), "###.................");
    // Ctrl held down for a key to come, and key releases, leave it.
    Copy.KeyPressed(Key(VkControl));
    Copy.KeyPressed(Key('A', false));
    Con.RefreshViews();
    EXPECT_EQ(Marked(0), "###.................");
    Copy.KeyPressed(Key(VkPrior));
    Con.RefreshViews();
    EXPECT_EQ(Marked(0), "....................");
    EXPECT_FALSE(Copy.Selects());

    Mouse(Press, 0, 3);
    Mouse(Drag, 3, 3);
    Mouse(Release, 3, 3);
    ASSERT_EQ(Marked(3), "####................");
    // A click where the button went down and came up: nothing selected, nothing copied.
    Mouse(Press, 1, 1);
    EXPECT_EQ(Marked(3), "....................");
    Mouse(Release, 1, 1);
    EXPECT_FALSE(Copy.Selects());
    EXPECT_EQ(Clip.Copies, (std::vector<std::string>{"one", "four"}));
}

TEST_F(MouseCopyTest, OnlyTheOutputWindowIsEverSelected) {
    // A press on the editor's row begins nothing: the drag and release after it do nothing.
    Mouse(Press, 3, 4);
    Mouse(Drag, 0, 0);
    Mouse(Release, 0, 0);
    EXPECT_FALSE(Copy.Selects());
    EXPECT_TRUE(Clip.Copies.empty());
    // A drag that goes below the window selects to the end of its last row, and no further.
    Mouse(Press, 2, 2);
    Mouse(Drag, 5, 5);
    EXPECT_EQ(Marked(3), "####################");
    EXPECT_EQ(Marked(4), "....................");
    EXPECT_EQ(Marked(5), "....................");
    Mouse(Release, 70, 9);
    EXPECT_EQ(Clip.Copies, std::vector<std::string>{"ree\r\nfour"});
}

// A terminal that reports no motion tells where the button went down and where it came up.
TEST_F(MouseCopyTest, APressAndAReleaseElsewhereSelectWithoutMotion) {
    Mouse(Press, 0, 1);
    Mouse(Release, 2, 2);
    EXPECT_EQ(Clip.Copies, std::vector<std::string>{"two two\r\nthr"});
    EXPECT_EQ(Marked(2), "###.................");
}

TEST_F(MouseCopyTest, BlanksAloneAreShownSelectedButLeaveTheClipboardAlone) {
    Out.AppendOutput("");
    Out.AppendOutput("   ");
    Con.RefreshViews();
    Mouse(Press, 0, 3);
    Mouse(Drag, 19, 3);
    Mouse(Release, 19, 3);
    EXPECT_EQ(Marked(3), "####################");
    EXPECT_TRUE(Clip.Copies.empty());
    // Two empty lines are a line end.
    Mouse(Press, 0, 2);
    Mouse(Release, 19, 3);
    EXPECT_EQ(Clip.Copies, std::vector<std::string>{"\r\n"});
}

// The selection belongs to the text: when new lines push it up, the highlight goes up with it.
TEST_F(MouseCopyTest, TheHighlightStaysOnItsTextWhenTheWindowIsDrawnAgain) {
    Mouse(Press, 0, 3);
    Mouse(Drag, 3, 3);
    Mouse(Release, 3, 3);
    Out.AppendOutput("five");
    Con.RefreshViews();
    EXPECT_EQ(test::RowText(Con.Cells(), 2).substr(0, 4), "four");
    EXPECT_EQ(Marked(2), "####................");
    EXPECT_EQ(Marked(3), "....................");
    Copy.Clear();
    Con.RefreshViews();
    EXPECT_EQ(Marked(2), "....................");
}

} // namespace
} // namespace tolmix
