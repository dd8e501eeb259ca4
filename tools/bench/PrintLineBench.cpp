// Lines per second through the text printer into the scrollback with the window following, on
// a console in memory: the cost of the client's own printing, without a terminal.
#include "app/TextPrinter.h"
#include "support/DefaultScreen.h"
#include "support/FakeClipboard.h"
#include "support/FakeEventLoop.h"
#include "support/FakeTerminal.h"
#include "support/FakeWallClock.h"
#include "support/PrintTargets.h"
#include "ui/ConsoleScreen.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

using namespace tolmix;

int main(int argc, char** argv) {
    int lines = 2'000'000;
    if (argc == 3 && std::strcmp(argv[1], "--lines") == 0)
        lines = std::atoi(argv[2]);
    if (lines <= 0 || argc == 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s [--lines N]\n", argv[0]);
        return 2;
    }
    test::FakeTerminal term;
    test::FakeEventLoop loop;
    test::FakeWallClock wall;
    ConsoleScreen console(term);
    console.SetBufferSize(MakeCoord(80, 25));
    OutputBuffer output(console, 80, 10000, 21);
    CharacterStatus state;
    GameClock clock(wall);
    StatusPanel panel(console, term, loop, state, clock, test::DefaultPanel());
    test::CountingPrintTargets targets;
    TextPrinter printer(console, output, state, clock, panel, targets, true, '.');
    const size_t& logged = targets.Logged;

    // Eight 80-column lines of Windows-1251 text with colour bytes, as a room or a fight reads.
    std::vector<std::string> samples;
    for (int i = 0; i < 8; ++i) {
        std::string line;
        while (line.size() < 80) {
            line += static_cast<char>(0x80 + (line.size() / 10 + i) % 16);
            line += "\xC3\xEE\xE1\xEB\xE8\xED "; // Гоблин
            line += std::to_string(i * 7 + line.size());
        }
        line.resize(80);
        samples.push_back(line);
    }

    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < lines; ++i)
        printer.PrintLine(samples[static_cast<size_t>(i) % samples.size()]);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("PrintLine: %d coloured 80-column lines in %.3f s = %.0f lines/s "
                "(goal 1000000); %lld rows stored, %zu bytes logged\n",
                lines, seconds, lines / seconds, static_cast<long long>(output.RowCount()), logged);
    return 0;
}
