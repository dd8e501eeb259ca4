// Time from a change of the terminal's size to the complete new frame, with a full scrollback
// of 10,000 lines (a third of them long enough to wrap), the lines wrapped again at each new
// width. Two figures: the client itself on fakes (the resize record through the layout to the
// frame's bytes), and the real client in a pseudo-terminal (SIGWINCH to the new frame in the
// terminal model). Run on demand; the goal is under 10 ms.
#include "BenchSupport.h"
#include "app/ClientFakes.h"
#include "app/TClient.h"
#include "e2e/harness/GameSession.h"
#include "platform/vt/FrameRenderer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

using namespace tolmix;
using namespace tolmix::e2e;
using Steady = std::chrono::steady_clock;
using namespace std::chrono_literals;

namespace {

constexpr double kGoalMs = 10.0;
constexpr int kLines = 10'000;
const std::pair<int, int> kSizes[] = {{120, 40}, {60, 15}, {80, 24}, {100, 30}};

std::string Line(int n) {
    std::string line = "line " + std::to_string(n);
    if (n % 3 == 0)
        line += ": " + std::string(110, static_cast<char>('a' + n % 26));
    return line;
}

double Ms(Steady::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Figures {
    double median = 0;
    double p90 = 0;
    double max = 0;
};

Figures Summarise(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    return {n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2, times[n * 9 / 10],
            times.back()};
}

// The assembled client on fakes: the resize record handled, the screen laid out and drawn, and
// the frame turned into the bytes a terminal would get.
Figures InProcess(int runs, size_t& frameBytes) {
    test::ClientFakes fakes;
    fakes.Files.Add("TolmixClient.tcf", "AutoSend=\r\n");
    const char* argv[] = {"tolmix-client"};
    TClient client(fakes.Con, fakes.Env, 1, argv);
    for (int n = 1; n <= kLines; ++n)
        client.PrintLine(Line(n));
    fakes.Con.Flush();
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto [columns, rows] = kSizes[run % std::size(kSizes)];
        const auto start = Steady::now();
        fakes.Term.ResizeTo(columns, rows);
        fakes.Con.ProcessPending();
        fakes.Con.Flush();
        const std::string bytes = vt::Render(Frame{}, fakes.Term.Shown);
        times.push_back(Ms(Steady::now() - start));
        frameBytes = bytes.size();
    }
    return Summarise(times);
}

// The new frame is complete: the separator across the width on its new row, the panel's text
// on the last rows but one, and the newest line on the output window's last row.
bool NewFrameShown(const PtySession& s) {
    const DefaultLayout layout = DefaultLayout::ForRows(s.Rows());
    for (int x = 0; x < s.Columns(); ++x)
        if (s.Cell(x, layout.separatorRow).ch != U'\u2500')
            return false;
    return s.RowTrimmed(layout.panelRow).rfind("Уровень", 0) == 0 &&
           s.RowTrimmed(layout.separatorRow - 1).rfind(Line(kLines), 0) == 0;
}

// The real client in a pty, its scrollback filled by a loopback server first.
bool InTerminal(int runs, const std::string& program, Figures& figures) {
    GameSessionOptions options;
    options.settings = "AutoSend=";
    options.program = program;
    GameSession game(options);
    if (!game.Connect(5s)) {
        std::fprintf(stderr, "ResizeBench: the client did not connect\n");
        return false;
    }
    PtySession& s = game.Client();
    std::string text;
    for (int n = 1; n <= kLines; ++n)
        text += Line(n) + "\r\n";
    game.Peer().Post(text);
    if (!s.WaitFor([&] { return NewFrameShown(s); }, 20s)) {
        std::fprintf(stderr, "ResizeBench: the lines did not arrive\n%s", s.Dump().c_str());
        return false;
    }
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto [columns, rows] = kSizes[run % std::size(kSizes)];
        const auto start = Steady::now();
        s.Resize(columns, rows);
        if (!s.WaitFor([&] { return NewFrameShown(s); }, 5s)) {
            std::fprintf(stderr, "ResizeBench: no new frame at %dx%d\n%s", columns, rows,
                         s.Dump().c_str());
            return false;
        }
        times.push_back(Ms(Steady::now() - start));
        s.PumpFor(20ms); // let it settle: each run starts from a quiet client
    }
    figures = Summarise(times);
    bench::Quit(s);
    return true;
}

} // namespace

int main(int argc, char** argv) {
    SessionOptions session;
    int runs = 40;
    if (!bench::ParseArguments(argc, argv, "ResizeBench", "--runs", 10000, runs, session))
        return 64;
    size_t frameBytes = 0;
    const Figures inside = InProcess(runs, frameBytes);
    std::printf("resize on fakes, %d lines, %d runs: median %.2f ms, 90%% %.2f ms, max %.2f ms "
                "(last frame %zu bytes)\n",
                kLines, runs, inside.median, inside.p90, inside.max, frameBytes);
    Figures terminal;
    if (!InTerminal(runs, session.program, terminal))
        return 1;
    const bool met = terminal.max < kGoalMs;
    std::printf("SIGWINCH to the new frame in a pty, %d lines, %d runs: median %.2f ms, "
                "90%% %.2f ms, max %.2f ms (goal: under %.0f ms) %s\n",
                kLines, runs, terminal.median, terminal.p90, terminal.max, kGoalMs,
                met ? "met" : "MISSED");
    return met ? 0 : 2;
}
