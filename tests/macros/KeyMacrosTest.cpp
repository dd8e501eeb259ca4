#include "macros/KeyMacros.h"
#include "macros/RunKeyMacro.h"
#include "platform/VirtualKeys.h"

#include <gtest/gtest.h>

#include <vector>

namespace tolmix {
namespace {

KeyEvent Press(uint16_t vk, uint32_t state = 0) {
    KeyEvent key;
    key.VirtualKey = vk;
    key.ControlKeyState = state;
    return key;
}

void LoadText(TKeyMacrosMap& macros, const std::string& text) {
    TTolmixStringList lines;
    lines.SetText(text);
    LoadKeyMacroFile(macros, lines);
}

TEST(KeyMacroFile, BindingsTakeTheRestOfTheLineVerbatimInTheConsoleCodePage) {
    TKeyMacrosMap macros;
    // Windows-1251 "смотр" with a colour byte; blanks after "=" belong to the macro.
    LoadText(macros, "F1=sc|eq\nALT-SHIFT-N5= \xF1\xEC\xEE\xF2\xF0\x82 \nF2=a=b\nF3=\n");
    EXPECT_EQ(macros[0][VkF1], "sc|eq");
    EXPECT_EQ(macros[5][VkNumpad0 + 5], " \xE1\xAC\xAE\xE2\xE0\x12 ");
    EXPECT_EQ(macros[0][VkF1 + 1], "a=b");
    EXPECT_EQ(macros[0][VkF1 + 2], ""); // binds nothing
}

TEST(KeyMacroFile, LinesThatNameNoKeyAreSkipped) {
    TKeyMacrosMap macros;
    LoadText(macros, "F1 =blank before\nF2\n=no key\nCTRL-=dangling\n-=minus\nFOO-A=plain a\n"
                     "MINUS=minus key");
    EXPECT_EQ(macros[0][VkF1], "");
    EXPECT_EQ(macros[0][VkF1 + 1], "");
    EXPECT_EQ(macros[2][0], "");
    EXPECT_EQ(macros[0][0], "");
    EXPECT_EQ(macros[0]['A'], "plain a");
    EXPECT_EQ(macros[0][VkOemMinus], "minus key");
    int bound = 0;
    for (const auto& row : macros)
        for (const std::string& text : row)
            bound += text.empty() ? 0 : 1;
    EXPECT_EQ(bound, 2);
}

TEST(KeyMacroFile, LaterBindingsReplaceEarlierOnesAndOthersStay) {
    TKeyMacrosMap macros;
    LoadText(macros, "F1=first\nF2=kept");
    LoadText(macros, "f1=second\nctrl-F1=other");
    EXPECT_EQ(macros[0][VkF1], "second");
    EXPECT_EQ(macros[0][VkF1 + 1], "kept");
    EXPECT_EQ(macros[2][VkF1], "other");
    ClearMacros(macros);
    EXPECT_EQ(macros[0][VkF1], "");
    EXPECT_EQ(macros[2][VkF1], "");
}

TEST(MacroCombination, EnhancedKeysCarryWinUnlessRightAltOrCtrlIsDown) {
    EXPECT_EQ(MacroCombination(Press(VkUp, EnhancedKey)), (KeyCombination{8, VkUp}));
    // Keypad 8 with NumLock off reports Up without the enhanced bit.
    EXPECT_EQ(MacroCombination(Press(VkUp)), (KeyCombination{0, VkUp}));
    EXPECT_EQ(MacroCombination(Press(VkUp, EnhancedKey | LeftAltPressed)),
              (KeyCombination{9, VkUp}));
    EXPECT_EQ(MacroCombination(Press(VkUp, EnhancedKey | RightAltPressed)),
              (KeyCombination{1, VkUp}));
    EXPECT_EQ(MacroCombination(Press(VkUp, EnhancedKey | RightCtrlPressed | ShiftPressed)),
              (KeyCombination{6, VkUp}));
    EXPECT_EQ(MacroCombination(Press('A', LeftCtrlPressed | RightAltPressed)),
              (KeyCombination{3, 'A'}));
    // Lock states change nothing.
    EXPECT_EQ(MacroCombination(Press('A', NumLockOn | CapsLockOn | ScrollLockOn)),
              (KeyCombination{0, 'A'}));
    EXPECT_EQ(MacroCombination(Press(0x141)), (KeyCombination{0, 0}));
}

class RunKeyMacroTest : public ::testing::Test, public ServerConnection {
  protected:
    TKeyMacrosMap Macros;
    TAliasArray Aliases;
    bool Online = true;
    std::vector<std::string> Sent;
    std::vector<std::string> Edited;
    AliasReportHook Report;

    bool Connected() const override { return Online; }
    void ConnectToServer() override { ADD_FAILURE() << "the macro step never connects"; }
    void Disconnect() override { ADD_FAILURE() << "the macro step never disconnects"; }
    void SendLine(std::string_view text, bool convert) override {
        EXPECT_TRUE(convert);
        Sent.emplace_back(text);
    }

    void Bind(const std::string& macros) { LoadText(Macros, macros); }
    void Aliased(const std::string& file) {
        TTolmixStringList lines;
        lines.SetText(file);
        ParseAliasFile(Aliases, lines);
    }
    bool Run(const KeyEvent& key) {
        const KeyMacroResult result = RunKeyMacro(key, Macros, Aliases, *this, Report);
        if (!result.EditText.empty())
            Edited.push_back(result.EditText);
        return result.Bound;
    }
};

TEST_F(RunKeyMacroTest, BarsSeparateCommandsThatEachPassThroughTheAliases) {
    Bind("ALT-SHIFT-N5=sc|k goblin");
    Aliased("alias:\nk *\nkill $1");
    EXPECT_TRUE(Run(Press(VkNumpad0 + 5, LeftAltPressed | ShiftPressed)));
    // One text of two lines; SendLine ends it with the final line break.
    EXPECT_EQ(Sent, (std::vector<std::string>{"sc\r\nkill goblin"}));
    EXPECT_TRUE(Edited.empty());
}

TEST_F(RunKeyMacroTest, DoubledBarsSendAnEmptyCommandAndAFinalBarAddsNothing) {
    Bind("F1=a||b\nF2=sc|");
    EXPECT_TRUE(Run(Press(VkF1)));
    EXPECT_TRUE(Run(Press(VkF1 + 1)));
    EXPECT_EQ(Sent, (std::vector<std::string>{"a\r\n\r\nb", "sc"}));
}

TEST_F(RunKeyMacroTest, EditAliasesFillTheEditorAndAnEmptyLineIsStillSent) {
    Bind("F1=k goblin\nF2=look|k orc");
    Aliased("alias: edit\nk *\nkill $1");
    EXPECT_TRUE(Run(Press(VkF1)));
    EXPECT_EQ(Sent, (std::vector<std::string>{""}));
    EXPECT_EQ(Edited, (std::vector<std::string>{"kill goblin"}));
    EXPECT_TRUE(Run(Press(VkF1 + 1)));
    EXPECT_EQ(Sent.back(), "look");
    EXPECT_EQ(Edited.back(), "kill orc");
}

TEST_F(RunKeyMacroTest, WinUpRunsFromTheGreyArrowAndNotFromTheKeypad) {
    Bind("WIN-UP=north");
    EXPECT_FALSE(Run(Press(VkUp)));
    EXPECT_TRUE(Sent.empty());
    EXPECT_TRUE(Run(Press(VkUp, EnhancedKey)));
    EXPECT_EQ(Sent, (std::vector<std::string>{"north"}));
    Bind("UP=keypad");
    EXPECT_TRUE(Run(Press(VkUp)));
    EXPECT_EQ(Sent.back(), "keypad");
}

TEST_F(RunKeyMacroTest, UnboundReleasedAndWideKeysAreNotConsumed) {
    Bind("F1=x\nENTER=enter macro");
    EXPECT_FALSE(Run(Press(VkF1 + 1)));
    KeyEvent release = Press(VkF1);
    release.KeyDown = false;
    EXPECT_FALSE(Run(release));
    EXPECT_FALSE(Run(Press(0x100 + VkF1)));
    EXPECT_TRUE(Sent.empty());
    // A macro on a key with a built-in function takes its place.
    EXPECT_TRUE(Run(Press(VkReturn)));
    EXPECT_EQ(Sent, (std::vector<std::string>{"enter macro"}));
}

TEST_F(RunKeyMacroTest, WhileDisconnectedAMacroKeyIsSwallowed) {
    Bind("F1=x");
    Online = false;
    EXPECT_TRUE(Run(Press(VkF1)));
    EXPECT_TRUE(Sent.empty());
    EXPECT_TRUE(Edited.empty());
}

TEST_F(RunKeyMacroTest, AFailingAliasIsToldThroughTheReportHook) {
    std::vector<std::string> reports;
    Report = [&](const std::string& line) { reports.push_back(line); };
    Bind("F1=aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab");
    Aliased("alias: pure part\n(a+)+$\nx");
    EXPECT_TRUE(Run(Press(VkF1)));
    EXPECT_TRUE(Run(Press(VkF1)));
    EXPECT_EQ(Sent, (std::vector<std::string>(2, "aaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaaab")));
    EXPECT_EQ(reports.size(), 1u);
}

} // namespace
} // namespace tolmix
