#include "ui/SearchLine.h"
#include "platform/VirtualKeys.h"
#include "text/CodePage.h"
#include "ui/EditorRig.h"
#include "ui/OutputBuffer.h"

namespace tolmix {
namespace {

// The search line over an editor of 20 columns in rows 5 to 7, above it an output window of
// five rows.
class SearchLineTest : public test::EditorRig {
  protected:
    OutputBuffer Out{Con, 20, 100, 5};
    ScrollbackSearch Search{Out};
    std::unique_ptr<SearchLine> Line;
    const std::string Prompt = AnsiToConsole("\xCF\xEE\xE8\xF1\xEA: "); // "Поиск: "

    void SetUp() override {
        EditorRig::SetUp();
        Line = std::make_unique<SearchLine>(Con, Search, E(), *View);
    }
    void TearDown() override { Line.reset(); }

    bool Press(uint16_t vk, uint32_t state = 0, uint8_t ch = 0) {
        KeyEvent key;
        key.VirtualKey = vk;
        key.Char = ch;
        key.ControlKeyState = state;
        return Line->SearchKey(key);
    }
    void TypeKeys(std::string_view text) {
        for (const char c : text)
            Press('A', 0, static_cast<uint8_t>(c));
    }
    // Row r of the editor after the views drew, in the order the console refreshes them.
    std::string Shown(int r) {
        View->Refresh();
        Line->Refresh();
        return Row(r);
    }
};

TEST_F(SearchLineTest, TheEditorsRowsShowThePromptAndTheTextAndComeBackAfterEscape) {
    Type("hello");
    EXPECT_FALSE(Press('A', 0, 'a')); // no search yet: the keys are the editor's
    Line->BeginSearch();
    EXPECT_TRUE(Press('A', 0, 'a'));
    EXPECT_TRUE(Press('B', ShiftPressed, 'B'));
    EXPECT_EQ(Shown(0), Prompt + "aB");
    EXPECT_EQ(Shown(1), "");
    EXPECT_EQ(Con.Cells().CursorX, 9);
    EXPECT_EQ(Con.Cells().CursorY, Top);
    EXPECT_EQ(E().Text(), "hello");
    EXPECT_TRUE(Press(VkEscape, 0, 0x1B));
    EXPECT_FALSE(Search.Active());
    EXPECT_EQ(Shown(0), "hello");
    EXPECT_EQ(Con.Cells().CursorX, 5);
}

TEST_F(SearchLineTest, ALongTextScrollsSidewaysToKeepTheCursorInTheRow) {
    Line->BeginSearch();
    const std::string text = "abcdefghijklmnopqrstuvwxyz0123";
    TypeKeys(text);
    // Thirteen columns after the prompt: the cursor in the last one, after the last twelve.
    EXPECT_EQ(Shown(0), Prompt + text.substr(18));
    EXPECT_EQ(Con.Cells().CursorX, 19);
    Press(VkHome);
    EXPECT_EQ(Shown(0), Prompt + text.substr(0, 13));
    EXPECT_EQ(Con.Cells().CursorX, 7);
    Press(VkRight);
    Press(VkDelete);
    Press(VkBack);
    EXPECT_EQ(Search.Text(), text.substr(2));
    Press(VkEnd);
    EXPECT_EQ(Search.Cursor(), text.size() - 2);
}

TEST_F(SearchLineTest, EnterAndItsFriendsSearchAndAMissIsSaidOnTheLine) {
    for (const char* line : {"orc one", "elf", "orc two", "orc three"})
        Out.AppendOutput(line);
    Line->BeginSearch();
    TypeKeys("ORC");
    Press(VkReturn, 0, 0x0D);
    EXPECT_EQ(Search.Hit()->First, 3);
    Press(VkUp);
    EXPECT_EQ(Search.Hit()->First, 2);
    Press('F', LeftCtrlPressed, 0x06);
    EXPECT_EQ(Search.Hit()->First, 0);
    Press(VkReturn, ShiftPressed, 0x0D);
    EXPECT_EQ(Search.Hit()->First, 2);
    Press(VkDown);
    EXPECT_EQ(Search.Hit()->First, 3);
    Press(VkDown);
    EXPECT_EQ(Search.Result(), ScrollbackSearch::Outcome::NotFound);
    // At the row's end where the text leaves no room after it.
    EXPECT_EQ(Shown(0), Prompt + "ORC" + AnsiToConsole("\xED\xE5 \xED\xE0\xE9\xE4\xE5\xED\xEE"));
    EXPECT_EQ(Con.Cells().At(10, Top).Attr, (TextColor & 0xF0) | 0x0C);
    EXPECT_EQ(Con.Cells().At(9, Top).Attr, TextColor);
    Press(VkBack);
    EXPECT_EQ(Shown(0), Prompt + "OR");
}

// The keys that scroll, the macros' keys and the ways out keep their meaning; every other key
// is taken and does nothing to the editor.
TEST_F(SearchLineTest, ScrollingMacroAndQuitKeysPassOthersAreTaken) {
    Type("hello");
    Line->BeginSearch();
    EXPECT_FALSE(Press(VkPrior));
    EXPECT_FALSE(Press(VkNext, ShiftPressed));
    EXPECT_FALSE(Press(VkUp, LeftCtrlPressed));
    EXPECT_FALSE(Press(VkEnd, LeftCtrlPressed));
    EXPECT_FALSE(Press(VkF1));
    EXPECT_FALSE(Press(VkF10));
    EXPECT_FALSE(Press('X', LeftAltPressed, 'x'));
    EXPECT_FALSE(Press(VkEscape, ShiftPressed, 0x1B));
    EXPECT_TRUE(Press(VkTab, 0, 0x09));
    EXPECT_TRUE(Press('V', LeftCtrlPressed, 0x16));
    EXPECT_TRUE(Press(VkInsert, ShiftPressed));
    EXPECT_TRUE(Search.Active());
    EXPECT_EQ(Search.Text(), "");
    EXPECT_EQ(E().Text(), "hello");
    KeyEvent release;
    release.KeyDown = false;
    release.VirtualKey = VkEscape;
    EXPECT_FALSE(Line->SearchKey(release));
    EXPECT_TRUE(Search.Active());
}

} // namespace
} // namespace tolmix
