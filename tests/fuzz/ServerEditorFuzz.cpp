// Feeds arbitrary server lines to the printer as the text of the server's editor ("ct"), opens
// the input editor on it, and sends it back. Besides memory errors it checks that the editor
// holds the text laid out whole, and that what it sends back opens the same text again: the
// server gets its lines back as they were shown.
#include "app/TextPrinter.h"
#include "support/DefaultScreen.h"
#include "support/FakeClipboard.h"
#include "support/FakeEventLoop.h"
#include "support/FakeTerminal.h"
#include "support/FakeWallClock.h"
#include "support/RecordingConnection.h"
#include "text/CodePage.h"
#include "ui/ConsoleClipboard.h"
#include "ui/ConsoleScreen.h"
#include "ui/EditorLayout.h"
#include "ui/InputEditor.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace tolmix;

namespace {

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

void CheckLayout(const InputEditor& editor, int sizeX) {
    std::vector<EditLine> fresh;
    LayoutLines(editor.Text(), sizeX, fresh);
    Check(editor.Lines() == fresh);
    const int32_t p = editor.CursorPosition();
    Check(p >= 1 && p <= editor.TextLength() + 1);
}

// The client around the printer and the editor: the server's editor text opens the input
// editor, commands go out as typed, and everything else is dropped.
class EditorClient final : public PrintedLineTargets,
                           public CommandRewriter,
                           public OutputView,
                           public StatusView {
  public:
    InputEditor* Editor = nullptr;
    int Opened = 0;

    void BeginEditMode(const std::string& text) override {
        ++Opened;
        Editor->BeginEditMode(text);
    }
    void AppendLog(const std::string&) override {}
    void SendVersion() override {}
    bool HasMusic() const override { return false; }
    bool HasPlugins() const override { return false; }
    void PlaySoundCommand(const std::string&) override {}
    void StopMusic() override {}
    void GameCode(char, const std::string&) override {}
    ExpandedText ExpandCommand(const std::string& text) override { return {text, {}}; }
    void ScrollOutput(bool, int64_t) override {}
    void ScrollOutputToEnd() override {}
    void ShowNotice(std::string_view) override {}
    void ShowEditMode(bool) override {}
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    test::FakeTerminal term;
    test::FakeEventLoop loop;
    test::FakeClipboard clip;
    test::FakeWallClock wall;
    ConsoleScreen console(term);
    ConsoleClipboard clipboard(clip);
    console.SetBufferSize(MakeCoord(40, 12));
    OutputBuffer output(console, 40, 60, 8);
    CharacterStatus state;
    GameClock clock(wall);
    StatusPanel panel(console, term, loop, state, clock, test::DefaultPanel());
    EditorClient client;
    TextPrinter printer(console, output, state, clock, panel, client, false, '.');
    InputEditorOptions options = test::DefaultEditor();
    options.SizeX = 40;
    options.EditorTop = 9;
    options.EditorLines = 2;
    test::RecordingConnection link;
    InputEditor editor(options, clipboard, link, client, client, client);
    client.Editor = &editor;
    std::vector<std::string>& sent = link.Sent;
    int& opened = client.Opened;

    // Each input line is one "ct" code's payload; the editor sends every second text back.
    std::string_view input(reinterpret_cast<const char*>(data), size);
    int lines = 0;
    while (!input.empty() && lines < 64) {
        const size_t end = input.find('\n');
        const std::string line = "\x80\x80"
                                 "ct" +
                                 std::string(input.substr(0, end));
        printer.PrintLine(line);
        ++lines;
        Check(opened == lines && editor.EditMode());
        CheckLayout(editor, options.SizeX);
        if (lines % 2 == 0) {
            const std::string shown = editor.Text();
            editor.MoveCursor(true, static_cast<int32_t>(line.size() % 7));
            CheckLayout(editor, options.SizeX);
            editor.SendEditor();
            Check(!editor.EditMode() && !sent.empty());
            // The code sent back, read again as the server would send it, opens the same text.
            printer.PrintLine(ConsoleToAnsi(sent.back()));
            Check(opened == lines + 1 && editor.Text() == shown);
            editor.SendEditor();
            Check(sent.size() >= 2 && sent[sent.size() - 2] == sent.back());
            opened = lines;
        }
        if (end == std::string_view::npos)
            break;
        input.remove_prefix(end + 1);
    }
    return 0;
}
