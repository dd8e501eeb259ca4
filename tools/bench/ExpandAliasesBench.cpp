// Time of ExpandAliases for a typical command against 1,000 easy aliases: a command that no
// alias matches (every pattern is tried), one that the 500th alias rewrites, and the first
// expansion after a load, which also compiles the patterns. Run on demand; the goal is under
// 1 ms for the steady expansions.
#include "macros/AliasExpansion.h"
#include "util/TolmixStringList.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace tolmix;

namespace {

constexpr double kGoalMs = 1.0;
constexpr int kAliases = 1000;

// Easy aliases as players write them: a short command word, a wildcard, a rewrite.
std::string AliasFile() {
    std::string file = "Aliases of a typical player\r\n";
    for (int i = 0; i < kAliases; ++i) {
        const std::string word = "c" + std::to_string(i);
        file += i % 10 == 0 ? "alias: part\r\n" : "alias:\r\n";
        file += word + " *\r\n";
        file += "cast '" + word + "' $1\r\n";
    }
    return file;
}

TAliasArray Load(const std::string& file) {
    TTolmixStringList lines;
    lines.SetText(file);
    TAliasArray aliases;
    ParseAliasFile(aliases, lines);
    return aliases;
}

double MillisecondsOf(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

struct Figures {
    double Median = 0, P99 = 0, Max = 0;
};

Figures Measure(TAliasArray& aliases, const std::string& command, const std::string& expected,
                int runs, bool& ok) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const ExpandedText out = ExpandAliases(aliases, command);
        times.push_back(MillisecondsOf(std::chrono::steady_clock::now() - start));
        ok = ok && out.SendText == expected;
    }
    std::sort(times.begin(), times.end());
    return {times[times.size() / 2], times[times.size() * 99 / 100], times.back()};
}

} // namespace

int main(int argc, char** argv) {
    int runs = 1000;
    if (argc == 3 && std::strcmp(argv[1], "--runs") == 0)
        runs = std::atoi(argv[2]);
    if (runs <= 0 || runs > 1000000 || (argc != 1 && argc != 3)) {
        std::fprintf(stderr, "usage: ExpandAliasesBench [--runs N]\n");
        return 64;
    }
    const std::string file = AliasFile();
    TAliasArray aliases = Load(file);
    if (aliases.size() != kAliases) {
        std::fprintf(stderr, "ExpandAliasesBench: %zu aliases loaded, not %d\n", aliases.size(),
                     kAliases);
        return 1;
    }
    bool ok = true;
    const auto firstStart = std::chrono::steady_clock::now();
    ok = ExpandAliases(aliases, "kill goblin").SendText == "kill goblin";
    const double first = MillisecondsOf(std::chrono::steady_clock::now() - firstStart);
    const Figures none = Measure(aliases, "kill goblin", "kill goblin", runs, ok);
    const Figures middle = Measure(aliases, "c500 goblin", "cast 'c500' goblin", runs, ok);
    if (!ok) {
        std::fprintf(stderr, "ExpandAliasesBench: an expansion gave a wrong result\n");
        return 1;
    }
    // The goal holds for 99 runs in 100; the maximum shows what a busy machine adds.
    const bool met = none.P99 < kGoalMs && middle.P99 < kGoalMs;
    std::printf("ExpandAliases against %d easy aliases over %d runs:\n"
                "  no alias matches:   median %.4f ms, 99th percentile %.4f ms, max %.4f ms\n"
                "  the 500th matches:  median %.4f ms, 99th percentile %.4f ms, max %.4f ms\n"
                "  first use (compiles every pattern): %.3f ms\n"
                "goal: under %.0f ms %s\n",
                kAliases, runs, none.Median, none.P99, none.Max, middle.Median, middle.P99,
                middle.Max, first, kGoalMs, met ? "met" : "MISSED");
    return met ? 0 : 2;
}
