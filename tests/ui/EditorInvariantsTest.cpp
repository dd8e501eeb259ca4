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
        LayoutLines(e.EditText, 20, fresh);
        ASSERT_EQ(e.EditLines, fresh);
        const auto count = static_cast<int32_t>(fresh.size());
        if (count == 0) {
            ASSERT_EQ(e.CursorLine, 0);
            ASSERT_EQ(e.CursorCol, 0);
        } else {
            ASSERT_GE(e.CursorLine, 0);
            ASSERT_LT(e.CursorLine, count);
            ASSERT_GE(e.CursorCol, 0);
            ASSERT_LE(e.CursorCol, e.LineLength());
        }
        const int32_t p = e.CursorPosition();
        ASSERT_GE(p, 1);
        ASSERT_LE(p, e.TextLength() + 1);
        // Never between the two bytes of a line break.
        if (p > 1 && p <= e.TextLength()) {
            ASSERT_FALSE(e.EditText[p - 2] == '\r' && e.EditText[p - 1] == '\n');
        }
        ASSERT_LE(e.EditTopLine, e.CursorLine);
        ASSERT_LT(e.CursorLine, e.EditTopLine + 3);
        if (e.HasSelection()) {
            ASSERT_GE(e.SelStart, 1);
            ASSERT_LT(e.SelStart, e.SelEnd);
            ASSERT_LE(e.SelEnd, e.TextLength() + 1);
            ASSERT_TRUE(p == e.SelStart || p == e.SelEnd);
        }
        ASSERT_EQ(Screen().CursorY, Top + e.CursorLine - e.EditTopLine);
        ASSERT_EQ(Screen().CursorX, std::min(e.CursorCol, 19));
        // The rows show the lines from the top line on.
        for (int r = 0; r < 3; ++r) {
            const int32_t i = e.EditTopLine + r;
            std::string shown = test::RowText(Screen(), Top + r).substr(0, 20);
            std::string expected;
            if (i < count)
                expected = e.EditText.substr(fresh[i].Start - 1, fresh[i].Length);
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

TEST_F(EditorInvariants, HoldAfterEveryKeyOfLongRandomSessions) {
    NoMacros macros;
    const uint16_t keys[] = {VkLeft, VkRight, VkUp, VkDown,   VkHome,   VkEnd,    VkBack, VkDelete,
                             'C',    'V',     'X',  VkInsert, VkReturn, VkEscape, VkTab,  VkPrior};
    const uint32_t states[] = {0, ShiftPressed, LeftCtrlPressed, ShiftPressed | LeftCtrlPressed};
    const char bytes[] = {'a', 'b', ' ', '\r', '\n', '\x01', '\xA0', 'z'};
    for (uint32_t seed = 1; seed <= 12; ++seed) {
        Make(Options());
        Clip.Text.reset();
        KeyDispatch dispatch(Input, E(), *this, *this, macros, 17);
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
