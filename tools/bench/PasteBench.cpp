// Time to lay out and draw the editor after a 100 KB paste, and of one keystroke into the pasted
// text: in process (the editor into the console's cells, then the frame's escape sequences),
// and end to end (a bracketed paste written to the real client's pseudo-terminal until its end
// is on screen). Run on demand; the goal is under 50 ms.
#include "BenchSupport.h"
#include "e2e/harness/LoopbackServer.h"
#include "e2e/harness/TempDir.h"
#include "platform/vt/FrameRenderer.h"
#include "support/DefaultScreen.h"
#include "support/FakeClipboard.h"
#include "support/FakeTerminal.h"
#include "ui/ConsoleClipboard.h"
#include "ui/ConsoleScreen.h"
#include "ui/EditorView.h"
#include "ui/InputEditor.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace tolmix;
using namespace std::chrono_literals;

namespace {

constexpr double kGoalMs = 50.0;
constexpr std::size_t kPasteBytes = 100 * 1024;

double Ms(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

double Median(std::vector<double> v) {
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double Max(const std::vector<double>& v) {
    return *std::max_element(v.begin(), v.end());
}

// Console text of mixed lines: words, Cyrillic, control bytes, some longer than the width.
std::string PasteText() {
    std::string text;
    for (int i = 0; text.size() < kPasteBytes; ++i) {
        text += "\xAF\xE0\xA8\xA2\xA5\xE2 line " + std::to_string(i) + " \x01\x1b";
        text.append(static_cast<std::size_t>(i % 130), 'w');
        text += "\r\n";
    }
    text.resize(kPasteBytes);
    return text;
}

struct InProcess {
    std::vector<double> Paste;
    std::vector<double> Key;
};

InProcess RunInProcess(int runs, int32_t editorLines) {
    test::FakeTerminal term;
    test::FakeClipboard clip;
    ConsoleScreen console(term);
    ConsoleClipboard clipboard(clip);
    console.SetBufferSize(MakeCoord(80, 25));
    InputEditorOptions options = test::DefaultEditor();
    options.EditorTop = static_cast<int>(24 - editorLines);
    options.EditorLines = editorLines;
    // The editor alone: nothing connected, no aliases, no output window or panel to move.
    class Alone final : public ServerConnection,
                        public CommandRewriter,
                        public OutputView,
                        public StatusView {
      public:
        bool Connected() const override { return false; }
        void ConnectToServer() override {}
        void Disconnect() override {}
        void SendLine(std::string_view, bool) override {}
        ExpandedText ExpandCommand(const std::string& text) override { return {text, {}}; }
        void ScrollOutput(bool, int64_t) override {}
        void ScrollOutputToEnd() override {}
        void ShowNotice(std::string_view) override {}
        void ShowEditMode(bool) override {}
    } alone;
    InputEditor editor(options, clipboard, alone, alone, alone, alone);
    EditorView view(console, editor);
    const std::string text = PasteText();
    InProcess result;
    std::size_t rendered = 0;
    for (int run = 0; run < runs; ++run) {
        editor.ClearEditor();
        view.Refresh();
        const Frame before = console.Cells();
        const auto start = std::chrono::steady_clock::now();
        editor.InsertText(text);
        view.Refresh();
        rendered += vt::Render(before, console.Cells()).size();
        result.Paste.push_back(Ms(std::chrono::steady_clock::now() - start));

        const Frame typed = console.Cells();
        const auto keyStart = std::chrono::steady_clock::now();
        editor.InsertText("x");
        view.Refresh();
        rendered += vt::Render(typed, console.Cells()).size();
        result.Key.push_back(Ms(std::chrono::steady_clock::now() - keyStart));
    }
    if (rendered == 0)
        std::fprintf(stderr, "PasteBench: nothing was drawn\n");
    return result;
}

// The real client: from the paste written to the terminal to its last line on screen.
std::vector<double> RunEndToEnd(int runs, e2e::SessionOptions options) {
    std::vector<double> times;
    // A server of its own for the client to connect to, so that it reaches no other.
    e2e::LoopbackServer server;
    e2e::TempDir dir("tolmix-bench-paste");
    dir.WriteFile("bench.tcf", "Address=127.0.0.1\r\nPort=" + std::to_string(server.Port()) +
                                   "\r\nAutoSend=\r\n");
    options.workingDirectory = dir.String();
    options.args = {(dir.Path() / "bench.tcf").string()};
    const auto client = e2e::bench::StartToFirstFrame("PasteBench", options);
    if (!client)
        return times;
    std::string text;
    for (int i = 0; text.size() < kPasteBytes; ++i)
        text += "line " + std::to_string(i) + " " +
                std::string(static_cast<std::size_t>(i % 90), 'w') + "\r";
    for (int run = 0; run < runs; ++run) {
        const std::string end = "end" + std::to_string(run);
        const auto start = std::chrono::steady_clock::now();
        client->Send(e2e::keys::Paste(text + end));
        if (!client->WaitFor([&] { return client->RowTrimmed(22) == end; }, 10s)) {
            std::fprintf(stderr, "PasteBench: paste %d not shown\n%s", run, client->Dump().c_str());
            break;
        }
        times.push_back(Ms(std::chrono::steady_clock::now() - start));
        client->Send(e2e::keys::Escape);
        client->WaitFor([&] { return client->RowTrimmed(22).empty(); }, 5s);
    }
    e2e::bench::Quit(*client);
    return times;
}

} // namespace

int main(int argc, char** argv) {
    e2e::SessionOptions options;
    int runs = 20;
    if (!e2e::bench::ParseArguments(argc, argv, "PasteBench", "--runs", 1000, runs, options))
        return 64;

    bool met = true;
    for (int32_t lines : {1, 10}) {
        const InProcess r = RunInProcess(runs, lines);
        met = met && Max(r.Paste) < kGoalMs;
        std::printf("in process, %d editor rows: 100 KB paste laid out and drawn: median %.3f ms, "
                    "max %.3f ms; one key after it: median %.3f ms, max %.3f ms\n",
                    lines, Median(r.Paste), Max(r.Paste), Median(r.Key), Max(r.Key));
    }
    const std::vector<double> e2eTimes = RunEndToEnd(runs, options);
    if (e2eTimes.empty())
        return 1;
    met = met && Median(e2eTimes) < kGoalMs;
    std::printf("end to end: 100 KB bracketed paste until shown: median %.2f ms, max %.2f ms "
                "(goal: under %.0f ms) %s\n",
                Median(e2eTimes), Max(e2eTimes), kGoalMs, met ? "met" : "MISSED");
    return met ? 0 : 2;
}
