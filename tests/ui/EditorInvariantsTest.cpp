#include "platform/VirtualKeys.h"
#include "ui/EditorRig.h"
#include "ui/KeyDispatch.h"

#include <random>

namespace tolmix {
namespace {

// Random keys and pastes against the editor; after every key the cursor, the view, the
// selection and the screen must agree with the text.
class EditorInvariants : public test::EditorRig {
  protected:
    void Check(const std::string& what) {
        SCOPED_TRACE(what);
        const InputEditor& e = E();
        std::vector<EditLine> fresh;
        LayoutLines(e.Text(), 20, fresh);
        ASSERT_EQ(e.Lines(), fresh);
        const auto count = static_cast<int32_t>(fresh.size());
        if (count == 0) {
            ASSERT_EQ(e.Cursor().Line, 0);
            ASSERT_EQ(e.Cursor().Column, 0);
        } else {
            ASSERT_GE(e.Cursor().Line, 0);
            ASSERT_LT(e.Cursor().Line, count);
            ASSERT_GE(e.Cursor().Column, 0);
            ASSERT_LE(e.Cursor().Column, e.LineLength());
        }
        const int32_t p = e.CursorPosition();
        ASSERT_GE(p, 1);
        ASSERT_LE(p, e.TextLength() + 1);
        // Never between the two bytes of a line break.
        if (p > 1 && p <= e.TextLength()) {
            ASSERT_FALSE(e.Text()[p - 2] == '\r' && e.Text()[p - 1] == '\n');
        }
        ASSERT_LE(e.TopLine(), e.Cursor().Line);
        ASSERT_LT(e.Cursor().Line, e.TopLine() + 3);
        if (e.HasSelection()) {
            ASSERT_GE(e.Selection().Start, 1);
            ASSERT_LT(e.Selection().Start, e.Selection().End);
            ASSERT_LE(e.Selection().End, e.TextLength() + 1);
            ASSERT_TRUE(p == e.Selection().Start || p == e.Selection().End);
        }
        ASSERT_EQ(Screen().CursorY, Top + e.Cursor().Line - e.TopLine());
        ASSERT_EQ(Screen().CursorX, std::min(e.Cursor().Column, 19));
        // The rows show the lines from the top line on.
        for (int r = 0; r < 3; ++r) {
            const int32_t i = e.TopLine() + r;
            std::string shown = test::RowText(Screen(), Top + r).substr(0, 20);
            std::string expected;
            if (i < count)
                expected = e.Text().substr(fresh[i].Start - 1, fresh[i].Length);
            expected.resize(20, ' ');
            ASSERT_EQ(shown, expected) << "row " << r;
        }
    }
};

// No macro is bound and Tab reads nothing.
class NoMacros final : public KeyMacroStep {
  public:
    KeyMacroResult RunKeyMacro(const KeyEvent&) override { return {}; }
    void LoadMacrosAndAliases() override {}
};

// Ctrl+F begins no search here: the keys stay the editor's.
class NoSearch final : public SearchKeys {
  public:
    void BeginSearch() override {}
    bool SearchKey(const KeyEvent&) override { return false; }
};

// The log's key does nothing here.
class NoLog final : public LogSwitch {
  public:
    void ToggleLog() override {}
};

TEST_F(EditorInvariants, HoldAfterEveryKeyOfLongRandomSessions) {
    NoMacros macros;
    NoSearch search;
    NoLog log;
    const uint16_t keys[] = {VkLeft, VkRight, VkUp, VkDown,   VkHome,   VkEnd,    VkBack, VkDelete,
                             'C',    'V',     'X',  VkInsert, VkReturn, VkEscape, VkTab,  VkPrior};
    const uint32_t states[] = {0, ShiftPressed, LeftCtrlPressed, ShiftPressed | LeftCtrlPressed};
    const char bytes[] = {'a', 'b', ' ', '\r', '\n', '\x01', '\xA0', 'z'};
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        Make(Options());
        Clip.Text.reset();
        KeyDispatch dispatch(Input, E(), *this, *this, macros, search, 17, log);
        std::mt19937 random(seed);
        for (int step = 0; step < 1500; ++step) {
            KeyEvent key;
            std::string what;
            const unsigned pick = random() % 10;
            if (pick < 4) {
                key.Char = static_cast<uint8_t>("abc xyz"[random() % 7]);
                key.VirtualKey = 'A';
                what = "char";
            } else if (pick == 4) {
                // A paste: bytes of every kind, line breaks in all their forms.
                std::string text;
                const unsigned length = random() % 30;
                for (unsigned i = 0; i < length; ++i)
                    text += bytes[random() % sizeof bytes];
                Clip.Text = text;
                key.VirtualKey = 'V';
                key.ControlKeyState = LeftCtrlPressed;
                what = "paste";
            } else {
                key.VirtualKey = keys[random() % std::size(keys)];
                key.ControlKeyState = states[random() % std::size(states)] | EnhancedKey;
                what = "key " + std::to_string(key.VirtualKey) + " state " +
                       std::to_string(key.ControlKeyState);
            }
            dispatch.HandleKey(key);
            Check("seed " + std::to_string(seed) + " step " + std::to_string(step) + " " + what);
            if (HasFatalFailure())
                return;
            // Keep the texts small enough to wrap and scroll often.
            if (E().TextLength() > 120)
                E().ClearEditor();
        }
    }
}

} // namespace
} // namespace tolmix
