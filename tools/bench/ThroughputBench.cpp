// Lines per second from a loopback game server through the whole client to the screen: the
// client in an 80x25 pseudo-terminal whose output is read (and drawn into the terminal model)
// all the time, the server sending a burst of ANSI-coloured lines of about 75 bytes in one go,
// ended by its version request. The time runs from the burst's first byte until the client's
// answer arrives. During the burst F1 is pressed a few times; its key macro sends "ping", and
// the time from the key's bytes entering the pty until "ping" arrives at the server is the
// key-to-wire latency. Run on demand; the goals are at least 250,000 lines/s and every key
// answered within 50 ms. With --plain (last) the lines are plain Windows-1251 text of the same
// length, without colours. With --triggers (after --plain if both) the client has a busy
// player's trigger file loaded, 1,000 easy and 100 pure triggers that the burst sets not off;
// the goal is then at least 200,000 lines/s. With --compressed (last) the server turns on
// compression (MCCP2) before the burst and sends it as one zlib stream. With --narrow (last of
// all) the terminal is 40 columns wide, so that every line of the burst wraps.
#include "BenchSupport.h"
#include "WireWatch.h"
#include "e2e/harness/GameSession.h"
#include "support/ZlibStreams.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string_view>
#include <vector>

using namespace tolmix::e2e;
using namespace std::chrono_literals;
using Clock = bench::WireWatch::Clock;

namespace {

constexpr double kGoalLinesPerSecond = 250000.0;
constexpr double kGoalWithTriggers = 200000.0;
constexpr double kGoalKeyMs = 50.0;
constexpr int kKeyPresses = 8;
constexpr auto kBetweenKeys = 40ms;
constexpr auto kBurstTimeout = 120s;

const std::string VersionAnswer = "\x80\x80v1.4\r\n";
const std::string Ping = "ping\r\n";

double Ms(Clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

} // namespace

int main(int argc, char** argv) {
    SessionOptions session;
    int lines = 200000;
    // --narrow: a screen narrower than the lines.
    const bool narrow = argc > 1 && std::string_view(argv[argc - 1]) == "--narrow";
    if (narrow)
        --argc;
    // --compressed: the burst comes as one compressed stream (MCCP2).
    const bool compressed = argc > 1 && std::string_view(argv[argc - 1]) == "--compressed";
    if (compressed)
        --argc;
    // --triggers: a trigger file to match every line against.
    const bool triggers = argc > 1 && std::string_view(argv[argc - 1]) == "--triggers";
    if (triggers)
        --argc;
    // --plain: Windows-1251 text without colours, where the decoder has least to do.
    const bool plain = argc > 1 && std::string_view(argv[argc - 1]) == "--plain";
    if (plain)
        --argc;
    if (!bench::ParseArguments(argc, argv, "ThroughputBench", "--lines", 5000000, lines, session))
        return 64;

    GameSessionOptions options;
    options.program = session.program;
    if (narrow)
        options.columns = 40;
    options.settings = "AutoSend=\r\nMacrosFile=keys\r\n";
    options.files = {{"keys.tmf", "F1=ping\r\n"}};
    if (triggers) {
        options.settings += "TriggerFile=busy\r\n";
        options.files.emplace_back("busy.ttr", bench::BusyTriggerFile(1000, 100));
    }
    std::unique_ptr<GameSession> game;
    try {
        game = std::make_unique<GameSession>(options);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "ThroughputBench: cannot start the client: %s\n", e.what());
        return 1;
    }
    PtySession& client = game->Client();
    if (!game->Connect(5s) ||
        !client.WaitFor([&] { return FirstFrameDrawn(client.Screen()); }, 5s)) {
        std::fprintf(stderr, "ThroughputBench: the client did not connect and draw\n%s",
                     client.Dump().c_str());
        return 1;
    }
    if (compressed) {
        // IAC WILL COMPRESS2; the client's DO comes back while the terminal is pumped.
        game->Peer().Post("\xFF\xFB\x56");
    }
    client.PumpFor(200ms);

    std::string burst;
    burst.reserve(static_cast<std::size_t>(lines) * 80 + 8);
    for (int i = 1; i <= lines; ++i)
        burst += plain ? bench::PlainBurstLine(i) : bench::BurstLine(i);
    const double lineBytes = static_cast<double>(burst.size()) / lines;
    burst += "\x80\x80v\r\n";
    if (compressed)
        burst = "\xFF\xFA\x56\xFF\xF0" + tolmix::test::Deflate(burst);

    bench::WireWatch watch(game->Peer(), VersionAnswer, Ping, kBurstTimeout);
    const auto start = Clock::now();
    game->Peer().Post(burst);

    // Keys only once the burst shows, and only while it lasts.
    client.WaitFor([&] { return client.ScreenContains("quick brown"); }, 10s);
    std::vector<Clock::time_point> presses;
    for (int i = 0; i < kKeyPresses && !watch.AnswerTime(); ++i) {
        presses.push_back(Clock::now());
        client.Send(keys::F1);
        client.WaitFor([&] { return watch.Markers() > presses.size() - 1; }, 5s);
        client.PumpFor(kBetweenKeys);
    }
    const bool finished =
        client.WaitFor([&] { return watch.AnswerTime().has_value(); }, kBurstTimeout) ||
        watch.AnswerTime().has_value();
    if (!finished) {
        std::fprintf(stderr, "ThroughputBench: no version answer within %lld s\n%s",
                     static_cast<long long>(kBurstTimeout.count()), client.Dump().c_str());
        return 1;
    }
    const auto end = *watch.AnswerTime();
    const double seconds = Ms(end - start) / 1000.0;
    const double rate = lines / seconds;
    const double goal = triggers ? kGoalWithTriggers : kGoalLinesPerSecond;
    const bool rateMet = rate >= goal;
    std::printf("%d lines of %.1f bytes in %.3f s%s: %.0f lines/s (goal: at least %.0f) %s\n",
                lines, lineBytes, seconds, triggers ? " with 1,100 triggers" : "", rate, goal,
                rateMet ? "met" : "MISSED");

    // The last line reaches the screen too.
    char lastLine[16];
    std::snprintf(lastLine, sizeof lastLine, "%07d The", lines);
    if (!client.WaitFor([&] { return client.ScreenContains(lastLine); }, 5s)) {
        std::fprintf(stderr, "ThroughputBench: the last line is not on the screen\n%s",
                     client.Dump().c_str());
        return 1;
    }

    // Key-to-wire of the presses whose answer came before the burst ended.
    const std::vector<Clock::time_point> pings = watch.MarkerTimes();
    std::vector<double> latencies;
    for (std::size_t i = 0; i < presses.size() && i < pings.size(); ++i)
        if (pings[i] < end)
            latencies.push_back(Ms(pings[i] - presses[i]));
    bool keysMet = false;
    if (latencies.empty()) {
        std::printf("key to wire: no key was answered during the burst (%zu pressed) MISSED\n",
                    presses.size());
    } else {
        std::sort(latencies.begin(), latencies.end());
        const double max = latencies.back();
        keysMet = max <= kGoalKeyMs && latencies.size() == presses.size();
        std::printf("key to wire during the burst: %zu of %zu keys, median %.2f ms, max %.2f ms "
                    "(goal: every key within %.0f ms) %s\n",
                    latencies.size(), presses.size(), latencies[latencies.size() / 2], max,
                    kGoalKeyMs, keysMet ? "met" : "MISSED");
    }

    if (!bench::Quit(client))
        std::fprintf(stderr, "ThroughputBench: the client did not quit\n");
    return rateMet && keysMet ? 0 : 2;
}
