#pragma once

// What the client benchmarks share: their command line, starting the client up to its first
// complete frame, and ending it.
#include "e2e/harness/ClientScreen.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/PtySession.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace tolmix::e2e::bench {

using namespace std::chrono_literals;

// Reads [--client PATH] [countFlag N]; false (after printing the usage) when they are wrong.
inline bool ParseArguments(int argc, char** argv, const char* name, const char* countFlag,
                           int maxCount, int& count, SessionOptions& options) {
    bool ok = true;
    for (int i = 1; ok && i < argc; ++i) {
        if (std::strcmp(argv[i], "--client") == 0 && i + 1 < argc)
            options.program = argv[++i];
        else if (std::strcmp(argv[i], countFlag) == 0 && i + 1 < argc)
            count = std::atoi(argv[++i]);
        else
            ok = false;
    }
    if (ok && count > 0 && count <= maxCount)
        return true;
    std::fprintf(stderr, "usage: %s [--client PATH] [%s N]\n", name, countFlag);
    return false;
}

// The client started and showing its first complete frame; null, with the reason printed,
// when it cannot be started or draws none within 5 s.
inline std::unique_ptr<PtySession> StartToFirstFrame(const char* name,
                                                     const SessionOptions& options) {
    std::unique_ptr<PtySession> client;
    try {
        client = std::make_unique<PtySession>(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s: cannot start the client: %s\n", name, e.what());
        return nullptr;
    }
    if (!client->WaitFor([&] { return FirstFrameDrawn(client->Screen()); }, 5s)) {
        const std::string reason =
            client->Status()
                ? "the client ended (" + client->Status()->Describe() + ") before a complete frame"
                : std::string("no complete first frame within 5 s");
        std::fprintf(stderr, "%s: %s\n%s", name, reason.c_str(), client->Dump().c_str());
        return nullptr;
    }
    return client;
}

// A number field ("VmHWM:", "voluntary_ctxt_switches:") of a /proc status file.
inline std::optional<long> StatusField(const std::filesystem::path& status, const char* field) {
    std::ifstream in(status);
    std::string line;
    const std::size_t length = std::strlen(field);
    while (std::getline(in, line)) {
        if (line.compare(0, length, field) == 0)
            return std::strtol(line.c_str() + length, nullptr, 10);
    }
    return std::nullopt;
}

// How often the program's threads went to sleep and were woken since they started: the
// voluntary context switches of every thread.
inline std::optional<long> WakeUps(pid_t pid) {
    std::error_code error;
    const std::filesystem::path tasks = "/proc/" + std::to_string(pid) + "/task";
    long sum = 0;
    for (const auto& task : std::filesystem::directory_iterator(tasks, error)) {
        const auto n = StatusField(task.path() / "status", "voluntary_ctxt_switches:");
        if (!n)
            return std::nullopt;
        sum += *n;
    }
    if (error)
        return std::nullopt;
    return sum;
}

// The program's peak resident memory in KiB.
inline std::optional<long> PeakRssKiB(pid_t pid) {
    return StatusField("/proc/" + std::to_string(pid) + "/status", "VmHWM:");
}

// Line `number` of a benchmark's burst: a colour sequence, a seven-digit number, a reset and
// some room text: 75 bytes with the line end.
inline std::string BurstLine(int number) {
    char line[128];
    std::snprintf(line, sizeof line,
                  "\x1b[1;%dm%07d\x1b[0m The quick brown fox jumps over the lazy dog by a "
                  "river\r\n",
                  31 + number % 7, number);
    return line;
}

// Line `number` of a burst of plain Windows-1251 text: the number, some room text in Russian
// and English, no escape sequence, no colour byte: 75 bytes with the line end.
inline std::string PlainBurstLine(int number) {
    char line[128];
    // "Гоблин стоит здесь."
    std::snprintf(line, sizeof line,
                  "%07d The quick brown fox, \xC3\xEE\xE1\xEB\xE8\xED \xF1\xF2\xEE\xE8\xF2 "
                  "\xE7\xE4\xE5\xF1\xFC, by a wide and calm river\r\n",
                  number);
    return line;
}

// The trigger file (Windows-1251) of a busy player: `easy` plain-text triggers and `pure`
// regular expressions, as players write them: room and fight messages with wildcards, words to
// colour, a few expressions. No line of the bursts above sets one off.
inline std::string BusyTriggerFile(int easy, int pure) {
    std::string file = "Triggers of a busy player\r\n";
    for (int i = 0; i < easy; ++i) {
        const std::string n = std::to_string(i);
        switch (i % 4) {
        case 0:
            file +=
                "trigger:\r\nA monster" + n + " arrives from the *.\r\nkill monster" + n + "\r\n";
            break;
        case 1:
            file += "trigger: part colour=12\r\nsword" + n + "\r\n";
            break;
        case 2:
            file += "trigger:\r\n* tells you 'word" + n + " *'\r\nreply $1 $2\r\n";
            break;
        default:
            file += "trigger: part\r\n* hits you with spell" + n + "*\r\ncast heal\r\n";
            break;
        }
    }
    for (int i = 0; i < pure; ++i) {
        const std::string n = std::to_string(i);
        file += i % 2 == 0
                    ? "trigger: pure\r\n^(\\w+) drops (\\d+) coins" + n + "\\.$\r\nget $2\r\n"
                    : "trigger: pure part colour=3\r\n\\bgem" + n + "(s|es)?\\b\r\n";
    }
    return file;
}

// The value at fraction `p` (0.5: the median) of `values`, the nearest rank; 0 when empty.
inline double Percentile(std::vector<double> values, double p) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const auto i = static_cast<std::size_t>(p * static_cast<double>(values.size() - 1) + 0.5);
    return values[std::min(i, values.size() - 1)];
}

// The middle value, or the mean of the two middle ones; 0 when empty.
inline double Median(std::vector<double> values) {
    if (values.empty())
        return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

// F10 is the way out; Shift+Escape (left to the console driver) the other one.
inline bool Quit(PtySession& client) {
    for (const std::string& key : {keys::F10, keys::ShiftEscape}) {
        client.Send(key);
        if (client.WaitForExit(2s))
            return true;
    }
    return false;
}

} // namespace tolmix::e2e::bench
