// Lines per second through TriggerSet::Match with 1,000 easy and 100 pure triggers loaded, as
// players write them: room and fight messages with wildcards, words to colour, a few
// regular expressions. The lines are the throughput benchmark's burst (colours taken off)
// mixed with lines that set triggers off. Run on demand; the goal is 1,000,000 lines/s, so
// that the triggers take a small share of the 200,000 lines/s the whole client must draw.
#include "BenchSupport.h"
#include "macros/TriggerSet.h"
#include "support/ManualClock.h"
#include "util/TolmixStringList.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

using namespace tolmix;

namespace {

constexpr double kGoalLinesPerSecond = 1000000;
constexpr int kEasy = 1000;
constexpr int kPure = 100;

// The processor time of this thread, as the client measures it.
class ThreadCpuTime final : public Clock {
  public:
    TimePoint Now() const override {
        timespec ts{};
        clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
        return TimePoint(std::chrono::seconds(ts.tv_sec) + std::chrono::nanoseconds(ts.tv_nsec));
    }
};

std::string Stripped(int number) {
    // The burst line without its colour sequences and line end.
    std::string line = e2e::bench::BurstLine(number);
    std::string out;
    for (size_t i = 0; i < line.size(); ++i) {
        if (line[i] == '\x1b') {
            while (i < line.size() && line[i] != 'm')
                ++i;
            continue;
        }
        if (line[i] != '\r' && line[i] != '\n')
            out += line[i];
    }
    return out;
}

} // namespace

int main(int argc, char** argv) {
    int lines = 1000000;
    if (argc == 3 && std::strcmp(argv[1], "--lines") == 0)
        lines = std::atoi(argv[2]);
    if (lines <= 0 || lines > 100000000 || (argc != 1 && argc != 3)) {
        std::fprintf(stderr, "usage: TriggerMatchBench [--lines N]\n");
        return 64;
    }
    TTolmixStringList fileLines;
    fileLines.SetText(e2e::bench::BusyTriggerFile(kEasy, kPure));
    TriggerFileContents contents;
    std::vector<std::string> problems;
    ParseTriggerFile(contents, fileLines, "bench.ttr", problems);
    if (!problems.empty() || contents.Triggers.size() != kEasy + kPure) {
        std::fprintf(stderr, "TriggerMatchBench: %zu triggers loaded, %zu problems\n",
                     contents.Triggers.size(), problems.size());
        return 1;
    }
    // The loop guard's clock moves a millisecond a line, so that the triggers keep firing as
    // they would at a server's pace instead of being stopped as a loop.
    test::ManualClock steady;
    const ThreadCpuTime cpu;
    TriggerSet triggers(contents, steady, cpu);

    // One line in 16 sets a trigger off; the others are the burst's room text.
    std::vector<std::string> sample;
    for (int i = 0; i < 1024; ++i)
        sample.push_back(Stripped(i));
    sample[3] = "A monster400 arrives from the north.";
    sample[19] = "Bob tells you 'word2 hello there'";
    sample[35] = "An orc hits you with spell7 hard";
    sample[51] = "Bob drops 12 coins4.";
    sample[67] = "You see three gem5s and a sword1 here";
    for (int i = 83; i < 1024; i += 16)
        sample[static_cast<size_t>(i)] = sample[static_cast<size_t>(3 + (i / 16) % 5 * 16)];

    size_t actions = 0, spans = 0, reports = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < lines; ++i) {
        steady.Current += Milliseconds(1);
        const TriggerVerdict verdict =
            triggers.Match(sample[static_cast<size_t>(i) % sample.size()]);
        actions += verdict.Actions.size();
        spans += verdict.Colours.size();
        reports += verdict.Reports.size();
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    const double rate = lines / seconds;
    // A 10 MB file: read up to the size limit, the rest left out.
    std::string huge;
    for (int i = 0; huge.size() < (size_t{10} << 20); ++i)
        huge += "trigger: part\r\nword" + std::to_string(i) + " here\r\nsay " + std::to_string(i) +
                "\r\n";
    const auto hugeStart = std::chrono::steady_clock::now();
    TTolmixStringList hugeLines;
    hugeLines.SetText(huge);
    TriggerFileContents hugeContents;
    std::vector<std::string> hugeProblems;
    const bool whole = ParseTriggerFile(hugeContents, hugeLines, "huge.ttr", hugeProblems);
    TriggerSet hugeSet(hugeContents, steady, cpu);
    (void)hugeSet.Match("word12 here");
    const double hugeMs =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - hugeStart)
            .count();

    const bool met = rate >= kGoalLinesPerSecond && reports == 0;
    std::printf("TriggerSet::Match with %d easy and %d pure triggers, %d lines:\n"
                "  %.0f lines/s (%.3f us a line); %zu actions, %zu colour spans, %zu reports\n"
                "goal: %.0f lines/s %s\n",
                kEasy, kPure, lines, rate, 1e6 / rate, actions, spans, reports, kGoalLinesPerSecond,
                met ? "met" : "MISSED");
    std::printf("  a 10 MB trigger file: %zu triggers kept (%s), read and indexed in %.1f ms\n",
                hugeContents.Triggers.size(), whole ? "all" : "cut at 256 KiB", hugeMs);
    return met ? 0 : 2;
}
