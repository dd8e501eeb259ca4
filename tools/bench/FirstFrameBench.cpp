// Time from starting the client to its first complete frame (separator and status panel drawn)
// in the terminal model, over several runs. Run on demand; the goal is under 30 ms.
#include "e2e/harness/ClientScreen.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

using namespace tolmix::e2e;
using namespace std::chrono_literals;

namespace {

constexpr double kGoalMs = 30.0;

void Usage() {
    std::fprintf(stderr, "usage: FirstFrameBench [--client PATH] [--runs N]\n");
}

// Escape ends the client today; Shift+Escape once plain Escape only clears the editor.
bool Quit(PtySession& client) {
    for (const std::string& key : {keys::Escape, keys::ShiftEscape}) {
        client.Send(key);
        if (client.WaitForExit(2s))
            return true;
    }
    return false;
}

std::string NoFrameReason(const PtySession& client) {
    if (client.Status())
        return "the client ended (" + client.Status()->Describe() + ") before a complete frame";
    return "no complete first frame within 5 s";
}

} // namespace

int main(int argc, char** argv) {
    SessionOptions options;
    int runs = 20;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--client") == 0 && i + 1 < argc) {
            options.program = argv[++i];
        } else if (std::strcmp(argv[i], "--runs") == 0 && i + 1 < argc) {
            runs = std::atoi(argv[++i]);
        } else {
            Usage();
            return 64;
        }
    }
    if (runs <= 0 || runs > 1000) {
        Usage();
        return 64;
    }

    // One home for all runs: the first run is a first start, the others ordinary starts.
    TempDir home("tolmix-bench-home");
    options.home = home.String();
    std::vector<double> times;
    for (int run = 0; run < runs; ++run) {
        const auto start = std::chrono::steady_clock::now();
        std::unique_ptr<PtySession> client;
        try {
            client = std::make_unique<PtySession>(options);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "FirstFrameBench: cannot start the client: %s\n", e.what());
            return 1;
        }
        if (!client->WaitFor([&] { return FirstFrameDrawn(client->Screen()); }, 5s)) {
            std::fprintf(stderr, "FirstFrameBench: run %d: %s\n%s", run + 1,
                         NoFrameReason(*client).c_str(), client->Dump().c_str());
            return 1;
        }
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        if (!Quit(*client))
            std::fprintf(stderr, "FirstFrameBench: run %d: the client did not quit on Escape\n",
                         run + 1);
    }

    std::vector<double> sorted = times;
    std::sort(sorted.begin(), sorted.end());
    const std::size_t n = sorted.size();
    const double median = n % 2 ? sorted[n / 2] : (sorted[n / 2 - 1] + sorted[n / 2]) / 2;
    const double max = sorted.back();
    const bool met = max < kGoalMs;
    std::printf("first frame over %zu runs: median %.2f ms, max %.2f ms, min %.2f ms, first start "
                "%.2f ms (goal: under %.0f ms) %s\n",
                n, median, max, sorted.front(), times.front(), kGoalMs, met ? "met" : "MISSED");
    return met ? 0 : 2;
}
