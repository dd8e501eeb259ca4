// This client side by side with other terminal clients (TinTin++ and TinyFugue, where they are
// installed), or two builds of this client, in one interleaved run. Each run starts every
// client afresh in an 80x25 pseudo-terminal, drained (and drawn into the terminal model) as
// fast as it writes, connected to a loopback server on 127.0.0.1, and measures:
//   start-up     spawn until the server accepts the connection (a home already set up);
//   idle         CPU time and wake-ups (voluntary context switches) over a silent 10 s;
//   key-to-wire  a command and Enter typed in the pty until it arrives at the server, 50 tries;
//   lines/s      a burst of coloured lines of 75 bytes, from its first byte sent until the
//                client's answer to the line ending it (this client: the server's version
//                request; the others: a trigger of their own sending a word back);
//   peak RSS     after that burst;
//   key-to-wire during bursts of the same lines, median and 99th percentile of 50 keys typed
//                every 20 ms while a burst lasts, each until its command arrives.
// The table shows, for every column, the median over the runs. Run on demand; no goals.
#include "BenchSupport.h"
#include "WireWatch.h"
#include "e2e/harness/LoopbackServer.h"
#include "e2e/harness/TempDir.h"

#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using namespace tolmix::e2e;
using namespace std::chrono_literals;
using Clock = bench::WireWatch::Clock;

namespace {

enum class Kind { Tolmix, TinTin, TinyFugue };

struct Contender {
    std::string name;
    Kind kind;
    std::string program;
    std::unique_ptr<TempDir> home; // kept over the runs: a home already set up
};

struct Options {
    int runs = 3;
    int lines = 200000;
    int keys = 50;
    int idleSeconds = 10;
    bool peers = true;
};

// What one fresh process gave; a figure it could not give stays empty.
struct Run {
    std::optional<double> linesPerSecond, idleMs, wakeUps, keyMs, burstKeyMedian, burstKeyP99,
        startupMs, peakMiB;
};

constexpr auto kBurstTimeout = 300s;
constexpr int kMaxKeyBursts = 20;
constexpr auto kBetweenKeys = 20ms;

// The line ending a burst, and what the client sends back once it has read it.
const std::string kVersionRequest = "\x80\x80v\r\n";
const std::string kVersionAnswer = "\x80\x80v";
const std::string kEndOfBurst = "end-of-burst\r\n";
const std::string kBurstSeen = "burst-seen";
const std::string kPing = "ping";

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

// The program `name` on $PATH or in /usr/games, or empty.
std::string FindProgram(const char* name) {
    std::string path = std::getenv("PATH") ? std::getenv("PATH") : "/usr/bin:/bin";
    path += ":/usr/games";
    for (std::size_t start = 0; start <= path.size();) {
        const std::size_t end = std::min(path.find(':', start), path.size());
        const std::string candidate = path.substr(start, end - start) + "/" + name;
        if (end > start && access(candidate.c_str(), X_OK) == 0)
            return candidate;
        start = end + 1;
    }
    return {};
}

// The start of `contender` against `server`, its settings or script written into `dir`.
SessionOptions Launch(const Contender& contender, const TempDir& dir, std::uint16_t port) {
    SessionOptions options;
    options.program = contender.program;
    options.home = contender.home->String();
    options.workingDirectory = dir.String();
    const std::string portText = std::to_string(port);
    switch (contender.kind) {
    case Kind::Tolmix:
        dir.WriteFile("bench.tcf", "Address=127.0.0.1\r\nPort=" + portText + "\r\nAutoSend=\r\n");
        options.args = {(dir.Path() / "bench.tcf").string()};
        break;
    case Kind::TinTin:
        dir.WriteFile("bench.tin", "#action {^end-of-burst$} {" + kBurstSeen +
                                       "}\n#session bench 127.0.0.1 " + portText + "\n");
        options.args = {"-G", (dir.Path() / "bench.tin").string()};
        break;
    case Kind::TinyFugue:
        dir.WriteFile("bench.tf",
                      "/def -mglob -t\"end-of-burst\" burst_seen = /send " + kBurstSeen + "\n");
        options.args = {"-f" + (dir.Path() / "bench.tf").string(), "127.0.0.1", portText};
        break;
    }
    return options;
}

const std::string& EndOfBurst(const Contender& contender) {
    return contender.kind == Kind::Tolmix ? kVersionRequest : kEndOfBurst;
}
const std::string& BurstAnswer(const Contender& contender) {
    return contender.kind == Kind::Tolmix ? kVersionAnswer : kBurstSeen;
}

class Measurer {
  public:
    Measurer(const Options& options, std::string burst)
        : options_(options), burst_(std::move(burst)) {}

    // One fresh process of `contender`; figures that failed stay empty (the reason printed).
    Run Measure(Contender& contender) const {
        Run run;
        TempDir dir("tolmix-peer-bench");
        LoopbackServer server;
        const SessionOptions launch = Launch(contender, dir, server.Port());

        const auto spawned = Clock::now();
        std::unique_ptr<PtySession> client;
        try {
            client = std::make_unique<PtySession>(launch);
        } catch (const std::exception& e) {
            Fail(contender, std::string("cannot start: ") + e.what());
            return run;
        }
        // Accepted on a thread of its own, so the time is the server's, while this one drains
        // the pty.
        std::optional<LoopbackServer::Peer> peer;
        Clock::time_point acceptedAt;
        std::atomic<bool> accepted{false};
        std::thread acceptor([&] {
            peer = server.Accept(10s);
            acceptedAt = Clock::now();
            accepted = true;
        });
        client->WaitFor([&] { return accepted.load(); }, 11s);
        acceptor.join();
        if (!peer) {
            Fail(contender, "did not connect within 10 s\n" + client->Dump());
            return run;
        }
        run.startupMs = Ms(acceptedAt - spawned);

        // Start-up work (banner, greeting, negotiation) is not idleness.
        client->PumpFor(1000ms);
        peer->Take();
        MeasureIdle(*client, run);
        if (!MeasureKeys(contender, *client, *peer, run))
            return run;
        if (!MeasureBurst(contender, *client, *peer, run))
            return run;
        MeasureKeysInBursts(contender, *client, *peer, run);
        if (contender.kind == Kind::Tolmix && !bench::Quit(*client))
            Fail(contender, "did not quit on F10");
        return run; // the others end with the session (SIGTERM)
    }

    // A warm-up start that is not measured: the home set up, the program in the page cache.
    bool WarmUp(Contender& contender) const {
        TempDir dir("tolmix-peer-bench");
        LoopbackServer server;
        try {
            PtySession client(Launch(contender, dir, server.Port()));
            std::optional<LoopbackServer::Peer> peer;
            client.WaitFor([&] { return (peer = server.Accept(0ms)).has_value(); }, 10s);
            if (!peer) {
                Fail(contender, "did not connect within 10 s\n" + client.Dump());
                return false;
            }
            client.PumpFor(500ms);
            if (contender.kind == Kind::Tolmix)
                bench::Quit(client);
        } catch (const std::exception& e) {
            Fail(contender, std::string("cannot start: ") + e.what());
            return false;
        }
        return true;
    }

  private:
    static void Fail(const Contender& contender, const std::string& why) {
        std::fprintf(stderr, "PeerBench: %s: %s\n", contender.name.c_str(), why.c_str());
    }

    // A line of its own after every burst, so that the drawing of this burst's end can be told
    // from the last one's on the screen.
    std::string ClosingLine() const {
        char line[32];
        std::snprintf(line, sizeof line, "Burst %d is over.", ++bursts_);
        return line;
    }

    void MeasureIdle(PtySession& client, Run& run) const {
        const auto before = client.CpuTime();
        const auto wokenBefore = bench::WakeUps(client.Pid());
        client.PumpFor(std::chrono::seconds(options_.idleSeconds));
        const auto after = client.CpuTime();
        const auto wokenAfter = bench::WakeUps(client.Pid());
        if (!before || !after || !wokenBefore || !wokenAfter)
            return;
        const double per10s = 10.0 / options_.idleSeconds;
        run.idleMs = std::chrono::duration<double, std::milli>(*after - *before).count() * per10s;
        run.wakeUps = static_cast<double>(*wokenAfter - *wokenBefore) * per10s;
    }

    bool MeasureKeys(const Contender& contender, PtySession& client, LoopbackServer::Peer& peer,
                     Run& run) const {
        std::vector<double> times;
        for (int i = 0; i < options_.keys; ++i) {
            char command[16];
            std::snprintf(command, sizeof command, "look %04d", i);
            const auto start = Clock::now();
            client.Send(std::string(command) + keys::Enter);
            if (!peer.WaitForReceived(command, 2s)) {
                Fail(contender,
                     std::string("\"") + command + "\" did not arrive\n" + client.Dump());
                return false;
            }
            times.push_back(Ms(Clock::now() - start));
            peer.Take();
            // The echo and screen updates read, so that the client never waits on the terminal.
            client.PumpFor(2ms);
        }
        run.keyMs = bench::Median(times);
        return true;
    }

    // The burst posted, ended by `closing`, and its end answered; false (with the reason
    // printed) when not within the time-out.
    bool Burst(const Contender& contender, PtySession& client, bench::WireWatch& watch,
               const std::string& closing) const {
        client.WaitFor([&] { return watch.AnswerTime().has_value(); }, kBurstTimeout);
        if (!watch.AnswerTime()) {
            Fail(contender, "no answer to the end of the burst\n" + client.Dump());
            return false;
        }
        // The last line reaches the terminal too. The screen is read, not the bytes: a client
        // that writes only the cells that changed leaves out what the row before had alike.
        if (!client.WaitFor([&] { return client.ScreenContains(closing); }, 10s)) {
            Fail(contender, "the burst's last line was not drawn\n" + client.Dump());
            return false;
        }
        return true;
    }

    bool MeasureBurst(const Contender& contender, PtySession& client, LoopbackServer::Peer& peer,
                      Run& run) const {
        bench::WireWatch watch(peer, BurstAnswer(contender), "", kBurstTimeout);
        const std::string closing = ClosingLine();
        const auto start = Clock::now();
        peer.Post(burst_ + closing + "\r\n" + EndOfBurst(contender));
        if (!Burst(contender, client, watch, closing))
            return false;
        run.linesPerSecond = options_.lines / (Ms(*watch.AnswerTime() - start) / 1000.0);
        if (const auto peak = bench::PeakRssKiB(client.Pid()))
            run.peakMiB = *peak / 1024.0;
        return true;
    }

    // Keys typed while bursts are drawn, until enough were typed before their burst ended.
    void MeasureKeysInBursts(const Contender& contender, PtySession& client,
                             LoopbackServer::Peer& peer, Run& run) const {
        std::vector<double> times;
        for (int burst = 0; burst < kMaxKeyBursts && static_cast<int>(times.size()) < options_.keys;
             ++burst) {
            client.PumpFor(100ms);
            bench::WireWatch watch(peer, BurstAnswer(contender), kPing, kBurstTimeout);
            const std::string closing = ClosingLine();
            peer.Post(burst_ + closing + "\r\n" + EndOfBurst(contender));
            // The burst on its way before the first key; a client may draw nothing of it
            // until it has read it all.
            client.PumpFor(kBetweenKeys);
            // Typed at a steady pace without waiting for the answers: a client that reads
            // no keys while it is flooded answers them all late.
            std::vector<Clock::time_point> presses;
            while (!watch.AnswerTime() &&
                   static_cast<int>(times.size() + presses.size()) < options_.keys) {
                presses.push_back(Clock::now());
                client.Send(kPing + keys::Enter);
                client.PumpFor(kBetweenKeys);
            }
            if (!Burst(contender, client, watch, closing))
                return;
            if (!client.WaitFor([&] { return watch.Markers() >= presses.size(); }, 10s)) {
                Fail(contender, std::to_string(presses.size() - watch.Markers()) + " of " +
                                    std::to_string(presses.size()) +
                                    " keys typed during a burst never reached the server");
                return;
            }
            // Keys typed before the burst ended, also those answered only after it.
            const auto end = *watch.AnswerTime();
            const auto answered = watch.MarkerTimes();
            for (std::size_t i = 0; i < presses.size(); ++i)
                if (presses[i] < end)
                    times.push_back(Ms(answered[i] - presses[i]));
        }
        if (static_cast<int>(times.size()) < options_.keys) {
            Fail(contender, "only " + std::to_string(times.size()) + " keys typed during " +
                                std::to_string(kMaxKeyBursts) + " bursts");
            if (times.empty())
                return;
        }
        run.burstKeyMedian = bench::Median(times);
        run.burstKeyP99 = bench::Percentile(times, 0.99);
    }

    const Options& options_;
    const std::string burst_;
    mutable int bursts_ = 0;
};

// The median over the runs of one figure, or a dash when no run gave it.
std::string Cell(const std::vector<Run>& runs, std::optional<double> Run::*figure,
                 const char* format) {
    std::vector<double> values;
    for (const Run& run : runs)
        if (run.*figure)
            values.push_back(*(run.*figure));
    if (values.empty())
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, format, bench::Median(values));
    return text;
}

std::optional<double> MedianOf(const std::vector<Run>& runs, std::optional<double> Run::*figure) {
    std::vector<double> values;
    for (const Run& run : runs)
        if (run.*figure)
            values.push_back(*(run.*figure));
    if (values.empty())
        return std::nullopt;
    return bench::Median(values);
}

std::string Ratio(const std::vector<Run>& a, const std::vector<Run>& b,
                  std::optional<double> Run::*figure) {
    const auto x = MedianOf(a, figure);
    const auto y = MedianOf(b, figure);
    if (!x || !y || *x == 0.0)
        return "-";
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", *y / *x);
    return text;
}

// Digits grouped by thousands: 462,831.
std::string Grouped(double value) {
    std::string digits = std::to_string(static_cast<long long>(value + 0.5));
    for (int at = static_cast<int>(digits.size()) - 3; at > 0; at -= 3)
        digits.insert(static_cast<std::size_t>(at), ",");
    return digits;
}

void PrintTable(const std::vector<Contender>& contenders,
                const std::vector<std::vector<Run>>& results, bool ratio) {
    std::printf("\n| client | lines/s | idle CPU ms/10 s, wake-ups | key-to-wire ms | key-to-wire "
                "in a burst ms, median / 99%% | start-up ms | peak RSS MB |\n"
                "|---|---|---|---|---|---|---|\n");
    for (std::size_t i = 0; i < contenders.size(); ++i) {
        const auto& runs = results[i];
        const auto rate = MedianOf(runs, &Run::linesPerSecond);
        std::printf(
            "| %s | %s | %s, %s | %s | %s / %s | %s | %s |\n", contenders[i].name.c_str(),
            rate ? Grouped(*rate).c_str() : "-", Cell(runs, &Run::idleMs, "%.2f").c_str(),
            Cell(runs, &Run::wakeUps, "%.0f").c_str(), Cell(runs, &Run::keyMs, "%.3f").c_str(),
            Cell(runs, &Run::burstKeyMedian, "%.3f").c_str(),
            Cell(runs, &Run::burstKeyP99, "%.3f").c_str(),
            Cell(runs, &Run::startupMs, "%.1f").c_str(), Cell(runs, &Run::peakMiB, "%.1f").c_str());
    }
    if (ratio && contenders.size() == 2) {
        const auto& a = results[0];
        const auto& b = results[1];
        std::printf("| ratio (second / first) | %s | %s, %s | %s | %s / %s | %s | %s |\n",
                    Ratio(a, b, &Run::linesPerSecond).c_str(), Ratio(a, b, &Run::idleMs).c_str(),
                    Ratio(a, b, &Run::wakeUps).c_str(), Ratio(a, b, &Run::keyMs).c_str(),
                    Ratio(a, b, &Run::burstKeyMedian).c_str(),
                    Ratio(a, b, &Run::burstKeyP99).c_str(), Ratio(a, b, &Run::startupMs).c_str(),
                    Ratio(a, b, &Run::peakMiB).c_str());
    }
}

void Usage() {
    std::fprintf(stderr,
                 "usage: PeerBench [--client PATH] [--runs N] [--lines N] [--keys N] "
                 "[--idle-seconds N] [--no-peers]\n"
                 "       PeerBench --build NAME=PATH --build NAME=PATH [options]   two builds "
                 "of this client, with their ratio\n");
}

} // namespace

int main(int argc, char** argv) {
    Options options;
    std::string client = TOLMIX_CLIENT_PATH;
    std::vector<std::pair<std::string, std::string>> builds;
    bool ok = true;
    for (int i = 1; ok && i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--no-peers") {
            options.peers = false;
        } else if (!hasValue) {
            ok = false;
        } else if (arg == "--client") {
            client = argv[++i];
        } else if (arg == "--build") {
            const std::string value = argv[++i];
            const std::size_t equals = value.find('=');
            ok = equals != std::string::npos && equals > 0;
            if (ok)
                builds.emplace_back(value.substr(0, equals), value.substr(equals + 1));
        } else if (arg == "--runs" || arg == "--lines" || arg == "--keys" ||
                   arg == "--idle-seconds") {
            const int value = std::atoi(argv[++i]);
            ok = value > 0 && value <= 5000000;
            (arg == "--runs"    ? options.runs
             : arg == "--lines" ? options.lines
             : arg == "--keys"  ? options.keys
                                : options.idleSeconds) = value;
        } else {
            ok = false;
        }
    }
    if (!ok || builds.size() == 1 || builds.size() > 2) {
        Usage();
        return 64;
    }

    std::vector<Contender> contenders;
    std::vector<std::string> missing;
    auto add = [&](std::string name, Kind kind, std::string program) {
        contenders.push_back({std::move(name), kind, std::move(program),
                              std::make_unique<TempDir>("tolmix-peer-home")});
    };
    if (builds.empty()) {
        add("this client", Kind::Tolmix, client);
    } else {
        options.peers = false;
        for (const auto& [name, path] : builds)
            add(name, Kind::Tolmix, path);
    }
    if (options.peers) {
        if (const std::string tf = FindProgram("tf5"); !tf.empty())
            add("TinyFugue 5", Kind::TinyFugue, tf);
        else if (const std::string tf4 = FindProgram("tf"); !tf4.empty())
            add("TinyFugue", Kind::TinyFugue, tf4);
        else
            missing.push_back("TinyFugue (tf5, tf)");
        if (const std::string tt = FindProgram("tt++"); !tt.empty())
            add("TinTin++", Kind::TinTin, tt);
        else
            missing.push_back("TinTin++ (tt++)");
    }

    std::string burst;
    burst.reserve(static_cast<std::size_t>(options.lines) * 76);
    for (int i = 1; i <= options.lines; ++i)
        burst += bench::BurstLine(i);
    const Measurer measurer(options, std::move(burst));

    for (auto it = contenders.begin(); it != contenders.end();) {
        std::printf("%s: %s\n", it->name.c_str(), it->program.c_str());
        if (measurer.WarmUp(*it)) {
            ++it;
            continue;
        }
        missing.push_back(it->name + " (does not start)");
        it = contenders.erase(it);
    }
    std::vector<std::vector<Run>> results(contenders.size());
    std::fflush(stdout);
    // Interleaved: every run starts each client once, in an order that turns round.
    for (int run = 0; run < options.runs; ++run) {
        for (std::size_t k = 0; k < contenders.size(); ++k) {
            const std::size_t i = (k + static_cast<std::size_t>(run)) % contenders.size();
            std::fprintf(stderr, "run %d of %d: %s\n", run + 1, options.runs,
                         contenders[i].name.c_str());
            results[i].push_back(measurer.Measure(contenders[i]));
        }
    }

    std::printf("\n%d lines of 75 bytes, %d keys, %d s idle; medians of %d fresh processes each\n",
                options.lines, options.keys, options.idleSeconds, options.runs);
    PrintTable(contenders, results, !builds.empty());
    if (!missing.empty()) {
        std::printf("\nmissing:");
        for (const auto& name : missing)
            std::printf(" %s;", name.c_str());
        std::printf(" scripts/deps installs the peers for developers\n");
    }
    if (builds.empty() && contenders.size() > 1) {
        const auto mine = MedianOf(results[0], &Run::linesPerSecond);
        std::optional<double> best;
        std::string bestName;
        for (std::size_t i = 1; i < contenders.size(); ++i) {
            const auto rate = MedianOf(results[i], &Run::linesPerSecond);
            if (rate && (!best || *rate > *best)) {
                best = rate;
                bestName = contenders[i].name;
            }
        }
        if (mine && best)
            std::printf("\nthroughput against the best peer (%s): %.2fx\n", bestName.c_str(),
                        *mine / *best);
    }
    return 0;
}
