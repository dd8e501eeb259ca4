// Feeds arbitrary lines to the text printer, each line of the input one printed line, with
// the panel, the clock and the countdown drawn after each as the timers would.
#include "app/TextPrinter.h"
#include "support/DefaultScreen.h"
#include "support/FakeClipboard.h"
#include "support/FakeEventLoop.h"
#include "support/FakeTerminal.h"
#include "support/FakeWallClock.h"
#include "support/PrintTargets.h"
#include "ui/ConsoleScreen.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace tolmix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    test::FakeTerminal term;
    test::FakeEventLoop loop;
    test::FakeWallClock wall;
    ConsoleScreen console(term);
    console.SetBufferSize(MakeCoord(80, 25));
    OutputBuffer output(console, 80, 60, 21);
    CharacterStatus state;
    GameClock clock(wall);
    StatusPanelOptions options = test::DefaultPanel();
    options.TimeFormat = "dddd dd mmmm yyyy hh:nn:ss.zzz am/pm c";
    StatusPanel panel(console, term, loop, state, clock, options);
    test::CountingPrintTargets targets;
    TextPrinter printer(console, output, state, clock, panel, targets, true, ',');
    std::string_view input(reinterpret_cast<const char*>(data), size);
    while (!input.empty()) {
        const size_t end = input.find('\n');
        printer.PrintLine(std::string(input.substr(0, end)));
        wall.Advance(Milliseconds(250));
        panel.DrawGameClock(clock.GameClockNow());
        panel.DrawCountdown();
        state.CountDown();
        if (end == std::string_view::npos)
            break;
        input.remove_prefix(end + 1);
    }
    if (output.WindowTop() < output.FirstReachableRow())
        __builtin_trap();
    return 0;
}
