// How much CPU the client burns, and how often it wakes, while nothing happens: started at
// 80x25 and connected to a loopback game server that stays silent, measured over 10 s after
// its first frame. Run on demand; the goals are under 20 ms of CPU and at most 2 wake-ups.
#include "BenchSupport.h"
#include "e2e/harness/GameSession.h"

#include <cstdio>

using namespace tolmix::e2e;
using namespace std::chrono_literals;

namespace {

constexpr double kGoalMs = 20.0;
constexpr long kGoalWakeUps = 2;

} // namespace

int main(int argc, char** argv) {
    SessionOptions session;
    int seconds = 10;
    if (!bench::ParseArguments(argc, argv, "IdleCpuBench", "--seconds", 600, seconds, session))
        return 64;
    GameSessionOptions options;
    options.program = session.program;
    options.settings = "AutoSend=\r\n";
    std::unique_ptr<GameSession> game;
    try {
        game = std::make_unique<GameSession>(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "IdleCpuBench: cannot start the client: %s\n", e.what());
        return 1;
    }
    PtySession& client = game->Client();
    if (!game->Connect(5s) ||
        !client.WaitFor([&] { return FirstFrameDrawn(client.Screen()); }, 5s)) {
        std::fprintf(stderr, "IdleCpuBench: the client did not connect and draw\n%s",
                     client.Dump().c_str());
        return 1;
    }
    // Start-up work (banner, the first status tick) is not idleness.
    client.PumpFor(1000ms);
    const auto before = client.CpuTime();
    const auto wokenBefore = bench::WakeUps(client.Pid());
    client.PumpFor(std::chrono::seconds(seconds));
    const auto after = client.CpuTime();
    const auto wokenAfter = bench::WakeUps(client.Pid());
    if (!before || !after || !wokenBefore || !wokenAfter) {
        std::fprintf(stderr, "IdleCpuBench: the client ended during the measurement (%s)\n%s",
                     client.Status() ? client.Status()->Describe().c_str() : "CPU time unreadable",
                     client.Dump().c_str());
        return 1;
    }
    const double ms = std::chrono::duration<double, std::milli>(*after - *before).count();
    const long wakeUps = *wokenAfter - *wokenBefore;
    const bool met = ms < kGoalMs && wakeUps <= kGoalWakeUps * seconds / 10;
    std::printf("idle over %d s: CPU %.2f ms, %ld wake-ups (goal: under %.0f ms, at most %ld "
                "wake-ups per 10 s) %s\n",
                seconds, ms, wakeUps, kGoalMs, kGoalWakeUps, met ? "met" : "MISSED");

    bench::Quit(client);
    return met ? 0 : 2;
}
