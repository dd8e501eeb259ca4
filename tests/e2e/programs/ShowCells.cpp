// Draws cells and a title that hold control bytes through the real terminal backend, then
// waits for Escape: the end-to-end tests read back what reached the terminal.
#include "platform/posix/PosixEventLoop.h"
#include "platform/posix/PosixTerminal.h"

#include <chrono>

using namespace tolmix;

int main() {
    posix::PosixEventLoop loop;
    posix::PosixTerminal terminal(loop);
    terminal.SetTitle("Bad\x07title\x1b]2;evil\x1b\\\x9b"
                      "1m\r\n\x85!");
    Frame frame;
    frame.Resize(20, 3, Cell{' ', 7});
    const uint8_t row[] = {0x07, 0x1B, 0x9B, 0x00, 0x0D, 0x0A, 0x7F, 0xC4, 0x01, 0x10};
    for (int x = 0; x < 10; ++x)
        frame.At(x, 0) = Cell{row[x], 0x1E};
    frame.CursorX = 20; // one past the last column
    frame.CursorY = 1;
    terminal.Present(frame);
    const auto deadline = SteadyClock::now() + std::chrono::seconds(10);
    while (SteadyClock::now() < deadline) {
        loop.Wait(terminal.InputDeadline() ? terminal.InputDeadline() : deadline);
        InputRecord record;
        while (terminal.ReadInput(record)) {
            if (record.Type == InputRecord::Kind::Key && record.Key.VirtualKey == 0x1B)
                return 0;
        }
    }
    return 2;
}
