#include "ui/InputEditor.h"

#include "net/ClientCodes.h"
#include "text/CodePage.h"
#include "text/LineEnds.h"

#include <algorithm>
#include <utility>

namespace tolmix {

namespace {

constexpr char CR = '\r';
constexpr char LF = '\n';

// Space, line breaks and the other control bytes; Cyrillic letters are not blank.
bool IsBlank(uint8_t c) {
    return c <= 0x20;
}

InputEditorOptions Sanitised(InputEditorOptions options) {
    options.SizeX = std::max(options.SizeX, 1);
    options.EditorLines = std::max<int32_t>(options.EditorLines, 1);
    return options;
}

// How many cursor steps a text takes: one per byte, a CR LF pair being one.
int32_t StepCount(std::string_view text) {
    int32_t steps = static_cast<int32_t>(text.size());
    for (size_t i = text.find(CR); i != std::string_view::npos; i = text.find(CR, i + 1)) {
        if (i + 1 < text.size() && text[i + 1] == LF)
            --steps;
    }
    return steps;
}

} // namespace

InputEditor::InputEditor(InputEditorOptions options, TextClipboard& clipboard,
                         ServerConnection& link, CommandRewriter& aliases, OutputView& output,
                         StatusView& panel)
    : Commands(options.HistorySize), EnterSwap(options.EnterSwap), Clip(clipboard), Link(link),
      Aliases(aliases), Output(output), Panel(panel), Opt(Sanitised(options)) {}

int32_t InputEditor::LineStart() const {
    if (Place.Line >= 0 && static_cast<size_t>(Place.Line) < EditLines.size())
        return EditLines[static_cast<size_t>(Place.Line)].Start;
    return 1;
}

int32_t InputEditor::LineLength() const {
    if (Place.Line >= 0 && static_cast<size_t>(Place.Line) < EditLines.size())
        return EditLines[static_cast<size_t>(Place.Line)].Length;
    return 0;
}

uint8_t InputEditor::ByteAt(int32_t position) const {
    if (position < 1 || position > TextLength())
        return 0;
    return static_cast<uint8_t>(EditText[static_cast<size_t>(position - 1)]);
}

void InputEditor::KeepCursorInView() {
    if (Place.Line - EditTopLine >= Opt.EditorLines)
        EditTopLine = Place.Line - Opt.EditorLines + 1;
    if (Place.Line < EditTopLine)
        EditTopLine = Place.Line;
}

void InputEditor::LayoutEditor() {
    LayoutLines(EditText, Opt.SizeX, EditLines);
    TextChanged = false;
    PlaceCursor();
}

void InputEditor::Relayout(int sizeX, int editorTop, int32_t editorLines) {
    const int32_t position = CursorPosition();
    Opt.SizeX = sizeX;
    Opt.EditorTop = editorTop;
    Opt.EditorLines = editorLines;
    Opt = Sanitised(Opt);
    LayoutLines(EditText, Opt.SizeX, EditLines);
    TextChanged = false;
    // The last line starting at or before the cursor's position holds it now.
    const auto after =
        std::upper_bound(EditLines.begin(), EditLines.end(), position,
                         [](int32_t p, const EditLine& line) { return p < line.Start; });
    Place.Line = std::max(static_cast<int32_t>(after - EditLines.begin()) - 1, 0);
    Place.Column = position - LineStart();
    // More rows show more of the text: no empty rows below it while lines are hidden above.
    const auto lines = static_cast<int32_t>(EditLines.size());
    EditTopLine = std::min(EditTopLine, std::max(lines - Opt.EditorLines, 0));
    PlaceCursor();
    ChangedSinceShown = true;
}

void InputEditor::PlaceCursor() {
    const auto count = static_cast<int32_t>(EditLines.size());
    if (Place.Line >= count) {
        Place.Line = std::max(count - 1, 0);
        Place.Column = LineLength();
    }
    // A change to the text after the cursor can shorten its line; the column never points
    // past the line's end.
    Place.Column = std::clamp(Place.Column, 0, LineLength());
    KeepCursorInView();
}

void InputEditor::Changed() {
    // Cursor moves leave the lines as they are: one typed character is laid out once.
    if (TextChanged)
        LayoutEditor();
    else
        PlaceCursor();
    ChangedSinceShown = true;
}

bool InputEditor::StepCursor(bool right) {
    const auto count = static_cast<int32_t>(EditLines.size());
    if (right) {
        if (CursorPosition() > TextLength())
            return false;
        if (Place.Column == LineLength() || Place.Column == Opt.SizeX) {
            if (Place.Line + 1 >= count)
                return false;
            // Past a line break the cursor stands at the next line's start; past a width
            // break, whose two sides are one position, it passes the next line's first byte.
            Place.Column = ByteAt(CursorPosition()) == CR ? 0 : 1;
            ++Place.Line;
            KeepCursorInView();
        } else {
            ++Place.Column;
        }
        return true;
    }
    if (CursorPosition() <= 1)
        return false;
    if (Place.Column == 0) {
        if (Place.Line == 0)
            return false;
        --Place.Line;
        Place.Column = LineLength();
        if (ByteAt(CursorPosition()) != CR)
            Place.Column = std::max(Place.Column - 1, 0);
        KeepCursorInView();
        return true;
    }
    --Place.Column;
    // At the start of a line that a width break began, the cursor is shown at the end of the
    // line before, which is the same position.
    if (Place.Column == 0 && Place.Line > 0 && CursorPosition() > 1 &&
        ByteAt(CursorPosition() - 1) >= 0x20) {
        --Place.Line;
        Place.Column = LineLength();
        KeepCursorInView();
    }
    return true;
}

void InputEditor::MoveCursor(bool right, int32_t count) {
    for (int32_t i = 0; i < count; ++i) {
        if (!StepCursor(right))
            return; // the caller marks the change, with ClearSelection or ExtendSelection
    }
    Changed();
}

void InputEditor::MoveWord(bool right) {
    // Every step is a cursor move; the editor is laid out once at the end, so a long word
    // costs one step per byte.
    if (right) {
        StepCursor(true);
        while (CursorPosition() <= TextLength() && !IsBlank(ByteAt(CursorPosition())) &&
               StepCursor(true)) {
        }
        while (CursorPosition() <= TextLength() && IsBlank(ByteAt(CursorPosition())) &&
               StepCursor(true)) {
        }
    } else {
        StepCursor(false);
        while (CursorPosition() > 1 && IsBlank(ByteAt(CursorPosition() - 1)) && StepCursor(false)) {
        }
        while (CursorPosition() > 1 && !IsBlank(ByteAt(CursorPosition() - 1)) &&
               StepCursor(false)) {
        }
    }
    Changed();
}

void InputEditor::MoveToLineEdge(bool end) {
    Place.Column = end ? LineLength() : 0;
    Changed();
}

void InputEditor::MoveLine(bool down) {
    const auto count = static_cast<int32_t>(EditLines.size());
    if (down) {
        if (Place.Line < count - 1) {
            ++Place.Line;
            KeepCursorInView();
        } else {
            Place.Column = LineLength();
        }
    } else if (Place.Line == 0) {
        Place.Column = 0;
    } else {
        --Place.Line;
        if (Place.Line < EditTopLine)
            --EditTopLine;
    }
    Place.Column = std::min(Place.Column, LineLength());
    Changed();
}

void InputEditor::CursorToTextEnd() {
    LayoutEditor();
    Place.Line = std::max(static_cast<int32_t>(EditLines.size()) - 1, 0);
    MoveToLineEdge(true);
    ClearSelection();
}

void InputEditor::LoadHistory(const std::vector<std::string>& entries) {
    for (const std::string& entry : entries)
        Commands.Add(entry);
}

void InputEditor::RecallHistory(bool newer) {
    if (EditMode())
        return;
    // The player changed the text since it came from outside: keep it.
    if (Opt.EditLockHistory && !EditText.empty() && EditText != SavedEditText)
        return;
    EditText = Commands.Step(newer);
    SavedEditText = EditText;
    CursorToTextEnd();
}

void InputEditor::LineOrHistory(bool down) {
    const auto last = static_cast<int32_t>(EditLines.size()) - 1;
    const bool atEdge = down ? Place.Line == last && Place.Column == LineLength()
                             : Place.Line == 0 && Place.Column == 0;
    if (last < 1 || atEdge) {
        RecallHistory(down);
        return;
    }
    MoveLine(down);
    ClearSelection();
}

void InputEditor::LeaveEditMode() {
    EditModeOn = false;
    EnterSwap = !EnterSwap;
    Panel.ShowEditMode(false);
}

void InputEditor::ClearEditor() {
    EditText.clear();
    TextChanged = true;
    SavedEditText.clear();
    EditTopLine = Place.Column = Place.Line = SelStart = SelEnd = 0;
    Changed();
    if (EditMode()) {
        // The server's edit is cancelled.
        Link.SendLine(EditCancelCode(), true);
        LeaveEditMode();
    }
}

void InputEditor::TellLeftOut(uint64_t characters) {
    if (characters == 0)
        return;
    // "Редактор вмещает не больше 4 МиБ: не вошло N симв.", bright red
    std::string line = "\x89\xD0\xE5\xE4\xE0\xEA\xF2\xEE\xF0 \xE2\xEC\xE5\xF9\xE0\xE5\xF2 "
                       "\xED\xE5 \xE1\xEE\xEB\xFC\xF8\xE5 4 \xCC\xE8\xC1: \xED\xE5 "
                       "\xE2\xEE\xF8\xEB\xEE ";
    line += std::to_string(characters);
    line += " \xF1\xE8\xEC\xE2.\x87";
    Output.ShowNotice(AnsiToConsole(line));
}

std::string InputEditor::WithinLimit(std::string_view text) {
    if (text.size() <= MaxTextLength)
        return std::string(text);
    TellLeftOut(text.size() - MaxTextLength);
    return std::string(text.substr(0, MaxTextLength));
}

void InputEditor::InsertText(std::string_view text, uint64_t leftOutBefore) {
    if (HasSelection())
        DeleteText(true);
    const size_t room = MaxTextLength - std::min(MaxTextLength, EditText.size());
    if (text.size() > room) {
        leftOutBefore += text.size() - room;
        text = text.substr(0, room);
    }
    TellLeftOut(leftOutBefore);
    EditText.insert(static_cast<size_t>(CursorPosition() - 1), text);
    LayoutEditor();
    MoveCursor(true, StepCount(text));
    ClearSelection();
}

void InputEditor::DeleteText(bool forward) {
    if (HasSelection()) {
        const int32_t start = std::clamp(SelStart, 1, TextLength() + 1);
        const int32_t end = std::clamp(SelEnd, start, TextLength() + 1);
        while (CursorPosition() > start && StepCursor(false)) {
        }
        EditText.erase(static_cast<size_t>(start - 1), static_cast<size_t>(end - start));
        LayoutEditor();
        ClearSelection();
        return;
    }
    if (!forward) {
        if (CursorPosition() <= 1)
            return;
        StepCursor(false);
    }
    const int32_t p = CursorPosition();
    if (p > TextLength())
        return;
    // A CR LF pair goes as one; a lone CR is one byte like any other.
    const size_t bytes = ByteAt(p) == CR && ByteAt(p + 1) == LF ? 2 : 1;
    EditText.erase(static_cast<size_t>(p - 1), bytes);
    TextChanged = true;
    Changed();
}

void InputEditor::ExtendSelection(int32_t anchor) {
    const int32_t p = CursorPosition();
    if (anchor == p)
        return;
    if (!HasSelection()) {
        SelStart = anchor;
        SelEnd = p;
    } else if (anchor == SelStart) {
        SelStart = p;
    } else {
        SelEnd = p;
    }
    if (SelEnd < SelStart)
        std::swap(SelStart, SelEnd);
    Changed();
}

void InputEditor::ClearSelection() {
    SelStart = SelEnd = CursorPosition();
    Changed();
}

void InputEditor::CopySelection() {
    if (!HasSelection() || Masked())
        return;
    const int32_t start = std::clamp(SelStart, 1, TextLength() + 1);
    const int32_t end = std::clamp(SelEnd, start, TextLength() + 1);
    Clip.CopyToClipboard(std::string_view(EditText).substr(static_cast<size_t>(start - 1),
                                                           static_cast<size_t>(end - start)));
}

void InputEditor::CutSelection() {
    if (!HasSelection() || Masked())
        return;
    CopySelection();
    DeleteText(true);
}

void InputEditor::PasteClipboard() {
    InsertText(Clip.PasteFromClipboard());
}

void InputEditor::Paste(const std::string& text, uint64_t leftOut) {
    InsertText(NormaliseLineEnds(text), leftOut);
}

void InputEditor::SendEditor() {
    Output.ScrollOutputToEnd();
    if (!Link.Connected()) {
        // The text stays for when the connection is there.
        Link.ConnectToServer();
        return;
    }
    if (std::exchange(MaskedInput, false)) {
        // A password: sent, but neither kept nor shown once it is gone.
        Commands.ToEmptyLine();
        ChangedSinceShown = true;
    } else {
        Commands.Add(EditText);
    }
    if (EditMode()) {
        // The server's editor gets the text back whole.
        Link.SendLine(EditResultCode(EditText), true);
        LeaveEditMode();
        ClearEditor();
        return;
    }
    ExpandedText expanded = Aliases.ExpandCommand(EditText);
    Link.SendLine(expanded.SendText, true);
    EditText = WithinLimit(expanded.EditText);
    CursorToTextEnd();
}

void InputEditor::PressEnter(bool ctrl) {
    if (ctrl == EnterSwap)
        SendEditor();
    else
        InsertText("\r\n");
}

void InputEditor::ServerEchoChanged(bool serverEchoes) {
    if (MaskedInput == serverEchoes)
        return;
    MaskedInput = serverEchoes;
    ChangedSinceShown = true;
}

void InputEditor::ServerEchoLost() {
    if (!std::exchange(MaskedInput, false))
        return;
    // Not ClearEditor: a server edit in progress is not cancelled on a link that is gone.
    EditText.clear();
    SavedEditText.clear();
    TextChanged = true;
    EditTopLine = Place.Column = Place.Line = SelStart = SelEnd = 0;
    Commands.ToEmptyLine();
    Changed();
}

void InputEditor::BeginEditMode(const std::string& text) {
    EditText = WithinLimit(text);
    SavedEditText = EditText;
    LayoutEditor();
    Place.Line = 0;
    Place.Column = 0;
    ClearSelection();
    // A second text while the edit is open replaces the first; the Enter keys stay swapped
    // only once.
    if (!EditMode()) {
        EditModeOn = true;
        EnterSwap = !EnterSwap;
    }
    Panel.ShowEditMode(true);
}

void InputEditor::ReplaceEditText(const std::string& text) {
    EditText = WithinLimit(text);
    CursorToTextEnd();
}

} // namespace tolmix
