// The console driver on a real console: draws frames into the client's screen buffer and reads
// the cells back, feeds key records into the console's input, and checks what is put back.
#include "platform/win32/Win32Console.h"
#include "platform/VirtualKeys.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <utility>
#include <vector>

namespace tolmix::win32 {
namespace {

using namespace std::chrono_literals;

class Win32ConsoleTest : public ::testing::Test {
  protected:
    void SetUp() override {
        DWORD mode = 0;
        if (!::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode)) {
            ::FreeConsole();
            ::AllocConsole();
            // The standard handles of a made console are not set up by the runtime; the
            // console driver reads them.
            for (const auto& [which, name] :
                 {std::pair{STD_INPUT_HANDLE, L"CONIN$"}, std::pair{STD_OUTPUT_HANDLE, L"CONOUT$"}})
                ::SetStdHandle(which, ::CreateFileW(name, GENERIC_READ | GENERIC_WRITE,
                                                    FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                    OPEN_EXISTING, 0, nullptr));
        }
        // Wine makes a working console only for a program started in a terminal; the Windows
        // suite runs these tests in one.
        if (!::GetConsoleMode(::GetStdHandle(STD_INPUT_HANDLE), &mode))
            GTEST_SKIP() << "no console here: run in a terminal";
        ::FlushConsoleInputBuffer(::GetStdHandle(STD_INPUT_HANDLE));
    }

    // The cells of the active screen buffer's first row.
    static std::vector<CHAR_INFO> ShownRow(int width) {
        HANDLE active =
            ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                          FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
        std::vector<CHAR_INFO> cells(static_cast<size_t>(width));
        SMALL_RECT region{0, 0, static_cast<SHORT>(width - 1), 0};
        ::ReadConsoleOutputW(active, cells.data(), COORD{static_cast<SHORT>(width), 1}, COORD{0, 0},
                             &region);
        ::CloseHandle(active);
        return cells;
    }

    static void PutKey(WORD virtualKey, wchar_t c, DWORD state, bool down = true) {
        INPUT_RECORD record{};
        record.EventType = KEY_EVENT;
        record.Event.KeyEvent.bKeyDown = down;
        record.Event.KeyEvent.wRepeatCount = 1;
        record.Event.KeyEvent.wVirtualKeyCode = virtualKey;
        record.Event.KeyEvent.uChar.UnicodeChar = c;
        record.Event.KeyEvent.dwControlKeyState = state;
        DWORD written = 0;
        ::WriteConsoleInputW(::GetStdHandle(STD_INPUT_HANDLE), &record, 1, &written);
    }
};

TEST_F(Win32ConsoleTest, CellsAreDrawnAsCodePage866GlyphsWithTheirAttributes) {
    Win32EventLoop loop;
    Win32Console console(loop);
    const TerminalSize size = console.Size();
    ASSERT_GE(size.Columns, 8);
    Frame frame;
    frame.Resize(size.Columns, size.Rows);
    const uint8_t bytes[] = {'A', 0x80, 0x01, 0x1B, 0xC4, 0xF1};
    for (int x = 0; x < 6; ++x) {
        frame.At(x, 0).Char = bytes[x];
        frame.At(x, 0).Attr = static_cast<uint16_t>(0x10 + x);
    }
    console.Present(frame);
    const std::vector<CHAR_INFO> row = ShownRow(6);
    const wchar_t glyphs[] = {L'A', 0x0410, 0x263A, 0x2190, 0x2500, 0x0451};
    for (int x = 0; x < 6; ++x) {
        EXPECT_EQ(row[x].Char.UnicodeChar, glyphs[x]) << x;
        EXPECT_EQ(row[x].Attributes & 0xFF, 0x10 + x) << x;
    }
    // Only what changed is written again, and it shows.
    frame.At(0, 0).Char = 'B';
    console.Present(frame);
    EXPECT_EQ(ShownRow(1)[0].Char.UnicodeChar, L'B');
}

TEST_F(Win32ConsoleTest, KeyRecordsArriveAsKeyEventsAndEndTheWait) {
    Win32EventLoop loop;
    Win32Console console(loop);
    InputRecord record;
    while (console.ReadInput(record)) {
    }
    auto start = SteadyClock::now();
    loop.Wait(start + 100ms); // nothing typed: the whole wait
    EXPECT_GE(SteadyClock::now() - start, 90ms);

    PutKey(VkLeft, 0, EnhancedKey | LeftCtrlPressed);
    PutKey('F', 0x0430, 0); // the Cyrillic "а" on the F key
    PutKey('F', 0x0430, 0, false);
    start = SteadyClock::now();
    loop.Wait(start + 5s);
    EXPECT_LT(SteadyClock::now() - start, 2s);

    // The terminal may have sent keys of its own before (wine's console reads it too).
    std::vector<KeyEvent> keys;
    for (int i = 0; i < 100 && console.ReadInput(record); ++i)
        if (record.Type == InputRecord::Kind::Key)
            keys.push_back(record.Key);
    const auto left = std::find_if(keys.begin(), keys.end(),
                                   [](const KeyEvent& key) { return key.VirtualKey == VkLeft; });
    ASSERT_GE(keys.end() - left, 3);
    EXPECT_EQ(left[0].ControlKeyState, EnhancedKey | LeftCtrlPressed);
    EXPECT_EQ(left[0].Char, 0);
    EXPECT_EQ(left[1].VirtualKey, 'F');
    EXPECT_EQ(left[1].Char, 0xA0);
    EXPECT_TRUE(left[1].KeyDown);
    EXPECT_FALSE(left[2].KeyDown);
}

TEST_F(Win32ConsoleTest, TheTitleAndInputModeComeBackAtTheEnd) {
    HANDLE input = ::GetStdHandle(STD_INPUT_HANDLE);
    ::SetConsoleMode(input, ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT);
    ::SetConsoleTitleW(L"before");
    {
        Win32EventLoop loop;
        Win32Console console(loop);
        DWORD mode = 1;
        ::GetConsoleMode(input, &mode);
        EXPECT_EQ(mode, 0u); // every key, Ctrl+C included, is the client's
        console.SetTitle("Tolmix \x1b]0;\xCC\xE0\xE4");
        wchar_t title[64] = {};
        ::GetConsoleTitleW(title, 64);
        EXPECT_EQ(std::wstring(title), L"Tolmix ]0;\x041C\x0430\x0434");
    }
    DWORD mode = 0;
    ::GetConsoleMode(input, &mode);
    EXPECT_EQ(mode & (ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT),
              static_cast<DWORD>(ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT));
    wchar_t title[64] = {};
    ::GetConsoleTitleW(title, 64);
    EXPECT_EQ(std::wstring(title), L"before");
}

} // namespace
} // namespace tolmix::win32
