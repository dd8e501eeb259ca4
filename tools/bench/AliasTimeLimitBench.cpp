// How long one command can keep the client in its aliases: twenty aliases whose searches each
// spend their whole step budget on the command's line, expanded without and with the limit of
// 50 ms of processor time for all the aliases of a command. Each figure is the thread's
// processor time for that command. Run on demand; the goal is that no command takes more than
// 50 ms (and a little for the search running when the time is up).
#include "macros/AliasExpansion.h"
#include "platform/posix/ThreadCpuClock.h"
#include "util/TolmixStringList.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <utility>

using namespace tolmix;

namespace {

constexpr int kAliases = 20;
constexpr double kGoalMs = 60.0;

TAliasArray SlowAliases() {
    std::string file;
    for (int i = 0; i < kAliases; ++i)
        file += "alias: pure part\r\n(?:a+)+$\r\nx" + std::to_string(i) + "\r\n";
    TTolmixStringList lines;
    lines.SetText(file);
    TAliasArray aliases;
    ParseAliasFile(aliases, lines);
    return aliases;
}

std::string SlowLine() {
    std::string line;
    while (line.size() < 16384)
        line += std::string(16, 'a') + "!";
    return line;
}

} // namespace

int main() {
    const posix::ThreadCpuClock cpu;
    const std::string line = SlowLine();
    int told = 0;
    const AliasReportHook hook = [&](const std::string&) { ++told; };
    const auto measure = [&](AliasTimeLimit* limit) {
        TAliasArray aliases = SlowAliases();
        told = 0;
        const TimePoint start = cpu.Now();
        const std::string sent = ExpandAliases(aliases, line, hook, limit).SendText;
        const double ms = std::chrono::duration<double, std::milli>(cpu.Now() - start).count();
        return std::make_pair(ms, sent == line);
    };
    const auto [unboundedMs, unboundedSame] = measure(nullptr);
    std::printf("%d aliases spending their step budget, no time limit: %.1f ms of CPU, %d "
                "line(s) told, command %s\n",
                kAliases, unboundedMs, told, unboundedSame ? "unchanged" : "WRONG");
    AliasTimeLimit limit(cpu);
    const auto [boundedMs, boundedSame] = measure(&limit);
    // Each alias that spent its own step budget first is told too, then the one cut off.
    const bool met = boundedMs < kGoalMs && boundedSame && told >= 1;
    std::printf("the same with the 50 ms limit: %.1f ms of CPU, %d line(s) told, command %s "
                "(goal: under %.0f ms) %s\n",
                boundedMs, told, boundedSame ? "unchanged" : "WRONG", kGoalMs,
                met ? "met" : "MISSED");
    return met ? 0 : 2;
}
