// The console driver on a real console: draws frames into the client's screen buffer and reads
// the cells back, feeds key records into the console's input, and checks what is put back.
#include "platform/win32/Win32Console.h"
#include "platform/VirtualKeys.h"
#include "platform/win32/StartupError.h"
#include "platform/win32/WinText.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <future>
#include <memory>
#include <thread>
#include <tuple>
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
    loop.Wait(start + 100ms);
    // Nothing typed: the whole wait, unless the console reported something (with window input
    // on, the new screen buffer's size may come now).
    DWORD pending = 0;
    ::GetNumberOfConsoleInputEvents(::GetStdHandle(STD_INPUT_HANDLE), &pending);
    EXPECT_TRUE(SteadyClock::now() - start >= 90ms || pending > 0);

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
    const DWORD user = ENABLE_PROCESSED_INPUT | ENABLE_LINE_INPUT | ENABLE_ECHO_INPUT |
                       ENABLE_QUICK_EDIT_MODE | ENABLE_INSERT_MODE | ENABLE_EXTENDED_FLAGS;
    ::SetConsoleMode(input, user);
    ::SetConsoleTitleW(L"before");
    {
        Win32EventLoop loop;
        Win32Console console(loop);
        DWORD mode = 1;
        ::GetConsoleMode(input, &mode);
        // Every key, Ctrl+C included, is the client's; no QuickEdit to freeze it; the wheel
        // and size changes reported.
        EXPECT_EQ(mode & ~static_cast<DWORD>(ENABLE_EXTENDED_FLAGS),
                  static_cast<DWORD>(ENABLE_WINDOW_INPUT | ENABLE_MOUSE_INPUT));
        console.SetMouseReporting(false);
        ::GetConsoleMode(input, &mode);
        EXPECT_EQ(mode & ~static_cast<DWORD>(ENABLE_EXTENDED_FLAGS),
                  static_cast<DWORD>(ENABLE_WINDOW_INPUT));
        console.SetTitle("Tolmix \x1b]0;\xCC\xE0\xE4");
        wchar_t title[64] = {};
        ::GetConsoleTitleW(title, 64);
        EXPECT_EQ(std::wstring(title), L"Tolmix ]0;\x041C\x0430\x0434");
    }
    DWORD mode = 0;
    ::GetConsoleMode(input, &mode);
    EXPECT_EQ(mode & ~static_cast<DWORD>(ENABLE_EXTENDED_FLAGS),
              user & ~static_cast<DWORD>(ENABLE_EXTENDED_FLAGS));
    wchar_t title[64] = {};
    ::GetConsoleTitleW(title, 64);
    EXPECT_EQ(std::wstring(title), L"before");
}

TEST_F(Win32ConsoleTest, AltGrAltNumpadTheWheelAndADragArriveAsTheClientUsesThem) {
    Win32EventLoop loop;
    Win32Console console(loop);
    InputRecord record;
    while (console.ReadInput(record)) {
    }
    // AltGr+Q on a German layout; Alt held, 0 1 7 1 on the numeric pad, Alt let go; a wheel
    // notch away from the user.
    PutKey('Q', L'@', LeftCtrlPressed | RightAltPressed);
    PutKey(VK_MENU, 0, LeftAltPressed);
    PutKey(VK_NUMPAD0, 0, LeftAltPressed);
    PutKey(VK_NUMPAD0, 0, LeftAltPressed, false);
    PutKey(VK_MENU, 0x00AB, 0, false);
    INPUT_RECORD wheel{};
    wheel.EventType = MOUSE_EVENT;
    wheel.Event.MouseEvent.dwEventFlags = MOUSE_WHEELED;
    wheel.Event.MouseEvent.dwButtonState = static_cast<DWORD>(WHEEL_DELTA) << 16;
    DWORD written = 0;
    ::WriteConsoleInputW(::GetStdHandle(STD_INPUT_HANDLE), &wheel, 1, &written);
    // The left button down at column 3 of row 4, moved two columns, and up.
    INPUT_RECORD drag[3]{};
    for (INPUT_RECORD& r : drag)
        r.EventType = MOUSE_EVENT;
    drag[0].Event.MouseEvent = {{3, 4}, FROM_LEFT_1ST_BUTTON_PRESSED, 0, 0};
    drag[1].Event.MouseEvent = {{5, 4}, FROM_LEFT_1ST_BUTTON_PRESSED, 0, MOUSE_MOVED};
    drag[2].Event.MouseEvent = {{5, 4}, 0, 0, 0};
    ::WriteConsoleInputW(::GetStdHandle(STD_INPUT_HANDLE), drag, 3, &written);
    PutKey(VkF10, 0, 0);
    loop.Wait(SteadyClock::now() + 5s);

    std::vector<InputRecord> records;
    for (int i = 0; i < 100 && console.ReadInput(record); ++i) {
        records.push_back(record);
        if (record.Type == InputRecord::Kind::Key && record.Key.VirtualKey == VkF10)
            break;
    }
    const auto typed = [&](uint8_t c) {
        return std::find_if(records.begin(), records.end(), [c](const InputRecord& r) {
                   return r.Type == InputRecord::Kind::Key && r.Key.KeyDown && r.Key.Char == c &&
                          (r.Key.ControlKeyState & (CtrlPressed | AltPressed)) == 0;
               }) != records.end();
    };
    EXPECT_TRUE(typed('@'));
    EXPECT_TRUE(typed(TypedCharToConsole(L'\x00AB')));
    EXPECT_NE(std::find_if(records.begin(), records.end(),
                           [](const InputRecord& r) {
                               return r.Type == InputRecord::Kind::Wheel && r.Wheel == -1;
                           }),
              records.end());
    std::vector<MouseEvent> mice;
    for (const InputRecord& r : records)
        if (r.Type == InputRecord::Kind::Mouse)
            mice.push_back(r.Mouse);
    EXPECT_EQ(mice, (std::vector<MouseEvent>{{MouseEvent::Action::Press, 3, 4},
                                             {MouseEvent::Action::Drag, 5, 4},
                                             {MouseEvent::Action::Release, 5, 4}}));
}

// Whether the active screen buffer shows the text anywhere.
bool Shows(const std::wstring& text) {
    HANDLE active =
        ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    CONSOLE_SCREEN_BUFFER_INFO info;
    std::wstring cells;
    if (::GetConsoleScreenBufferInfo(active, &info)) {
        cells.resize(static_cast<size_t>(info.dwSize.X) * static_cast<size_t>(info.dwSize.Y));
        DWORD read = 0;
        ::ReadConsoleOutputCharacterW(active, cells.data(), static_cast<DWORD>(cells.size()),
                                      COORD{0, 0}, &read);
        cells.resize(read);
    }
    ::CloseHandle(active);
    return cells.find(text) != std::wstring::npos;
}

TEST_F(Win32ConsoleTest, AStartupErrorOnAConsoleOfItsOwnStaysUntilAKey) {
    if (!ConsoleOwnedAlone())
        GTEST_SKIP() << "the console has other processes: nothing waits there";
    // A folder "Мои игры" in UTF-8, as file names travel, and a Windows-1251 text.
    const std::string message = "cannot write C:\\\xD0\x9C\xD0\xBE\xD0\xB8 "
                                "\xD0\xB8\xD0\xB3\xD1\x80\xD1\x8B\\log";
    // Detached: should the wait never end, the test fails instead of hanging.
    auto done = std::make_shared<std::promise<void>>();
    std::future<void> shown = done->get_future();
    std::thread([message, done] {
        ShowStartupError(message);
        done->set_value();
    }).detach();
    bool seen = false;
    for (int i = 0; i < 500 && !seen; ++i) {
        seen = Shows(L"cannot write C:\\\x041C\x043E\x0438 \x0438\x0433\x0440\x044B\\log") &&
               Shows(L"\x041D\x0430\x0436\x043C\x0438\x0442\x0435"); // "Нажмите ..."
        if (!seen)
            std::this_thread::sleep_for(20ms);
    }
    EXPECT_TRUE(seen);
    // Still there: it waits for the key.
    EXPECT_EQ(shown.wait_for(0s), std::future_status::timeout);
    // Pressed again until it is taken: a key that came before the wait began is not one.
    bool ended = false;
    for (int i = 0; i < 300 && !ended; ++i) {
        PutKey(VK_SPACE, L' ', 0);
        PutKey(VK_SPACE, L' ', 0, false);
        ended = shown.wait_for(100ms) == std::future_status::ready;
    }
    EXPECT_TRUE(ended);
}

TEST(Win32StartupError, MessagesReadAsUtf8OrElseWindows1251) {
    EXPECT_EQ(MessageText("\xD0\x9C\xD0\xBE\xD0\xB8.tcf"), L"\x041C\x043E\x0438.tcf");
    EXPECT_EQ(MessageText("\xCC\xEE\xE8.tcf"), L"\x041C\x043E\x0438.tcf");
    EXPECT_EQ(MessageText(""), L"");
}

TEST(Win32ConsoleKeys, AltGrAndAltNumpadCharactersAreTypedCtrlAltShortcutsStay) {
    // AltGr+Q on a German layout, AltGr+ß, and the Ukrainian ґ on AltGr+г.
    for (const auto& [vk, c, byte] :
         {std::tuple{uint16_t{'Q'}, L'@', uint8_t{'@'}},
          std::tuple{uint16_t{0xDB}, L'\\', uint8_t{'\\'}},
          std::tuple{uint16_t{'U'}, L'\x0491', TypedCharToConsole(L'\x0491')}}) {
        const KeyEvent key =
            KeyEventFromConsole({true, 1, vk, 0x10, c, LeftCtrlPressed | RightAltPressed});
        EXPECT_EQ(key.Char, byte) << vk;
        EXPECT_EQ(key.ControlKeyState & (CtrlPressed | AltPressed), 0u) << vk;
        EXPECT_EQ(key.VirtualKey, vk);
    }
    EXPECT_NE(TypedCharToConsole(L'\x0491'), '?'); // Windows-1251 has it: it reaches the wire
    // Ctrl+Alt+Left and Ctrl+Alt+Q on a layout with nothing there keep both modifiers.
    for (const auto& [vk, c] :
         {std::pair{uint16_t{VkLeft}, L'\0'}, std::pair{uint16_t{'Q'}, L'\x11'}}) {
        const KeyEvent key =
            KeyEventFromConsole({true, 1, vk, 0x10, c, LeftCtrlPressed | LeftAltPressed});
        EXPECT_EQ(key.ControlKeyState, LeftCtrlPressed | LeftAltPressed) << vk;
    }
    // Alt+0171: the digits go by with Alt held, and the release of Alt carries the character.
    const KeyEvent digit = KeyEventFromConsole({true, 1, VK_NUMPAD1, 0x4F, 0, LeftAltPressed});
    EXPECT_EQ(digit.Char, 0);
    EXPECT_NE(digit.ControlKeyState & AltPressed, 0u);
    const KeyEvent release = KeyEventFromConsole({false, 1, VK_MENU, 0x38, L'\x00AB', 0});
    EXPECT_TRUE(release.KeyDown);
    EXPECT_EQ(release.Char, TypedCharToConsole(L'\x00AB'));
    EXPECT_EQ(release.ControlKeyState & (CtrlPressed | AltPressed), 0u);
    // A plain release of Alt stays a release of nothing.
    EXPECT_FALSE(KeyEventFromConsole({false, 1, VK_MENU, 0x38, 0, 0}).KeyDown);
}

// An input method may type a decomposed letter: the letter's key, then the mark's.
TEST(Win32ConsoleKeys, CombiningMarkAfterALetterMakesOneLetter) {
    const ConsoleKeyRecord markDown{true, 1, 0, 0, L'\x0306', 0};
    const ConsoleKeyRecord letterUp{false, 1, 'B', 0x30, L'\x0438', 0};
    ConsoleKeyRecord typed{true, 1, 'B', 0x30, L'\x0438', 0}; // и
    EXPECT_EQ(ComposeWithFollowing(typed, {letterUp, markDown, letterUp}), 2u);
    EXPECT_EQ(typed.Char, L'\x0439'); // й
    EXPECT_EQ(KeyEventFromConsole(typed).Char, TypedCharToConsole(L'\x0439'));
    ConsoleKeyRecord ye{true, 1, 'T', 0x14, L'\x0415', ShiftPressed}; // Е + diaeresis: Ё
    EXPECT_EQ(ComposeWithFollowing(ye, {{true, 1, 0, 0, L'\x0308', 0}}), 1u);
    EXPECT_EQ(ye.Char, L'\x0401');
    // Nothing to join: another letter next, a mark that makes nothing with it, no record yet,
    // an Alt release (it may carry a character), or a release typed first.
    for (const std::vector<ConsoleKeyRecord>& following :
         {std::vector<ConsoleKeyRecord>{{true, 1, 'B', 0x30, L'\x0438', 0}, markDown},
          std::vector<ConsoleKeyRecord>{{true, 1, 0, 0, L'\x0301', 0}},
          std::vector<ConsoleKeyRecord>{},
          std::vector<ConsoleKeyRecord>{{false, 1, VK_MENU, 0x38, L'\x00AB', 0}, markDown}}) {
        ConsoleKeyRecord letter{true, 1, 'B', 0x30, L'\x0438', 0};
        EXPECT_EQ(ComposeWithFollowing(letter, following), 0u);
        EXPECT_EQ(letter.Char, L'\x0438');
    }
    ConsoleKeyRecord released = letterUp;
    EXPECT_EQ(ComposeWithFollowing(released, {markDown}), 0u);
}

TEST(Win32ConsoleKeys, WheelRecordsAreNotchesNegativeAwayFromTheUser) {
    EXPECT_EQ(WheelNotches(static_cast<uint32_t>(WHEEL_DELTA) << 16), -1);
    EXPECT_EQ(WheelNotches(static_cast<uint32_t>(static_cast<uint16_t>(-2 * WHEEL_DELTA)) << 16),
              2);
    EXPECT_EQ(WheelNotches(uint32_t{30} << 16), -1); // a fine wheel's part of a notch
    EXPECT_EQ(WheelNotches(FROM_LEFT_1ST_BUTTON_PRESSED), 0);
}

// The console reports the buttons' state with every record; the client hears when the left
// one goes down, moves held and comes up, wherever the other buttons and the wheel are.
TEST(Win32ConsoleKeys, TheLeftButtonGoingDownMovingAndComingUpIsADrag) {
    constexpr uint32_t Left = FROM_LEFT_1ST_BUTTON_PRESSED;
    constexpr uint32_t Right = RIGHTMOST_BUTTON_PRESSED;
    using Action = MouseEvent::Action;
    bool held = false;
    // Motion with no button, and the right button alone, are no events.
    EXPECT_FALSE(LeftButtonEvent(MOUSE_MOVED, 0, 1, 1, held));
    EXPECT_FALSE(LeftButtonEvent(0, Right, 1, 1, held));
    EXPECT_EQ(LeftButtonEvent(0, Left | Right, 3, 4, held), (MouseEvent{Action::Press, 3, 4}));
    EXPECT_TRUE(held);
    EXPECT_EQ(LeftButtonEvent(MOUSE_MOVED, Left, 5, 4, held), (MouseEvent{Action::Drag, 5, 4}));
    // The wheel turned while dragging, and the right button let go, change nothing.
    EXPECT_FALSE(LeftButtonEvent(MOUSE_WHEELED, Left | (uint32_t{WHEEL_DELTA} << 16), 5, 4, held));
    EXPECT_FALSE(LeftButtonEvent(0, Left, 5, 4, held));
    EXPECT_EQ(LeftButtonEvent(0, 0, 6, 2, held), (MouseEvent{Action::Release, 6, 2}));
    EXPECT_FALSE(held);
    // A double click's second press is a press again.
    EXPECT_EQ(LeftButtonEvent(DOUBLE_CLICK, Left, 0, 0, held), (MouseEvent{Action::Press, 0, 0}));
}

} // namespace
} // namespace tolmix::win32
