// The client's peak resident memory after 200,000 lines from a loopback game server, at 80x25
// with the default settings (a scrollback of 10,000 rows), and what start-up alone took. Run
// on demand; the goal is a peak under 12 MiB.
#include "BenchSupport.h"
#include "e2e/harness/GameSession.h"

#include <cstdio>

using namespace tolmix::e2e;
using namespace std::chrono_literals;

namespace {

constexpr double kGoalMiB = 12.0;

} // namespace

int main(int argc, char** argv) {
    SessionOptions session;
    int lines = 200000;
    if (!bench::ParseArguments(argc, argv, "PeakRssBench", "--lines", 5000000, lines, session))
        return 64;
    GameSessionOptions options;
    options.program = session.program;
    options.settings = "AutoSend=\r\n";
    std::unique_ptr<GameSession> game;
    try {
        game = std::make_unique<GameSession>(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "PeakRssBench: cannot start the client: %s\n", e.what());
        return 1;
    }
    PtySession& client = game->Client();
    if (!game->Connect(5s) ||
        !client.WaitFor([&] { return FirstFrameDrawn(client.Screen()); }, 5s)) {
        std::fprintf(stderr, "PeakRssBench: the client did not connect and draw\n%s",
                     client.Dump().c_str());
        return 1;
    }
    client.PumpFor(200ms);
    const auto atStart = bench::PeakRssKiB(client.Pid());

    std::string burst;
    for (int i = 1; i <= lines; ++i)
        burst += bench::BurstLine(i);
    burst += "\x80\x80v\r\n"; // the version request: answered once every line before it is read
    game->Peer().Post(burst);
    if (!game->WaitForWire("\x80\x80v", 120s)) {
        std::fprintf(stderr, "PeakRssBench: the client did not read the lines\n%s",
                     client.Dump().c_str());
        return 1;
    }
    char last[16];
    std::snprintf(last, sizeof last, "%07d", lines);
    client.WaitForText(last, 10s);
    const auto peak = bench::PeakRssKiB(client.Pid());
    if (!atStart || !peak) {
        std::fprintf(stderr, "PeakRssBench: the client's memory is unreadable\n");
        return 1;
    }
    const double mib = *peak / 1024.0;
    const bool met = mib < kGoalMiB;
    std::printf("peak RSS: %.1f MiB after start-up, %.1f MiB after %d lines (goal: under %.0f "
                "MiB) %s\n",
                *atStart / 1024.0, mib, lines, kGoalMiB, met ? "met" : "MISSED");
    bench::Quit(client);
    return met ? 0 : 2;
}
