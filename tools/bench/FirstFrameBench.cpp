// Time from starting the client to its first complete frame (separator and status panel drawn)
// in the terminal model, over several runs: each with a fresh home folder (the file types are
// registered at every such start), then again in one home. Run on demand; the goal is under
// 30 ms.
#include "BenchSupport.h"
#include "e2e/harness/TempDir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <vector>

using namespace tolmix::e2e;
using namespace std::chrono_literals;

namespace {

constexpr double kGoalMs = 30.0;

// Start-to-first-frame times of `runs` starts; empty when one failed.
std::vector<double> Measure(const char* what, const SessionOptions& options, int runs) {
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        const auto client = bench::StartToFirstFrame("FirstFrameBench", options);
        if (!client) {
            std::fprintf(stderr, "FirstFrameBench: %s: run %d failed\n", what, run + 1);
            return {};
        }
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        if (!bench::Quit(*client))
            std::fprintf(stderr, "FirstFrameBench: %s: run %d: the client did not quit on F10\n",
                         what, run + 1);
    }
    return times;
}

bool Report(const char* what, std::vector<double> times) {
    std::sort(times.begin(), times.end());
    const std::size_t n = times.size();
    const double median = n % 2 ? times[n / 2] : (times[n / 2 - 1] + times[n / 2]) / 2;
    const bool met = times.back() < kGoalMs;
    std::printf("first frame, %s, over %zu runs: median %.2f ms, max %.2f ms, min %.2f ms "
                "(goal: under %.0f ms) %s\n",
                what, n, median, times.back(), times.front(), kGoalMs, met ? "met" : "MISSED");
    return met;
}

} // namespace

int main(int argc, char** argv) {
    SessionOptions options;
    int runs = 20;
    if (!bench::ParseArguments(argc, argv, "FirstFrameBench", "--runs", 1000, runs, options))
        return 64;

    // Every session without a home of its own gets a fresh one: the program's file types are
    // registered anew at each of these starts.
    const std::vector<double> fresh = Measure("fresh home", options, runs);
    // One home for the rest: the file types are known already.
    TempDir home("tolmix-bench-home");
    options.home = home.String();
    const std::vector<double> again = Measure("same home", options, runs + 1);
    if (fresh.empty() || again.empty())
        return 1;
    const bool met = Report("fresh home", fresh) &
                     Report("same home", std::vector<double>(again.begin() + 1, again.end()));
    return met ? 0 : 2;
}
