// What a plugin's ProcessIdle costs while nothing is pending: one pass of the input loop on the
// real event loop, with the client's two panel timers running. The goal is about a loop pass
// (well under 1 ms a call), never a wait for the next timer.
#include "platform/posix/PosixEventLoop.h"
#include "support/FakeTerminal.h"
#include "support/ScriptedLoopClient.h"
#include "ui/ConsoleScreen.h"
#include "ui/InputLoop.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace tolmix;

int main(int argc, char** argv) {
    int calls = 1000;
    if (argc == 3 && std::strcmp(argv[1], "--calls") == 0)
        calls = std::atoi(argv[2]);
    if (calls <= 0 || argc == 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s [--calls N]\n", argv[0]);
        return 2;
    }
    posix::PosixEventLoop loop;
    test::FakeTerminal term;
    ConsoleScreen screen(term);
    InputLoop console(term, loop, screen);
    screen.SetBufferSize(MakeCoord(80, 25));
    int ticks = 0;
    loop.SetTimer(100, [&] { ++ticks; });
    loop.SetTimer(250, [&] { ++ticks; });
    test::ScriptedLoopClient client; // no work in the idle step

    std::vector<double> each;
    each.reserve(static_cast<size_t>(calls));
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < calls; ++i) {
        const auto before = std::chrono::steady_clock::now();
        console.Pass(client);
        each.push_back(
            std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - before)
                .count());
    }
    const double total =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    std::sort(each.begin(), each.end());
    std::printf("ProcessIdle pass: %d calls in %.2f ms; median %.4f ms, 99%% %.4f ms, max %.4f ms; "
                "%d timer ticks meanwhile (goal: no call waits, about 1 ms at the most)\n",
                calls, total, each[each.size() / 2], each[each.size() * 99 / 100], each.back(),
                ticks);
    return 0;
}
