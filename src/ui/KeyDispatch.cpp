#include "ui/KeyDispatch.h"

#include "platform/VirtualKeys.h"
#include "ui/QuitPolicy.h"

namespace tolmix {

namespace {

constexpr uint16_t VkC = 'C';
constexpr uint16_t VkF = 'F';
constexpr uint16_t VkL = 'L';
constexpr uint16_t VkV = 'V';
constexpr uint16_t VkX = 'X';

} // namespace

bool KeyDispatch::HandleKey(const KeyEvent& key) {
    if (!key.KeyDown)
        return false;
    if (Search.SearchKey(key))
        return true;
    // A bound macro replaces whatever the key does otherwise; its edit text replaces the
    // editor's.
    const KeyMacroResult macro = Macros.RunKeyMacro(key);
    if (macro.Bound) {
        if (!macro.EditText.empty())
            Editor.ReplaceEditText(macro.EditText);
        return true;
    }
    const bool alt = (key.ControlKeyState & AltPressed) != 0;
    const bool ctrl = (key.ControlKeyState & CtrlPressed) != 0;
    const bool shift = (key.ControlKeyState & ShiftPressed) != 0;
    if (!alt && !ctrl && key.Char >= 0x20) {
        const char c = static_cast<char>(key.Char);
        Editor.InsertText(std::string_view(&c, 1));
        return true;
    }
    if (alt && !ctrl && key.VirtualKey == VkL) {
        Log.ToggleLog();
        return true;
    }
    const int32_t anchor = Editor.CursorPosition();
    bool listed;
    if (ctrl && shift)
        listed = CtrlShiftKey(alt ? 0 : key.VirtualKey, anchor);
    else if (ctrl)
        listed = CtrlKey(alt ? 0 : key.VirtualKey);
    else if (shift)
        listed = ShiftKey(alt ? 0 : key.VirtualKey, anchor);
    else
        listed = PlainKey(alt ? 0 : key.VirtualKey);
    // With Alt held every key is consumed and does nothing (vk 0 above lists nothing).
    return listed || alt;
}

void KeyDispatch::Scroll(bool down, int64_t count) {
    Output.ScrollOutput(down, count);
}

void KeyDispatch::Enter(bool ctrl) {
    Editor.PressEnter(ctrl);
}

bool KeyDispatch::PlainKey(uint16_t vk) {
    switch (vk) {
    case VkBack:
        Editor.DeleteText(false);
        return true;
    case VkTab:
        Macros.LoadMacrosAndAliases();
        return true;
    case VkReturn:
        Enter(false);
        return true;
    case VkEscape:
        Editor.ClearEditor();
        return true;
    case VkPrior:
        Scroll(false, OutputRows - 1);
        return true;
    case VkNext:
        Scroll(true, OutputRows - 1);
        return true;
    case VkEnd:
    case VkHome:
        Editor.MoveToLineEdge(vk == VkEnd);
        Editor.ClearSelection();
        return true;
    case VkLeft:
    case VkRight:
        Editor.MoveCursor(vk == VkRight, 1);
        Editor.ClearSelection();
        return true;
    case VkUp:
    case VkDown:
        Editor.LineOrHistory(vk == VkDown);
        return true;
    case VkDelete:
        Editor.DeleteText(true);
        return true;
    case QuitKey:
        QuitFromKeys(Link, Loop);
        return true;
    default:
        return false;
    }
}

// Ctrl+Escape and Ctrl+Shift+Escape belong to the desktop on a PC and never came here; a
// terminal passes them on. They are taken and do nothing, as Alt+Escape is (see QuitPolicy:
// only Shift+Escape, left untaken, ends the program without closing the connection).
bool KeyDispatch::CtrlKey(uint16_t vk) {
    switch (vk) {
    case VkEscape:
        return true;
    case VkEnd: // back to the newest text from anywhere in the scrollback
        Output.ScrollOutputToEnd();
        return true;
    case VkReturn:
        Enter(true);
        return true;
    case VkLeft:
    case VkRight:
        Editor.MoveWord(vk == VkRight);
        Editor.ClearSelection();
        return true;
    case VkUp:
    case VkDown:
        Scroll(vk == VkDown, 1);
        return true;
    case VkInsert:
    case VkC:
        Editor.CopySelection();
        return true;
    case VkV:
        Editor.PasteClipboard();
        return true;
    case VkX:
        Editor.CutSelection();
        return true;
    case VkF:
        Search.BeginSearch();
        return true;
    default:
        return false;
    }
}

bool KeyDispatch::ShiftKey(uint16_t vk, int32_t anchor) {
    switch (vk) {
    case VkPrior: // terminal users' habit: Shift+Page Up/Down scroll like Page Up/Down
    case VkNext:
        return PlainKey(vk);
    case VkEnd:
    case VkHome:
        Editor.MoveToLineEdge(vk == VkEnd);
        break;
    case VkLeft:
    case VkRight:
        Editor.MoveCursor(vk == VkRight, 1);
        break;
    case VkUp:
    case VkDown:
        Editor.MoveLine(vk == VkDown);
        break;
    case VkInsert:
        Editor.PasteClipboard();
        return true;
    case VkDelete:
        Editor.CutSelection();
        return true;
    default:
        return false;
    }
    Editor.ExtendSelection(anchor);
    return true;
}

bool KeyDispatch::CtrlShiftKey(uint16_t vk, int32_t anchor) {
    if (vk == VkEscape)
        return true;
    if (vk != VkLeft && vk != VkRight)
        return false;
    Editor.MoveWord(vk == VkRight);
    Editor.ExtendSelection(anchor);
    return true;
}

} // namespace tolmix
