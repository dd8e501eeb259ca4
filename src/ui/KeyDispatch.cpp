#include "ui/KeyDispatch.h"

#include "platform/VirtualKeys.h"

namespace tolmix {

namespace {

constexpr uint16_t VK_C = 'C';
constexpr uint16_t VK_V = 'V';
constexpr uint16_t VK_X = 'X';

} // namespace

bool KeyDispatch::HandleKey(const KeyEvent& key) {
    if (!key.KeyDown)
        return false;
    // A bound macro replaces whatever the key does otherwise; its edit text replaces the
    // editor's.
    const KeyMacroResult macro = Macros.RunKeyMacro(key);
    if (macro.Bound) {
        if (!macro.EditText.empty())
            Editor.ReplaceEditText(macro.EditText);
        return true;
    }
    const bool alt = (key.ControlKeyState & ALT_PRESSED) != 0;
    const bool ctrl = (key.ControlKeyState & CTRL_PRESSED) != 0;
    const bool shift = (key.ControlKeyState & SHIFT_PRESSED) != 0;
    if (!alt && !ctrl && key.Char >= 0x20) {
        const char c = static_cast<char>(key.Char);
        Editor.InsertText(std::string_view(&c, 1));
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
    // Enter sends and Ctrl+Enter breaks the line; EnterSwap (and edit mode) exchange them.
    if (ctrl == Editor.EnterSwap)
        Editor.SendEditor();
    else
        Editor.InsertText("\r\n");
}

bool KeyDispatch::PlainKey(uint16_t vk) {
    switch (vk) {
    case VK_BACK:
        Editor.DeleteText(false);
        return true;
    case VK_TAB:
        Macros.LoadMacrosAndAliases();
        return true;
    case VK_RETURN:
        Enter(false);
        return true;
    case VK_ESCAPE:
        Editor.ClearEditor();
        return true;
    case VK_PRIOR:
        Scroll(false, OutputRows - 1);
        return true;
    case VK_NEXT:
        Scroll(true, OutputRows - 1);
        return true;
    case VK_END:
    case VK_HOME:
        Editor.MoveToLineEdge(vk == VK_END);
        Editor.ClearSelection();
        return true;
    case VK_LEFT:
    case VK_RIGHT:
        Editor.MoveCursor(vk == VK_RIGHT, 1);
        Editor.ClearSelection();
        return true;
    case VK_UP:
        if (Editor.EditLines.size() > 1 && (Editor.CursorLine != 0 || Editor.CursorCol != 0)) {
            Editor.MoveLine(false);
            Editor.ClearSelection();
        } else {
            Editor.RecallHistory(false);
        }
        return true;
    case VK_DOWN: {
        const auto last = static_cast<int32_t>(Editor.EditLines.size()) - 1;
        const bool atEnd = Editor.CursorLine == last && Editor.CursorCol == Editor.LineLength();
        if (Editor.EditLines.size() > 1 && !atEnd) {
            Editor.MoveLine(true);
            Editor.ClearSelection();
        } else {
            Editor.RecallHistory(true);
        }
        return true;
    }
    case VK_DELETE:
        Editor.DeleteText(true);
        return true;
    case VK_F10:
        if (Link.Connected())
            Link.Disconnect();
        Con.Terminated = true;
        return true;
    default:
        return false;
    }
}

bool KeyDispatch::CtrlKey(uint16_t vk) {
    switch (vk) {
    case VK_END: // back to the newest text from anywhere in the scrollback
        Output.ScrollOutputToEnd();
        return true;
    case VK_RETURN:
        Enter(true);
        return true;
    case VK_LEFT:
    case VK_RIGHT:
        Editor.MoveWord(vk == VK_RIGHT);
        Editor.ClearSelection();
        return true;
    case VK_UP:
    case VK_DOWN:
        Scroll(vk == VK_DOWN, 1);
        return true;
    case VK_INSERT:
    case VK_C:
        Editor.CopySelection();
        return true;
    case VK_V:
        Editor.PasteClipboard();
        return true;
    case VK_X:
        Editor.CutSelection();
        return true;
    default:
        return false;
    }
}

bool KeyDispatch::ShiftKey(uint16_t vk, int32_t anchor) {
    switch (vk) {
    case VK_PRIOR: // terminal users' habit: Shift+Page Up/Down scroll like Page Up/Down
        Scroll(false, OutputRows - 1);
        return true;
    case VK_NEXT:
        Scroll(true, OutputRows - 1);
        return true;
    case VK_END:
    case VK_HOME:
        Editor.MoveToLineEdge(vk == VK_END);
        break;
    case VK_LEFT:
    case VK_RIGHT:
        Editor.MoveCursor(vk == VK_RIGHT, 1);
        break;
    case VK_UP:
    case VK_DOWN:
        Editor.MoveLine(vk == VK_DOWN);
        break;
    case VK_INSERT:
        Editor.PasteClipboard();
        return true;
    case VK_DELETE:
        Editor.CutSelection();
        return true;
    default:
        return false;
    }
    Editor.ExtendSelection(anchor);
    return true;
}

bool KeyDispatch::CtrlShiftKey(uint16_t vk, int32_t anchor) {
    if (vk != VK_LEFT && vk != VK_RIGHT)
        return false;
    Editor.MoveWord(vk == VK_RIGHT);
    Editor.ExtendSelection(anchor);
    return true;
}

} // namespace tolmix
