// How much CPU the client burns while nothing happens: started at 80x25, measured over 10 s
// after its first frame. Run on demand; the goal is under 20 ms.
#include "BenchSupport.h"

#include <cstdio>

using namespace tolmix::e2e;
using namespace std::chrono_literals;

namespace {

constexpr double kGoalMs = 20.0;

} // namespace

int main(int argc, char** argv) {
    SessionOptions options;
    int seconds = 10;
    if (!bench::ParseArguments(argc, argv, "IdleCpuBench", "--seconds", 600, seconds, options))
        return 64;
    const auto client = bench::StartToFirstFrame("IdleCpuBench", options);
    if (!client)
        return 1;
    // Start-up work (banner, first timers) is not idleness.
    client->PumpFor(500ms);
    const auto before = client->CpuTime();
    client->PumpFor(std::chrono::seconds(seconds));
    const auto after = client->CpuTime();
    if (!before || !after) {
        std::fprintf(stderr, "IdleCpuBench: the client ended during the measurement (%s)\n%s",
                     client->Status() ? client->Status()->Describe().c_str()
                                      : "CPU time unreadable",
                     client->Dump().c_str());
        return 1;
    }
    const double ms = std::chrono::duration<double, std::milli>(*after - *before).count();
    const bool met = ms < kGoalMs;
    std::printf("idle CPU over %d s: %.2f ms (goal: under %.0f ms) %s\n", seconds, ms, kGoalMs,
                met ? "met" : "MISSED");

    bench::Quit(*client);
    return met ? 0 : 2;
}
