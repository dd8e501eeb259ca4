// Megabytes per second through the incoming-line decoder alone: plain Windows-1251 lines (room
// text, no escape sequences, no telnet commands), then lines coloured with SGR sequences. Each
// kind is decoded in several rounds and the median round is reported, so that a busy machine
// skews the figure less.
#include "net/IncomingLine.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace tolmix;

namespace {

constexpr int Rounds = 7;

// Eighty bytes of a room's text in Windows-1251: "Гоблин стоит здесь. Мокрый камень..."
std::string PlainLine(int i) {
    std::string line;
    while (line.size() < 80) {
        line += "\xC3\xEE\xE1\xEB\xE8\xED \xF1\xF2\xEE\xE8\xF2 \xE7\xE4\xE5\xF1\xFC. ";
        line += std::to_string(i * 7 + static_cast<int>(line.size()));
        line += " \xCC\xEE\xEA\xF0\xFB\xE9 \xEA\xE0\xEC\xE5\xED\xFC ";
    }
    line.resize(80);
    return line;
}

std::string ColouredLine(int i) {
    std::string line = "\x1b[1;" + std::to_string(31 + i % 7) + "m";
    line += PlainLine(i).substr(0, 30);
    line += "\x1b[0;37;44m";
    line += PlainLine(i + 1).substr(0, 30);
    line += "\x1b[0m";
    return line;
}

// The median of `Rounds` rounds of decoding every line `repeat` times, in MB/s.
template <typename Make> double MegabytesPerSecond(Make make, int lines, std::size_t& sink) {
    std::vector<std::string> samples;
    std::size_t bytes = 0;
    for (int i = 0; i < 64; ++i) {
        samples.push_back(make(i));
        bytes += samples.back().size();
    }
    const int repeat = std::max(1, lines / static_cast<int>(samples.size()));
    std::vector<double> rates;
    for (int round = 0; round < Rounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        for (int r = 0; r < repeat; ++r)
            for (const std::string& line : samples)
                sink += DecodeIncomingLine(line).Text.size();
        const double seconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        rates.push_back(static_cast<double>(bytes) * repeat / seconds / 1e6);
    }
    std::sort(rates.begin(), rates.end());
    return rates[rates.size() / 2];
}

} // namespace

int main(int argc, char** argv) {
    int lines = 1'000'000;
    if (argc == 3 && std::strcmp(argv[1], "--lines") == 0)
        lines = std::atoi(argv[2]);
    if (lines <= 0 || argc == 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s [--lines N]\n", argv[0]);
        return 2;
    }
    std::size_t sink = 0;
    const double plain = MegabytesPerSecond(PlainLine, lines, sink);
    const double coloured = MegabytesPerSecond(ColouredLine, lines, sink);
    std::printf("DecodeIncomingLine, median of %d rounds of %d lines: plain Windows-1251 text "
                "%.0f MB/s, SGR-coloured text %.0f MB/s (%zu bytes out)\n",
                Rounds, lines, plain, coloured, sink);
    return 0;
}
