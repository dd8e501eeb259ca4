#pragma once

// The console on fakes: the screen buffer, the input loop and the clipboard over a fake
// terminal, a manual-clock event loop and a fake clipboard.
#include "support/FakeClipboard.h"
#include "support/FakeEventLoop.h"
#include "support/FakeTerminal.h"
#include "ui/ConsoleClipboard.h"
#include "ui/ConsoleScreen.h"
#include "ui/InputLoop.h"

namespace tolmix::test {

struct FakeConsole {
    FakeTerminal Term;
    FakeEventLoop Loop;
    FakeClipboard Clip;
    ConsoleScreen Screen{Term};
    InputLoop Input{Term, Loop, Screen};
    ConsoleClipboard Clipboard{Clip};
};

} // namespace tolmix::test
