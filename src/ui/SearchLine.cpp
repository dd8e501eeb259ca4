#include "ui/SearchLine.h"

#include "platform/VirtualKeys.h"
#include "text/CodePage.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace tolmix {

namespace {

// Windows-1251: "Поиск: " and "не найдено".
constexpr std::string_view Prompt = "\xCF\xEE\xE8\xF1\xEA: ";
constexpr std::string_view NotFound = "\xED\xE5 \xED\xE0\xE9\xE4\xE5\xED\xEE";
constexpr uint16_t VkF = 'F';
constexpr uint16_t FunctionKeys = 24;
constexpr uint16_t NotFoundColour = 0x0C; // light red on the editor's background

// The keys that keep their meaning while the search runs: scrolling, the macros' function and
// Alt keys, and the quit key.
bool PassesOn(uint16_t vk, bool ctrl, bool alt) {
    if (alt || (vk >= VkF1 && vk < VkF1 + FunctionKeys) || vk == VkPrior || vk == VkNext)
        return true;
    return ctrl && (vk == VkUp || vk == VkDown || vk == VkEnd || vk == VkHome);
}

} // namespace

SearchLine::SearchLine(ScreenSurface& screen, ScrollbackSearch& search, const InputEditor& editor,
                       EditorView& editorView)
    : Con(screen), Search(search), Editor(editor), EditorScreen(editorView) {
    Con.AddView(*this);
}

SearchLine::~SearchLine() {
    Con.RemoveView(*this);
}

bool SearchLine::SearchKey(const KeyEvent& key) {
    if (!Search.Active() || !key.KeyDown)
        return false;
    const bool alt = (key.ControlKeyState & AltPressed) != 0;
    const bool ctrl = (key.ControlKeyState & CtrlPressed) != 0;
    const bool shift = (key.ControlKeyState & ShiftPressed) != 0;
    const uint16_t vk = key.VirtualKey;
    if (PassesOn(vk, ctrl, alt))
        return false;
    if (!ctrl && key.Char >= 0x20) {
        const char c = static_cast<char>(key.Char);
        Search.Insert(std::string_view(&c, 1));
        return true;
    }
    switch (vk) {
    case VkReturn:
        Search.Find(!shift);
        break;
    case VkUp: // for terminals that send Shift+Enter as Enter
    case VkDown:
        Search.Find(vk == VkUp);
        break;
    case VkF:
        if (ctrl)
            Search.Find(true);
        break;
    case VkEscape:
        // Shift+Escape and Ctrl+Escape keep their meaning (see QuitPolicy).
        if (shift || ctrl)
            return false;
        Search.End();
        break;
    case VkBack:
    case VkDelete:
        Search.Delete(vk == VkDelete);
        break;
    case VkLeft:
    case VkRight:
        Search.MoveCursor(vk == VkRight);
        break;
    case VkHome:
    case VkEnd:
        Search.MoveToEdge(vk == VkEnd);
        break;
    default:
        break;
    }
    return true;
}

void SearchLine::Refresh() {
    // Drawn at every pass while the search runs: the editor's view, refreshed before, may have
    // drawn its rows anew.
    if (Search.Active()) {
        Draw();
        Shown = true;
    } else if (Shown) {
        Shown = false;
        EditorScreen.Draw();
    }
}

void SearchLine::Draw() {
    const InputEditorOptions& opt = Editor.Options();
    const int width = opt.SizeX;
    const auto y = static_cast<int16_t>(opt.EditorTop);
    if (width <= 0)
        return;
    Con.FillRect(MakeCoord(0, y), width, std::max(opt.EditorLines, 1), ' ', opt.EditorTextColor);
    const std::string prompt = AnsiToConsole(Prompt);
    Con.WriteText(prompt, opt.EditorTextColor, MakeCoord(0, y));
    // The text from `First`, so that the cursor stays within the row.
    const int textX = std::min(static_cast<int>(prompt.size()), width - 1);
    const auto room = static_cast<size_t>(width - 1 - textX);
    const std::string& text = Search.Text();
    const size_t cursor = Search.Cursor();
    if (cursor < First)
        First = cursor;
    else if (cursor > First + room)
        First = cursor - room;
    First = std::min(First, text.size());
    const std::string_view shown =
        std::string_view(text).substr(First, static_cast<size_t>(width - textX));
    Con.WriteText(shown, opt.EditorTextColor, MakeCoord(static_cast<int16_t>(textX), y));
    if (Search.Result() == ScrollbackSearch::Outcome::NotFound) {
        const std::string note = AnsiToConsole(NotFound);
        const int noteLength = static_cast<int>(note.size());
        const int x =
            std::max(0, std::min(textX + static_cast<int>(shown.size()) + 1, width - noteLength));
        Con.WriteText(note, static_cast<uint16_t>((opt.EditorTextColor & 0xF0) | NotFoundColour),
                      MakeCoord(static_cast<int16_t>(x), y));
    }
    Con.SetCursorPos(MakeCoord(static_cast<int16_t>(textX + (cursor - First)), y));
}

} // namespace tolmix
