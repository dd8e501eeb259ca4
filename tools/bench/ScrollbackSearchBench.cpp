// Time of one search in a full scrollback of 100,000 rows at 80 columns: game lines, Russian
// and English, a fifth of them long enough to wrap, and one of 30,000 letters. Three searches
// that read every row (a word that is not there, one that is only in the oldest line, and a
// text of 10,000 characters that the long line matches up to its last one), each from the
// search line's Enter to the line found drawn in the output window. Run on demand; the goal is
// under 50 ms.
#include "BenchSupport.h"
#include "support/FakeTerminal.h"
#include "text/CodePage.h"
#include "ui/ConsoleScreen.h"
#include "ui/OutputBuffer.h"
#include "ui/ScrollbackSearch.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

using namespace tolmix;
using Steady = std::chrono::steady_clock;

namespace {

constexpr double kGoalMs = 50.0;
constexpr int kRows = 100'000;
constexpr int kWidth = 80;

// Windows-1251: "Тяжёлый удар орка ранит вас." and "Вы видите здесь: ".
const std::string Hit = "\xD2\xFF\xE6\xB8\xEB\xFB\xE9 \xF3\xE4\xE0\xF0 \xEE\xF0\xEA\xE0 "
                        "\xF0\xE0\xED\xE8\xF2 \xE2\xE0\xF1.";
const std::string Seen = "\xC2\xFB \xE2\xE8\xE4\xE8\xF2\xE5 \xE7\xE4\xE5\xF1\xFC: ";

std::string GameLine(int n) {
    switch (n % 5) {
    case 0:
        return AnsiToConsole(Hit) + " (" + std::to_string(n) + ")";
    case 1:
        return "You see here: a rusty sword, a shield and " + std::to_string(n) + " coins.";
    case 2:
        return AnsiToConsole(Seen) + std::string(120, 'a' + n % 26) + std::to_string(n);
    case 3:
        return "<" + std::to_string(n) + "hp 120m 300mv> ";
    default:
        return "The orc hits you hard. " + std::to_string(n);
    }
}

struct Figures {
    double median = 0;
    double max = 0;
    double cpuMedian = 0;
};

double Median(std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const size_t n = times.size();
    return n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
}

// The processor time of this thread: on a loaded machine the wall time also counts the time
// other processes had the processor.
double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return static_cast<double>(ts.tv_sec) * 1e3 + static_cast<double>(ts.tv_nsec) / 1e6;
}

// The search from the newest line for `text`, `runs` times.
Figures TimeSearch(OutputBuffer& out, const std::string& text, int runs,
                   ScrollbackSearch::Outcome& outcome) {
    ScrollbackSearch search(out);
    std::vector<double> times;
    std::vector<double> cpu;
    for (int run = 0; run < runs; ++run) {
        search.Begin();
        search.Insert(text);
        const auto start = Steady::now();
        const double cpuStart = ThreadCpuMs();
        search.Find(true);
        cpu.push_back(ThreadCpuMs() - cpuStart);
        times.push_back(std::chrono::duration<double, std::milli>(Steady::now() - start).count());
        outcome = search.Result();
        search.End();
    }
    const double longest = *std::max_element(times.begin(), times.end());
    return {Median(times), longest, Median(cpu)};
}

} // namespace

int main(int argc, char** argv) {
    int runs = 20;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else {
            std::fprintf(stderr, "usage: ScrollbackSearchBench [--runs N]\n");
            return 2;
        }
    }
    if (runs <= 0 || runs > 10'000) {
        std::fprintf(stderr, "usage: ScrollbackSearchBench [--runs N]\n");
        return 2;
    }
    test::FakeTerminal term;
    ConsoleScreen screen(term);
    OutputBuffer out(screen, kWidth, kRows + 21, 21);
    out.AppendOutput("The oldest line: a needle in the haystack.");
    // Up to the last line that leaves the oldest one in reach (a line takes two rows at most),
    // with a line of 30,000 letters in the middle, where the long text nearly matches.
    for (int n = 1; out.RowCount() < kRows - 1; ++n) {
        out.AppendOutput(GameLine(n));
        if (n == 20'000)
            out.AppendOutput(AnsiToConsole(Seen) + std::string(30'000, 'a'));
    }
    const int64_t reach = out.RowCount() - out.FirstReachableRow();

    // Ten thousand characters that match the long line's run of letters up to their end.
    const std::string almost = std::string(9'999, 'a') + "b";
    struct Case {
        const char* what;
        std::string text;
        ScrollbackSearch::Outcome expected;
    } cases[] = {
        {"a word nowhere (\"dragon\")", "DRAGON", ScrollbackSearch::Outcome::NotFound},
        {"a word only in the oldest line", "NEEDLE", ScrollbackSearch::Outcome::Found},
        {"10,000 characters, nowhere", almost, ScrollbackSearch::Outcome::NotFound},
    };
    bool met = true;
    std::printf("Search in %lld rows of %d columns, %d runs each:\n", static_cast<long long>(reach),
                kWidth, runs);
    for (const Case& c : cases) {
        ScrollbackSearch::Outcome outcome{};
        const Figures f = TimeSearch(out, c.text, runs, outcome);
        const bool right = outcome == c.expected;
        met = met && right && f.median < kGoalMs;
        std::printf("  %-34s median %6.2f ms (processor %6.2f ms), max %6.2f ms%s\n", c.what,
                    f.median, f.cpuMedian, f.max, right ? "" : "  WRONG OUTCOME");
    }
    std::printf("goal: a median under %.0f ms %s\n", kGoalMs, met ? "met" : "NOT met");
    return met ? 0 : 1;
}
