// Key-to-wire latency: a command and Enter written to the client's pseudo-terminal, until the
// command's line arrives at a loopback server. Run on demand; the goal is a median under 2 ms.
#include "BenchSupport.h"
#include "e2e/harness/LoopbackServer.h"
#include "e2e/harness/TempDir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace tolmix::e2e;
using namespace std::chrono_literals;

namespace {

constexpr double kGoalMs = 2.0;

double Percentile(const std::vector<double>& sorted, double p) {
    const auto i = static_cast<std::size_t>(p * static_cast<double>(sorted.size() - 1) + 0.5);
    return sorted[std::min(i, sorted.size() - 1)];
}

} // namespace

int main(int argc, char** argv) {
    SessionOptions options;
    int commands = 200;
    if (!bench::ParseArguments(argc, argv, "KeyToWireBench", "--commands", 100000, commands,
                               options))
        return 64;

    LoopbackServer server;
    TempDir dir("tolmix-bench-keys");
    dir.WriteFile("bench.tcf", "Address=127.0.0.1\r\nPort=" + std::to_string(server.Port()) +
                                   "\r\nAutoSend=\r\n");
    options.workingDirectory = dir.String();
    options.args = {(dir.Path() / "bench.tcf").string()};
    const auto client = bench::StartToFirstFrame("KeyToWireBench", options);
    if (!client)
        return 1;

    // The client connects at start-up.
    std::optional<LoopbackServer::Peer> peer;
    for (int i = 0; i < 50 && !peer; ++i) {
        client->PumpFor(100ms);
        peer = server.Accept(0ms);
    }
    if (!peer) {
        std::fprintf(stderr, "KeyToWireBench: the client did not connect\n%s",
                     client->Dump().c_str());
        return 1;
    }
    client->PumpFor(50ms);
    peer->Take();

    std::vector<double> times;
    times.reserve(static_cast<std::size_t>(commands));
    for (int i = 0; i < commands; ++i) {
        const std::string command = "look " + std::to_string(i);
        const auto start = std::chrono::steady_clock::now();
        client->Send(command + keys::Enter);
        if (!peer->WaitForReceived(command + "\r\n", 2s)) {
            std::fprintf(stderr, "KeyToWireBench: command %d did not arrive\n", i);
            return 1;
        }
        times.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
                .count());
        peer->Take();
        // Read the client's screen updates, so that it never waits on a full terminal.
        client->PumpFor(2ms);
    }
    bench::Quit(*client);

    std::sort(times.begin(), times.end());
    const double median = Percentile(times, 0.5);
    const bool met = median < kGoalMs;
    std::printf("key to wire over %zu commands: median %.3f ms, 90%% %.3f ms, 99%% %.3f ms, "
                "max %.3f ms, min %.3f ms (goal: median under %.0f ms) %s\n",
                times.size(), median, Percentile(times, 0.9), Percentile(times, 0.99), times.back(),
                times.front(), kGoalMs, met ? "met" : "MISSED");
    return met ? 0 : 2;
}
