// How much CPU the client burns while nothing happens: started at 80x25, measured over 10 s
// after its first frame. Run on demand; the goal is under 20 ms.
#include "e2e/harness/ClientScreen.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/PtySession.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <stdexcept>
#include <string>

using namespace tolmix::e2e;
using namespace std::chrono_literals;

namespace {

constexpr double kGoalMs = 20.0;

void Usage() {
    std::fprintf(stderr, "usage: IdleCpuBench [--client PATH] [--seconds N]\n");
}

std::string NoFrameReason(const PtySession& client) {
    if (client.Status())
        return "the client ended (" + client.Status()->Describe() + ") before a complete frame";
    return "no complete first frame within 5 s";
}

} // namespace

int main(int argc, char** argv) {
    SessionOptions options;
    int seconds = 10;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--client") == 0 && i + 1 < argc) {
            options.program = argv[++i];
        } else if (std::strcmp(argv[i], "--seconds") == 0 && i + 1 < argc) {
            seconds = std::atoi(argv[++i]);
        } else {
            Usage();
            return 64;
        }
    }
    if (seconds <= 0 || seconds > 600) {
        Usage();
        return 64;
    }

    std::unique_ptr<PtySession> client;
    try {
        client = std::make_unique<PtySession>(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "IdleCpuBench: cannot start the client: %s\n", e.what());
        return 1;
    }
    if (!client->WaitFor([&] { return FirstFrameDrawn(client->Screen()); }, 5s)) {
        std::fprintf(stderr, "IdleCpuBench: %s\n%s", NoFrameReason(*client).c_str(),
                     client->Dump().c_str());
        return 1;
    }
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

    client->Send(keys::Escape);
    if (!client->WaitForExit(2s)) {
        client->Send(keys::ShiftEscape);
        client->WaitForExit(2s);
    }
    return met ? 0 : 2;
}
