#include "ui/KeyDispatch.h"
#include "platform/VirtualKeys.h"
#include "platform/vt/KeyDecoder.h"
#include "ui/EditorRig.h"

namespace tolmix {
namespace {

class KeyDispatchTest : public test::EditorRig,
                        public KeyMacroStep,
                        public LoopExit,
                        public SearchKeys,
                        public LogSwitch {
  protected:
    static constexpr int32_t OutputRows = 17;
    std::unique_ptr<KeyDispatch> Keys;
    std::vector<std::string> Calls;
    bool MacroBound = false;
    std::string MacroEditText;
    bool Ended = false;
    bool Searching = false;

    void SetUp() override {
        EditorRig::SetUp();
        Bind();
    }
    void Bind() {
        Keys = std::make_unique<KeyDispatch>(*this, E(), *this, *this, *this, *this, OutputRows,
                                             *this);
    }
    KeyMacroResult RunKeyMacro(const KeyEvent&) override {
        if (MacroBound)
            Calls.push_back("macro");
        return {MacroBound, MacroEditText};
    }
    void LoadMacrosAndAliases() override { Calls.push_back("reload"); }
    void BeginSearch() override {
        Calls.push_back("search");
        Searching = true;
    }
    bool SearchKey(const KeyEvent& key) override {
        if (Searching)
            Calls.push_back("search key " + std::to_string(key.VirtualKey));
        return Searching;
    }
    void ToggleLog() override { Calls.push_back("log"); }
    void EndLoop() override { Ended = true; }
    bool LoopEnded() const override { return Ended; }
    // The end of the input loop shows up after what came before it.
    void Record(const std::string& call) override { Calls.push_back(Ended ? "terminate" : call); }
    std::vector<std::string> CallsAndEnd() {
        std::vector<std::string> calls = Calls;
        if (Ended)
            calls.push_back("terminate");
        return calls;
    }
    void Remake(const InputEditorOptions& options) {
        Make(options);
        Bind();
    }

    bool Press(uint16_t vk, uint32_t state = 0, uint8_t ch = 0, bool down = true) {
        KeyEvent key;
        key.KeyDown = down;
        key.VirtualKey = vk;
        key.Char = ch;
        key.ControlKeyState = state;
        return Keys->HandleKey(key);
    }
    bool Char(char c, uint32_t state = 0) {
        const auto up = static_cast<uint16_t>(c >= 'a' && c <= 'z' ? c - 32 : c);
        return Press(up, state, static_cast<uint8_t>(c));
    }
    void TypeKeys(std::string_view text) {
        for (char c : text)
            Char(c);
    }
};

constexpr uint32_t Ctrl = LeftCtrlPressed;
constexpr uint32_t Shift = ShiftPressed;
constexpr uint32_t Alt = LeftAltPressed;
constexpr uint32_t Grey = EnhancedKey;

TEST_F(KeyDispatchTest, ReleasesAreIgnoredAndEveryRepeatActs) {
    EXPECT_FALSE(Press('A', 0, 'a', false));
    EXPECT_EQ(E().Text(), "");
    EXPECT_TRUE(Char('a'));
    EXPECT_TRUE(Char('a'));
    EXPECT_TRUE(Press('A', Shift, 'A'));
    EXPECT_TRUE(Press(VkSpace, 0, ' '));
    EXPECT_TRUE(Press(0, 0, 0xA0)); // a Cyrillic letter without a key of its own
    EXPECT_EQ(E().Text(), "aaA \xA0");
}

TEST_F(KeyDispatchTest, AltKeysAreConsumedAndDoNothing) {
    E().InsertText("keep");
    EXPECT_TRUE(Press('N', Alt, 'n'));
    EXPECT_TRUE(Press(VkEscape, Alt, 0x1B));
    EXPECT_TRUE(Press(VkBack, Alt, 0x08));
    EXPECT_TRUE(Press(VkLeft, Alt | Ctrl | Grey));
    EXPECT_EQ(E().Text(), "keep");
    EXPECT_EQ(E().CursorPosition(), 5);
    EXPECT_TRUE(Calls.empty());
}

// Alt+L alone switches the log, in either letter case and whatever the layout types; a macro
// bound to it wins.
TEST_F(KeyDispatchTest, AltLSwitchesTheLogUnlessAMacroHasTheKey) {
    E().InsertText("keep");
    EXPECT_TRUE(Press('L', Alt, 'l'));
    EXPECT_TRUE(Press('L', Alt | Shift, 'L'));
    EXPECT_TRUE(Press('L', Alt, 0xAB)); // the Russian layout's letter on the key
    EXPECT_TRUE(Press('L', Alt | Ctrl, 0x0C));
    EXPECT_EQ(Calls, (std::vector<std::string>{"log", "log", "log"}));
    MacroBound = true;
    EXPECT_TRUE(Press('L', Alt, 'l'));
    EXPECT_EQ(Calls, (std::vector<std::string>{"log", "log", "log", "macro"}));
    EXPECT_EQ(E().Text(), "keep");
}

// What a terminal sends for the Escape combinations: the kitty protocol and modifyOtherKeys.
TEST_F(KeyDispatchTest, OnlyShiftEscapeIsLeftToTheDriversWayOut) {
    E().InsertText("keep");
    const auto decodedPress = [&](std::string_view bytes) {
        vt::KeyDecoder decoder;
        const TimePoint now{};
        decoder.Feed(bytes, now);
        InputRecord record;
        EXPECT_TRUE(decoder.Next(record, now)) << bytes.substr(1);
        EXPECT_EQ(record.Key.VirtualKey, VkEscape) << bytes.substr(1);
        return Keys->HandleKey(record.Key);
    };
    for (std::string_view ctrl : {"\x1b[27;5u", "\x1b[27;6u", "\x1b[27;5;27~", "\x1b[27;6;27~"})
        EXPECT_TRUE(decodedPress(ctrl)) << ctrl.substr(1);
    EXPECT_EQ(E().Text(), "keep");
    EXPECT_TRUE(Calls.empty());
    for (std::string_view shift : {"\x1b[27;2u", "\x1b[27;2;27~"})
        EXPECT_FALSE(decodedPress(shift)) << shift.substr(1);
    EXPECT_TRUE(decodedPress("\x1b[27u")); // plain Escape clears the editor
    EXPECT_EQ(E().Text(), "");
}

TEST_F(KeyDispatchTest, CtrlWithOtherLettersIsLeftAlone) {
    E().InsertText("text");
    EXPECT_FALSE(Press('A', Ctrl, 0x01));
    EXPECT_FALSE(Press('Z', Ctrl, 0x1A));
    EXPECT_TRUE(Press('C', Ctrl, 0x03)); // no selection: nothing to copy
    EXPECT_FALSE(Clip.Text.has_value());
    EXPECT_TRUE(Press('X', Ctrl, 0x18));
    EXPECT_EQ(E().Text(), "text");
    EXPECT_FALSE(Press(VkF1));
    EXPECT_FALSE(Press(VkInsert, Grey));
    EXPECT_FALSE(Press(VkEscape, Shift, 0x1B)); // the driver's way out
    EXPECT_FALSE(Press(VkReturn, Shift, 0x0D));
}

TEST_F(KeyDispatchTest, EnterSendsAndCtrlEnterBreaksTheLineUnlessSwapped) {
    TypeKeys("n");
    EXPECT_TRUE(Press(VkReturn, Ctrl, 0x0A));
    TypeKeys("s");
    EXPECT_EQ(E().Text(), "n\r\ns");
    EXPECT_TRUE(Press(VkReturn, 0, 0x0D));
    EXPECT_EQ(Sent, std::vector<std::string>{"n\r\ns"});

    auto options = Options();
    options.EnterSwap = true;
    Remake(options);
    TypeKeys("a");
    Press(VkReturn, 0, 0x0D);
    EXPECT_EQ(E().Text(), "a\r\n");
    Press(VkReturn, Ctrl, 0x0A);
    EXPECT_EQ(Sent.back(), "a\r\n");
}

TEST_F(KeyDispatchTest, InEditModeTheEnterKeysExchangeRoles) {
    E().BeginEditMode("line");
    Press(VkEnd, Grey);
    Press(VkReturn, 0, 0x0D);
    TypeKeys("two");
    EXPECT_TRUE(Sent.empty());
    Press(VkReturn, Ctrl, 0x0A);
    EXPECT_EQ(Sent, std::vector<std::string>{"\x10\x10"
                                             "ct2\x10line\x10two"});
    Press(VkReturn, 0, 0x0D); // normal mode again: Enter sends
    EXPECT_EQ(Sent.size(), 2u);
}

TEST_F(KeyDispatchTest, EscapeClearsTheEditorAndCancelsAnEdit) {
    TypeKeys("typed");
    EXPECT_TRUE(Press(VkEscape, 0, 0x1B));
    EXPECT_EQ(E().Text(), "");
    E().BeginEditMode("server text");
    EXPECT_TRUE(Press(VkEscape, 0, 0x1B));
    EXPECT_EQ(Sent, std::vector<std::string>{"\x10\x10"
                                             "cc"});
    EXPECT_FALSE(E().EnterSwapped());
}

TEST_F(KeyDispatchTest, UpRecallsOnASingleLineFromAnyColumn) {
    TypeKeys("first");
    Press(VkReturn, 0, 0x0D);
    TypeKeys("second");
    Press(VkReturn, 0, 0x0D);
    EXPECT_TRUE(Press(VkUp, Grey));
    EXPECT_EQ(E().Text(), "second");
    Press(VkLeft, Grey);
    Press(VkLeft, Grey);
    Press(VkUp, Grey);
    EXPECT_EQ(E().Text(), "first");
    Press(VkUp, Grey);
    EXPECT_EQ(E().Text(), ""); // wrapped to the empty line
    Press(VkDown, Grey);
    EXPECT_EQ(E().Text(), "");
}

TEST_F(KeyDispatchTest, OnSeveralLinesUpAndDownMoveUntilTheEdges) {
    TypeKeys("old");
    Press(VkReturn, 0, 0x0D);
    TypeKeys("a");
    Press(VkReturn, Ctrl, 0x0A);
    TypeKeys("b");
    Press(VkReturn, Ctrl, 0x0A);
    TypeKeys("c");
    Press(VkUp, Grey);
    EXPECT_EQ(Cursor(), (std::pair<int32_t, int32_t>{1, 1}));
    Press(VkUp, Grey);
    Press(VkUp, Grey); // line 0: to column 0 first
    EXPECT_EQ(Cursor(), (std::pair<int32_t, int32_t>{0, 0}));
    EXPECT_EQ(E().Text(), "a\r\nb\r\nc");
    // The typed text locks the history: recall is refused.
    Press(VkUp, Grey);
    EXPECT_EQ(E().Text(), "a\r\nb\r\nc");
    // Shift+Up and Shift+Down never recall.
    Press(VkUp, Grey | Shift);
    Press(VkDown, Grey);
    Press(VkDown, Grey);
    Press(VkDown, Grey);
    EXPECT_EQ(Cursor(), (std::pair<int32_t, int32_t>{2, 1}));
    EXPECT_EQ(E().Text(), "a\r\nb\r\nc");

    // A multi-line text from the history: Down at its very end goes on to newer entries.
    Press(VkReturn, 0, 0x0D);
    Press(VkUp, Grey);
    EXPECT_EQ(E().Text(), "a\r\nb\r\nc");
    EXPECT_EQ(Cursor(), (std::pair<int32_t, int32_t>{2, 1}));
    Press(VkDown, Grey);
    EXPECT_EQ(E().Text(), "");
    Press(VkUp, Grey); // recalls the three lines, the cursor at their end
    for (int i = 0; i < 3; ++i)
        Press(VkUp, Grey); // (1, 1), (0, 1), (0, 0)
    EXPECT_EQ(E().Text(), "a\r\nb\r\nc");
    Press(VkUp, Grey); // at line 0, column 0: older
    EXPECT_EQ(E().Text(), "old");
}

TEST_F(KeyDispatchTest, PagesScrollByOneRowLessThanTheWindowAndCtrlArrowsByOne) {
    EXPECT_TRUE(Press(VkPrior, Grey));
    EXPECT_TRUE(Press(VkNext, Grey));
    EXPECT_TRUE(Press(VkUp, Grey | Ctrl));
    EXPECT_TRUE(Press(VkDown, Grey | Ctrl));
    EXPECT_EQ(Calls, (std::vector<std::string>{"up 16", "down 16", "up 1", "down 1"}));
}

TEST_F(KeyDispatchTest, F10DisconnectsFirstWhenConnected) {
    EXPECT_TRUE(Press(VkF10));
    EXPECT_EQ(CallsAndEnd(), (std::vector<std::string>{"disconnect", "terminate"}));
    Calls.clear();
    Ended = false;
    IsConnected = false;
    Press(VkF10);
    EXPECT_EQ(CallsAndEnd(), std::vector<std::string>{"terminate"});
}

TEST_F(KeyDispatchTest, ABoundMacroReplacesWhatTheKeyDoes) {
    MacroBound = true;
    EXPECT_TRUE(Press(VkTab, 0, 0x09));
    EXPECT_TRUE(Char('a'));
    EXPECT_TRUE(Press('A', Ctrl, 0x01));
    EXPECT_EQ(Calls, (std::vector<std::string>{"macro", "macro", "macro"}));
    EXPECT_EQ(E().Text(), "");
    MacroBound = false;
    Press(VkTab, 0, 0x09);
    EXPECT_EQ(Calls.back(), "reload");
}

// Ctrl+F begins the search unless a macro binds it; while the search runs, it sees every key
// before the macros and the editor.
TEST_F(KeyDispatchTest, CtrlFBeginsTheSearchUnlessAMacroBindsItAndTheSearchSeesKeysFirst) {
    MacroBound = true;
    EXPECT_TRUE(Press('F', Ctrl, 0x06));
    EXPECT_EQ(Calls, (std::vector<std::string>{"macro"}));
    EXPECT_FALSE(Searching);
    MacroBound = false;
    EXPECT_TRUE(Press('F', Ctrl, 0x06));
    EXPECT_TRUE(Searching);
    MacroBound = true;
    EXPECT_TRUE(Char('a'));
    EXPECT_TRUE(Press(VkReturn, 0, 0x0D));
    EXPECT_EQ(Calls,
              (std::vector<std::string>{"macro", "search", "search key 65", "search key 13"}));
    EXPECT_EQ(E().Text(), "");
}

TEST_F(KeyDispatchTest, AMacrosEditTextReplacesTheEditorsWithTheCursorAtItsEnd) {
    TypeKeys("old");
    MacroBound = true;
    MacroEditText = "new\r\ntext";
    EXPECT_TRUE(Press(VkF1));
    EXPECT_EQ(E().Text(), "new\r\ntext");
    EXPECT_EQ(Cursor(), (std::pair<int32_t, int32_t>{1, 4}));
    EXPECT_FALSE(E().HasSelection());
    MacroEditText.clear();
    EXPECT_TRUE(Press(VkF1));
    EXPECT_EQ(E().Text(), "new\r\ntext"); // an empty edit text leaves the editor alone
}

TEST_F(KeyDispatchTest, ShiftMovesSelectAndCutPasteAndCopyKeysUseTheClipboard) {
    TypeKeys("go north");
    EXPECT_TRUE(Press(VkLeft, Grey | Shift | Ctrl));
    EXPECT_EQ((std::pair{E().Selection().Start, E().Selection().End}), (std::pair{4, 9}));
    EXPECT_TRUE(Press(VkInsert, Grey | Ctrl));
    EXPECT_EQ(*Clip.Text, "north");
    EXPECT_TRUE(Press(VkDelete, Grey | Shift));
    EXPECT_EQ(E().Text(), "go ");
    EXPECT_TRUE(Press(VkInsert, Grey | Shift));
    EXPECT_TRUE(Press('V', Ctrl, 0x16));
    EXPECT_EQ(E().Text(), "go northnorth");
    Press(VkHome, Grey | Shift);
    EXPECT_TRUE(Press('X', Ctrl, 0x18));
    EXPECT_EQ(E().Text(), "");
    EXPECT_EQ(*Clip.Text, "go northnorth");
    // A plain move drops the selection.
    TypeKeys("ab");
    Press(VkLeft, Grey | Shift);
    Press(VkRight, Grey | Shift);
    Press(VkLeft, Grey | Shift);
    EXPECT_TRUE(E().HasSelection());
    Press(VkRight, Grey);
    EXPECT_FALSE(E().HasSelection());
    Press(VkHome, Grey);
    Press(VkRight, Grey | Shift | Ctrl);
    EXPECT_EQ((std::pair{E().Selection().Start, E().Selection().End}), (std::pair{1, 3}));
    Press('C', Ctrl, 0x03);
    EXPECT_EQ(*Clip.Text, "ab");
}

TEST_F(KeyDispatchTest, WordKeysAndEditingKeys) {
    TypeKeys("one two");
    Press(VkLeft, Grey | Ctrl);
    EXPECT_EQ(E().CursorPosition(), 5);
    Press(VkBack, 0, 0x08);
    EXPECT_EQ(E().Text(), "onetwo");
    Press(VkDelete, Grey);
    EXPECT_EQ(E().Text(), "onewo");
    Press(VkRight, Grey | Ctrl);
    EXPECT_EQ(E().CursorPosition(), 6);
    Press(VkHome, Grey);
    EXPECT_EQ(E().CursorPosition(), 1);
    Press(VkEnd, Grey);
    EXPECT_EQ(E().CursorPosition(), 6);
}

} // namespace
} // namespace tolmix
