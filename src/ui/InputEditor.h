#pragma once

#include "macros/MacroSet.h"
#include "net/ServerConnection.h"
#include "net/ServerEchoListener.h"
#include "ui/CommandHistory.h"
#include "ui/EditorLayout.h"
#include "ui/ScreenViews.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace tolmix {

// Where the editor's cursor stands: a display line and a column in it.
struct EditorCursor {
    int32_t Line = 0;
    int32_t Column = 0;

    bool operator==(const EditorCursor&) const = default;
};

// The text from byte position Start up to, not including, End (1-based).
struct TextRange {
    int32_t Start = 0;
    int32_t End = 0;

    bool operator==(const TextRange&) const = default;
};

// How wide and high the editor is, where its view draws it and in which colours, and how it
// keeps the history. The client fills it from its settings, which hold every setting's
// default, and the screen layout; zero until filled.
struct InputEditorOptions {
    int SizeX{};
    int EditorTop{};
    int32_t EditorLines{};
    uint16_t EditorTextColor{};
    uint16_t EditorSelColor{};
    int32_t HistorySize{};
    bool EditLockHistory{};
    bool EnterSwap{};

    bool operator==(const InputEditorOptions&) const = default;
};

// The multi-line input editor's text model: the text, the cursor and the selection, the
// command history and the editor half of the server's text-edit mode. It draws nothing; its
// view (EditorView) shows it once per loop pass after it changed. Its text is in the console
// code page with CR LF line breaks and may hold any byte; it is laid out wrapped at SizeX.
//
// Positions are 1-based byte positions in EditText (length + 1 is the end). The cursor is a
// display line and a column in it; a CR LF pair is one step, and at the end of a display line
// that fills the whole width the column is SizeX (shown in the last column).
//
// While the server echoes what is typed (its password prompt), the text is shown masked, is
// not copied to the clipboard, and the line sent is not kept in the history.
class InputEditor final : public PasteTarget, public ServerEchoListener {
  public:
    // Longest text the editor holds; what an insertion would add beyond it is dropped.
    static constexpr size_t MaxTextLength = size_t{4} << 20;

    // Enter sends through `link` what `aliases` make of the text, and the output window
    // follows again; the panel shows the server's edit mode.
    InputEditor(InputEditorOptions options, TextClipboard& clipboard, ServerConnection& link,
                CommandRewriter& aliases, OutputView& output, StatusView& panel);

    // The text, in the console code page with CR LF line breaks.
    const std::string& Text() const { return EditText; }
    // The text's display lines, as it is laid out at the editor's width.
    const std::vector<EditLine>& Lines() const { return EditLines; }
    // The display line shown in the editor's first row.
    int32_t TopLine() const { return EditTopLine; }
    EditorCursor Cursor() const { return Place; }
    // Start and end positions; empty when they are equal.
    TextRange Selection() const { return {SelStart, SelEnd}; }
    const CommandHistory& History() const { return Commands; }
    // The entries of an earlier run, oldest first, before anything is sent.
    void LoadHistory(const std::vector<std::string>& entries);
    // Plain Enter breaks the line and Ctrl+Enter sends: the setting swaps the two keys, and so
    // does the server's edit mode.
    bool EnterSwapped() const { return EnterSwap; }

    int32_t LineStart() const;
    int32_t LineLength() const;
    int32_t CursorPosition() const { return LineStart() + Place.Column; }
    int32_t TextLength() const { return static_cast<int32_t>(EditText.size()); }
    // The server's text-editing mode: the text goes back to the server's editor.
    bool EditMode() const { return EditModeOn; }
    // The text is a secret until it is sent or the server echoes no more.
    bool Masked() const { return MaskedInput; }
    void ServerEchoChanged(bool serverEchoes) override;
    // A masked text goes with the connection it was typed for: shown in clear, or sent to the
    // next connection as its first command, it would give the secret away.
    void ServerEchoLost() override;

    // True once after every change the view has not shown yet.
    bool TakeChange() { return std::exchange(ChangedSinceShown, false); }
    const InputEditorOptions& Options() const { return Opt; }
    // A new screen size: the text is laid out at the new width in the new rows, the cursor
    // stays at its place in the text and in view, and the view draws it all again.
    void Relayout(int sizeX, int editorTop, int32_t editorLines);
    void MoveCursor(bool right, int32_t count);
    void MoveWord(bool right);
    void MoveToLineEdge(bool end);
    void MoveLine(bool down);
    void RecallHistory(bool newer);
    // Up and Down: within a text of several lines the cursor moves a line (dropping the
    // selection); from its first position up, from its last one down, or in a single line,
    // they browse the history.
    void LineOrHistory(bool down);
    void ClearEditor();
    // Inserts what fits within MaxTextLength; how much did not fit is told in one line.
    void InsertText(std::string_view text, uint64_t leftOutBefore = 0);
    void DeleteText(bool forward);
    bool HasSelection() const { return SelStart != SelEnd; }
    void ExtendSelection(int32_t anchor);
    void ClearSelection();
    void CopySelection();
    // Copies the selection to the clipboard and deletes it; nothing without a selection.
    void CutSelection();
    void PasteClipboard();
    // A terminal paste goes in like the clipboard's text, its lines ended by CR LF.
    void Paste(const std::string& text, uint64_t leftOut = 0) override;
    void SendEditor();
    // Enter sends and Ctrl+Enter breaks the line, the other way round while swapped.
    void PressEnter(bool ctrl);
    void BeginEditMode(const std::string& text);
    // A text from outside the editor (a macro's edit text): laid out with the cursor at the end
    // of its last line and no selection.
    void ReplaceEditText(const std::string& text);

  private:
    void LayoutEditor();
    // One cursor step, not yet marked for the view; false when it is impossible.
    bool StepCursor(bool right);
    // Lays the text out again when it changed, keeps the cursor on it and marks it for the
    // view.
    void Changed();
    // The cursor within its line's length and the view's rows.
    void PlaceCursor();
    uint8_t ByteAt(int32_t position) const;
    void CursorToTextEnd();
    void KeepCursorInView();
    void LeaveEditMode();
    // The text cut to MaxTextLength, telling how much was left out.
    std::string WithinLimit(std::string_view text);
    void TellLeftOut(uint64_t characters);

    std::string EditText;
    // The text as it was last put into the editor from outside (history, server, clearing).
    std::string SavedEditText;
    std::vector<EditLine> EditLines;
    int32_t EditTopLine = 0;
    EditorCursor Place;
    int32_t SelStart = 0; // selected: SelStart <= p < SelEnd
    int32_t SelEnd = 0;
    CommandHistory Commands;
    // Enter sends and Ctrl+Enter breaks the line while off; edit mode inverts it.
    bool EnterSwap;
    TextClipboard& Clip;
    ServerConnection& Link;
    CommandRewriter& Aliases;
    OutputView& Output;
    StatusView& Panel;
    InputEditorOptions Opt;
    bool EditModeOn = false;
    bool MaskedInput = false;
    bool ChangedSinceShown = true;
    // The text changed since it was last laid out.
    bool TextChanged = true;
};

} // namespace tolmix
