#include "ui/EditorView.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tolmix {

namespace {

// What a masked text shows for each of its characters.
constexpr char MaskCharacter = '*';

} // namespace

EditorView::EditorView(ScreenSurface& screen, InputEditor& model) : Con(screen), Model(model) {
    Con.AddView(*this);
}

EditorView::~EditorView() {
    Con.RemoveView(*this);
}

void EditorView::Refresh() {
    if (Model.TakeChange())
        Draw();
}

void EditorView::Draw() {
    const InputEditorOptions& opt = Model.Options();
    const std::string_view text = Model.Text();
    const std::vector<EditLine>& lines = Model.Lines();
    const TextRange selection = Model.Selection();
    const int sizeX = opt.SizeX;
    for (int32_t r = 0; r < opt.EditorLines; ++r) {
        const int32_t i = Model.TopLine() + r;
        const auto y = static_cast<int16_t>(opt.EditorTop + r);
        if (i < 0 || static_cast<size_t>(i) >= lines.size()) {
            Con.FillRect(MakeCoord(0, y), sizeX, 1, ' ', opt.EditorTextColor);
            continue;
        }
        const EditLine& line = lines[static_cast<size_t>(i)];
        const int32_t d = line.Start;
        const int32_t length = line.Length;
        const std::string_view shown =
            text.substr(static_cast<size_t>(d - 1), static_cast<size_t>(length));
        if (Model.Masked())
            Con.WriteText(std::string(shown.size(), MaskCharacter), opt.EditorTextColor,
                          MakeCoord(0, y));
        else
            Con.WriteText(shown, opt.EditorTextColor, MakeCoord(0, y));
        if (length < sizeX)
            Con.FillRect(MakeCoord(static_cast<int16_t>(length), y), sizeX - length, 1, ' ',
                         opt.EditorTextColor);
        if (Model.HasSelection() && d < selection.End && d + length >= selection.Start) {
            const int32_t from = std::max(selection.Start - d, 0);
            const int32_t to = std::min({selection.End - d, length, static_cast<int32_t>(sizeX)});
            if (to > from)
                Con.FillAttribute(MakeCoord(static_cast<int16_t>(from), y), to - from,
                                  opt.EditorSelColor);
        }
    }
    // At the end of a full-width line the column is SizeX, one past the last; it is shown in
    // the last column.
    const EditorCursor cursor = Model.Cursor();
    Con.SetCursorPos(
        MakeCoord(static_cast<int16_t>(std::min(cursor.Column, sizeX - 1)),
                  static_cast<int16_t>(opt.EditorTop + cursor.Line - Model.TopLine())));
}

} // namespace tolmix
