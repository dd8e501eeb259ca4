// Feeds arbitrary pasted text through the terminal's paste record, the console and the editor's
// paste path, between cursor moves, selections and deletions that the input picks. Besides
// memory errors it checks what the editor promises after every step: the layout is the text's,
// the cursor and the selection lie inside the text and never between the two bytes of a line
// break, every line break is CR LF, and the text never grows past its limit.
#include "support/DefaultScreen.h"
#include "support/FakeClipboard.h"
#include "support/FakeEventLoop.h"
#include "support/FakeTerminal.h"
#include "support/RecordingConnection.h"
#include "ui/ConsoleClipboard.h"
#include "ui/ConsoleScreen.h"
#include "ui/EditorLayout.h"
#include "ui/InputEditor.h"
#include "ui/InputLoop.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace tolmix;

namespace {

constexpr int SizeX = 16;

// The editor's other partners: commands go out as typed, and the window and panel draw nothing.
class QuietParts final : public CommandRewriter, public OutputView, public StatusView {
  public:
    ExpandedText ExpandCommand(const std::string& text) override { return {text, {}}; }
    void ScrollOutput(bool, int64_t) override {}
    void ScrollOutputToEnd() override {}
    void ShowNotice(std::string_view) override {}
    void ShowEditMode(bool) override {}
};

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

bool InsideText(const InputEditor& e, int32_t p) {
    if (p < 1 || p > e.TextLength() + 1)
        return false;
    // Never between the CR and the LF of a line break.
    return p == 1 || p > e.TextLength() || !(e.Text()[p - 2] == '\r' && e.Text()[p - 1] == '\n');
}

void CheckEditor(const InputEditor& e) {
    std::vector<EditLine> fresh;
    LayoutLines(e.Text(), SizeX, fresh);
    Check(e.Lines() == fresh);
    Check(e.Text().size() <= InputEditor::MaxTextLength);
    Check(InsideText(e, e.CursorPosition()));
    Check(e.TopLine() <= e.Cursor().Line && e.Cursor().Line < e.TopLine() + 3);
    const TextRange selection = e.Selection();
    if (e.HasSelection())
        Check(InsideText(e, selection.Start) && InsideText(e, selection.End) &&
              selection.Start < selection.End);
    for (size_t i = 0; i < e.Text().size(); ++i) {
        if (e.Text()[i] == '\r')
            Check(i + 1 < e.Text().size() && e.Text()[i + 1] == '\n');
        if (e.Text()[i] == '\n')
            Check(i > 0 && e.Text()[i - 1] == '\r');
    }
}

// The input loop's client: a paste goes into the editor, nothing else happens.
struct PasteIntoEditor final : LoopClient {
    InputEditor& Editor;
    explicit PasteIntoEditor(InputEditor& editor) : Editor(editor) {}
    bool HandleKey(const KeyEvent&) override { return true; }
    bool Idle() override { return false; }
    void Paste(const std::string& text, uint64_t leftOut) override { Editor.Paste(text, leftOut); }
    void Wheel(bool, int64_t) override {}
    void Mouse(const MouseEvent&) override {}
    void ScreenResized() override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    test::FakeTerminal term;
    test::FakeEventLoop loop;
    test::FakeClipboard clip;
    ConsoleScreen screen(term);
    InputLoop inputLoop(term, loop, screen);
    ConsoleClipboard clipboard(clip);
    screen.SetBufferSize(MakeCoord(SizeX, 8));
    test::RecordingConnection link;
    QuietParts parts;
    InputEditorOptions options = test::DefaultEditor();
    options.SizeX = SizeX;
    options.EditorTop = 4;
    options.EditorLines = 3;
    InputEditor editor(options, clipboard, link, parts, parts, parts);
    PasteIntoEditor client(editor);
    editor.ClearEditor();

    // The input is pieces separated by a zero byte: each piece's first byte picks what the
    // editor does before the rest of the piece is pasted.
    std::string_view input(reinterpret_cast<const char*>(data), size);
    for (int pieces = 0; !input.empty() && pieces < 256; ++pieces) {
        const size_t end = input.find('\0');
        std::string_view piece = input.substr(0, end);
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
        if (piece.empty())
            continue;
        const auto action = static_cast<uint8_t>(piece[0]);
        piece.remove_prefix(1);
        const int32_t anchor = editor.CursorPosition();
        switch (action % 8) {
        case 0:
            editor.MoveCursor(action & 0x80, 1 + (action >> 3) % 8);
            break;
        case 1:
            editor.MoveLine(action & 0x80);
            break;
        case 2:
            editor.MoveWord(action & 0x80);
            editor.ExtendSelection(anchor);
            break;
        case 3:
            editor.MoveToLineEdge(action & 0x80);
            editor.ExtendSelection(anchor);
            break;
        case 4:
            editor.DeleteText(action & 0x80);
            break;
        case 5:
            editor.CutSelection();
            break;
        case 6:
            editor.CopySelection();
            editor.PasteClipboard();
            break;
        default:
            break;
        }
        CheckEditor(editor);
        InputRecord paste;
        paste.Type = InputRecord::Kind::Paste;
        paste.Text = std::string(piece);
        term.Input.push_back(paste);
        inputLoop.ProcessPending(client);
        CheckEditor(editor);
    }
    return 0;
}
