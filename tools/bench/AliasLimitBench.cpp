// How long a command waits for the aliases at the size limit of the alias files (256 KiB of
// patterns and texts): the first command after a load, which compiles what it needs, a
// command after reading the files again (Tab: the load and that first command), and the next
// ones. Files: easy whole-line aliases as players write them, easy aliases matching anywhere
// in the line, and regular expressions (which cannot be skipped without compiling), each
// filling the limit. Each figure is the wall time and, in brackets, the CPU time (the same on a
// quiet machine; on a busy one the wall time also holds the waits for a core). Run on demand;
// the goal is that no command waits more than 50 ms.
#include "macros/AliasExpansion.h"
#include "util/TolmixStringList.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <ctime>
#include <functional>
#include <string>

using namespace tolmix;

namespace {

constexpr double kGoalMs = 50.0;

double CpuMs() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

// Wall time of the work; its CPU time in cpu.
double TimeMs(const std::function<void()>& work, double& cpu) {
    const double cpuStart = CpuMs();
    const auto start = std::chrono::steady_clock::now();
    work();
    cpu = CpuMs() - cpuStart;
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

// Aliases made by `alias` (its number) until the file passes the limit.
std::string FillLimit(const std::function<std::string(int)>& alias) {
    std::string file;
    for (int i = 0; file.size() < AliasBytesLimit + AliasBytesLimit / 4; ++i)
        file += alias(i);
    return file;
}

TAliasArray Load(const std::string& file) {
    TTolmixStringList lines;
    lines.SetText(file);
    TAliasArray aliases;
    ParseAliasFile(aliases, lines);
    return aliases;
}

// The worst wait of the commands, printed with the file's name.
double Measure(const char* name, const std::string& file,
               const std::vector<std::pair<std::string, std::string>>& commands) {
    TAliasArray aliases = Load(file);
    double worst = 0;
    double worstCpu = 0;
    bool right = true;
    std::string figures;
    for (int round = 0; round < 3; ++round) {
        // Round 0: the first commands after start-up; round 1: after Tab (load and expand);
        // round 2: steady.
        for (const auto& [command, expected] : commands) {
            std::string sent;
            double cpu = 0;
            const double ms = TimeMs(
                [&] {
                    if (round == 1 && &command == &commands.front().first)
                        aliases = Load(file);
                    sent = ExpandAliases(aliases, command).SendText;
                },
                cpu);
            worst = std::max(worst, ms);
            worstCpu = std::max(worstCpu, cpu);
            right = right && sent == expected;
            char text[64];
            std::snprintf(text, sizeof text, " %.2f (%.2f)", ms, cpu);
            figures += text;
        }
        figures += round < 2 ? " |" : "";
    }
    std::printf("%s: %zu aliases; ms per command (first | after Tab | steady):%s; worst %.2f ms "
                "(CPU %.2f ms) (%s)\n",
                name, aliases.size(), figures.c_str(), worst, worstCpu, right ? "right" : "WRONG");
    return right ? worst : 1e9;
}

} // namespace

int main() {
    double worst = 0;
    const auto n = [](int i) { return std::to_string(i); };

    std::string file = FillLimit(
        [&](int i) { return "alias:\r\ncmd" + n(i) + " *\r\ncast 'spell " + n(i) + "' $1\r\n"; });
    TAliasArray kept = Load(file);
    std::string last = n(static_cast<int>(kept.size()) - 1);
    worst = std::max(worst, Measure("easy whole-line", file,
                                    {{"kill goblin", "kill goblin"},
                                     {"cmd7 goblin", "cast 'spell 7' goblin"},
                                     {"cmd" + last + " orc", "cast 'spell " + last + "' orc"}}));

    file = FillLimit([&](int i) { return "alias: part\r\n*w" + n(i) + "x*\r\nW" + n(i) + "\r\n"; });
    kept = Load(file);
    last = n(static_cast<int>(kept.size()) - 1);
    worst = std::max(worst,
                     Measure("easy anywhere", file,
                             {{"kill goblin", "kill goblin"}, {"say w" + last + "x", "W" + last}}));

    file = FillLimit([&](int i) { return "alias: pure\r\np" + n(i) + "[a-z]+\r\nP\r\n"; });
    kept = Load(file);
    last = n(static_cast<int>(kept.size()) - 1);
    worst = std::max(worst, Measure("regular expressions", file,
                                    {{"kill goblin", "kill goblin"}, {"p" + last + "ab", "P"}}));

    const bool met = worst <= kGoalMs;
    std::printf("worst wait of a command: %.2f ms (goal: at most %.0f ms) %s\n", worst, kGoalMs,
                met ? "met" : "MISSED");
    return met ? 0 : 2;
}
