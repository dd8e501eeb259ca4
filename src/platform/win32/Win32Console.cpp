#include "platform/win32/Win32Console.h"
#include "platform/vt/Composition.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/WinText.h"

#include <windows.h>

#include <algorithm>
#include <cstdlib>
#include <stdexcept>
#include <vector>

namespace tolmix::win32 {

namespace {

COLORREF ToColorRef(uint32_t rgb) {
    return RGB((rgb >> 16) & 0xFF, (rgb >> 8) & 0xFF, rgb & 0xFF);
}

bool ReadBufferInfo(HANDLE output, CONSOLE_SCREEN_BUFFER_INFOEX& info) {
    info = {};
    info.cbSize = sizeof info;
    return ::GetConsoleScreenBufferInfoEx(output, &info) != 0;
}

bool WriteBufferInfo(HANDLE output, CONSOLE_SCREEN_BUFFER_INFOEX info) {
    // The window rectangle is read inclusive but written exclusive: without this the window
    // shrinks by a row and a column at every write.
    ++info.srWindow.Right;
    ++info.srWindow.Bottom;
    return ::SetConsoleScreenBufferInfoEx(output, &info) != 0;
}

ConsoleKeyRecord KeyRecordOf(const KEY_EVENT_RECORD& key) {
    return {key.bKeyDown != 0,    key.wRepeatCount,      key.wVirtualKeyCode,
            key.wVirtualScanCode, key.uChar.UnicodeChar, key.dwControlKeyState};
}

} // namespace

KeyEvent KeyEventFromConsole(const ConsoleKeyRecord& key) {
    KeyEvent event;
    event.KeyDown = key.KeyDown;
    event.RepeatCount = key.RepeatCount;
    event.VirtualKey = key.VirtualKey;
    event.ScanCode = key.ScanCode;
    event.Char = TypedCharToConsole(key.Char);
    event.ControlKeyState = key.ControlKeyState;
    constexpr uint32_t ctrlAlt = CtrlPressed | AltPressed;
    if (key.VirtualKey == VK_MENU && !key.KeyDown && key.Char != 0) {
        // Alt let go after digits typed on the numeric pad: the character they make comes
        // with the release, and is typed like any other.
        event.KeyDown = true;
        event.RepeatCount = 1;
        event.VirtualKey = 0;
        event.ScanCode = 0;
        event.ControlKeyState &= ~ctrlAlt;
    } else if ((key.ControlKeyState & CtrlPressed) != 0 &&
               (key.ControlKeyState & AltPressed) != 0 && event.Char >= 0x20) {
        // AltGr, which the console reports as Ctrl+Alt: the layout made a character of the
        // key, so it is that character. Ctrl+Alt with no character keeps both.
        event.ControlKeyState &= ~ctrlAlt;
    }
    return event;
}

std::size_t ComposeWithFollowing(ConsoleKeyRecord& typed,
                                 const std::vector<ConsoleKeyRecord>& following) {
    if (!typed.KeyDown || typed.Char < 0x20)
        return 0;
    for (std::size_t i = 0; i < following.size(); ++i) {
        const ConsoleKeyRecord& next = following[i];
        if (!next.KeyDown) {
            // The release of Alt may carry a character of its own (Alt + numeric pad).
            if (next.VirtualKey == VK_MENU)
                return 0;
            continue;
        }
        if (!vt::IsCombiningMark(static_cast<char32_t>(next.Char)))
            return 0;
        const std::optional<char32_t> composed =
            vt::Compose(static_cast<char32_t>(typed.Char), static_cast<char32_t>(next.Char));
        if (!composed)
            return 0;
        typed.Char = static_cast<wchar_t>(*composed);
        return i + 1;
    }
    return 0;
}

unsigned long ClientInputMode(bool mouse) {
    // No processed input (Ctrl+C is a key), no QuickEdit (a click would stop the client's
    // writes until the selection ends), size changes as they happen, and the wheel if wanted.
    return ENABLE_EXTENDED_FLAGS | ENABLE_WINDOW_INPUT | (mouse ? ENABLE_MOUSE_INPUT : 0);
}

int WheelNotches(uint32_t buttonState) {
    // The high word is the signed distance, positive away from the user; a notch is 120,
    // and a finer wheel's part of one still scrolls.
    const int delta = static_cast<int16_t>(static_cast<uint16_t>(buttonState >> 16));
    if (delta == 0)
        return 0;
    const int notches = std::max(std::abs(delta) / WHEEL_DELTA, 1);
    return delta > 0 ? -notches : notches;
}

std::optional<MouseEvent> LeftButtonEvent(uint32_t eventFlags, uint32_t buttonState, int column,
                                          int row, bool& leftHeld) {
    if ((eventFlags & (MOUSE_WHEELED | MOUSE_HWHEELED)) != 0)
        return std::nullopt;
    const bool down = (buttonState & FROM_LEFT_1ST_BUTTON_PRESSED) != 0;
    MouseEvent event;
    event.Column = column;
    event.Row = row;
    if (down && !leftHeld)
        event.Type = MouseEvent::Action::Press;
    else if (!down && leftHeld)
        event.Type = MouseEvent::Action::Release;
    else if (down && (eventFlags & MOUSE_MOVED) != 0)
        event.Type = MouseEvent::Action::Drag;
    else
        return std::nullopt;
    leftHeld = down;
    return event;
}

CellRect ChangedCells(const Frame& before, const Frame& after) {
    CellRect rect;
    if (before.Width != after.Width || before.Height != after.Height)
        return CellRect{0, 0, after.Width, after.Height};
    rect.Left = after.Width;
    rect.Top = after.Height;
    for (int y = 0; y < after.Height; ++y)
        for (int x = 0; x < after.Width; ++x)
            if (!(before.At(x, y) == after.At(x, y))) {
                rect.Left = std::min(rect.Left, x);
                rect.Right = std::max(rect.Right, x + 1);
                rect.Top = std::min(rect.Top, y);
                rect.Bottom = std::max(rect.Bottom, y + 1);
            }
    return rect.Empty() ? CellRect{} : rect;
}

Win32Console::Win32Console(Win32EventLoop& loop) : Loop(loop) {
    Input = ::GetStdHandle(STD_INPUT_HANDLE);
    UserOutput = ::GetStdHandle(STD_OUTPUT_HANDLE);
    DWORD mode = 0;
    if (Input == nullptr || Input == INVALID_HANDLE_VALUE || !::GetConsoleMode(Input, &mode))
        throw std::runtime_error("The client needs a console to run in: " +
                                 SystemErrorText(::GetLastError()));
    SavedInputMode = mode;
    Output = ::CreateConsoleScreenBuffer(GENERIC_READ | GENERIC_WRITE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                         CONSOLE_TEXTMODE_BUFFER, nullptr);
    if (Output == INVALID_HANDLE_VALUE || !::SetConsoleActiveScreenBuffer(Output)) {
        // Without a buffer of its own the client draws on the user's.
        if (Output != INVALID_HANDLE_VALUE)
            ::CloseHandle(Output);
        Output = UserOutput;
    }
    wchar_t title[1024] = {};
    const DWORD length = ::GetConsoleTitleW(title, 1024);
    SavedTitle.assign(title, std::min<DWORD>(length, 1023));
    CONSOLE_SCREEN_BUFFER_INFOEX info;
    if (ReadBufferInfo(Output, info))
        std::copy(std::begin(info.ColorTable), std::end(info.ColorTable), SavedPalette.begin());
    ::SetConsoleMode(Input, ClientInputMode(Mouse));
    Active = true;
    QuerySize();
    SizeChanged = false;
    Loop.WatchWaitHandle(Input);
}

Win32Console::~Win32Console() {
    Restore();
}

void Win32Console::Restore() {
    if (!Active)
        return;
    Active = false;
    Loop.UnwatchWaitHandle(Input);
    ResetPalette();
    if (FullScreen)
        SetFullScreen(false);
    ::SetConsoleTitleW(SavedTitle.c_str());
    // With the extended flags, so that QuickEdit and insert mode come back as they were.
    ::SetConsoleMode(Input, SavedInputMode | ENABLE_EXTENDED_FLAGS);
    if (Output != UserOutput) {
        ::SetConsoleActiveScreenBuffer(UserOutput);
        ::CloseHandle(Output);
        Output = UserOutput;
    }
}

bool Win32Console::QuerySize() {
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (!::GetConsoleScreenBufferInfo(Output, &info))
        return false;
    TerminalSize size;
    size.Columns = info.srWindow.Right - info.srWindow.Left + 1;
    size.Rows = info.srWindow.Bottom - info.srWindow.Top + 1;
    if (size.Columns == CurrentSize.Columns && size.Rows == CurrentSize.Rows)
        return false;
    CurrentSize = size;
    SizeChanged = true;
    return true;
}

void Win32Console::RequestSize(int columns, int rows) {
    const COORD largest = ::GetLargestConsoleWindowSize(Output);
    columns = std::clamp(columns, 1, largest.X > 0 ? static_cast<int>(largest.X) : columns);
    rows = std::clamp(rows, 1, largest.Y > 0 ? static_cast<int>(largest.Y) : rows);
    // The window must fit the buffer at every step: shrink the window first, then set the
    // buffer, then the window.
    CONSOLE_SCREEN_BUFFER_INFO info;
    if (::GetConsoleScreenBufferInfo(Output, &info)) {
        SMALL_RECT smaller{0, 0, static_cast<SHORT>(std::min<int>(columns, info.dwSize.X) - 1),
                           static_cast<SHORT>(std::min<int>(rows, info.dwSize.Y) - 1)};
        ::SetConsoleWindowInfo(Output, TRUE, &smaller);
    }
    ::SetConsoleScreenBufferSize(Output,
                                 COORD{static_cast<SHORT>(columns), static_cast<SHORT>(rows)});
    SMALL_RECT window{0, 0, static_cast<SHORT>(columns - 1), static_cast<SHORT>(rows - 1)};
    ::SetConsoleWindowInfo(Output, TRUE, &window);
    if (QuerySize())
        Shown = Frame{};
}

void Win32Console::SetMouseReporting(bool on) {
    Mouse = on;
    if (Active)
        ::SetConsoleMode(Input, ClientInputMode(Mouse));
}

void Win32Console::SetTitle(std::string_view title) {
    ::SetConsoleTitleW(TitleText(title).c_str());
}

bool Win32Console::SetFullScreen(bool on) {
    // Not every console has the call (none after Windows XP in a window of its own), so it is
    // looked up when wanted.
    using SetDisplayMode = BOOL(WINAPI*)(HANDLE, DWORD, PCOORD);
    HMODULE kernel = ::GetModuleHandleW(L"kernel32.dll");
    const auto call = kernel ? reinterpret_cast<SetDisplayMode>(reinterpret_cast<void (*)()>(
                                   ::GetProcAddress(kernel, "SetConsoleDisplayMode")))
                             : nullptr;
    if (call == nullptr)
        return false;
    COORD size{};
    const bool ok = call(Output, on ? 1 /* full screen */ : 2 /* windowed */, &size) != 0;
    if (ok)
        FullScreen = on;
    return ok;
}

void Win32Console::WritePalette(const std::array<uint32_t, 16>& table) {
    CONSOLE_SCREEN_BUFFER_INFOEX info;
    if (!ReadBufferInfo(Output, info))
        return;
    std::copy(table.begin(), table.end(), std::begin(info.ColorTable));
    WriteBufferInfo(Output, info);
}

void Win32Console::SetPalette(int consoleColour, uint32_t rgb) {
    if (consoleColour < 0 || consoleColour > 15)
        return;
    CONSOLE_SCREEN_BUFFER_INFOEX info;
    if (!ReadBufferInfo(Output, info))
        return;
    info.ColorTable[consoleColour] = ToColorRef(rgb);
    if (WriteBufferInfo(Output, info))
        PaletteChanged = true;
}

void Win32Console::ResetPalette() {
    if (!PaletteChanged)
        return;
    WritePalette(SavedPalette);
    PaletteChanged = false;
}

void Win32Console::Present(const Frame& frame) {
    if (QuerySize())
        Shown = Frame{};
    const int width = std::min(frame.Width, CurrentSize.Columns);
    const int height = std::min(frame.Height, CurrentSize.Rows);
    const CellRect rect = ChangedCells(Shown, frame);
    const int right = std::min(rect.Right, width);
    const int bottom = std::min(rect.Bottom, height);
    if (rect.Left < right && rect.Top < bottom) {
        const int w = right - rect.Left;
        const int h = bottom - rect.Top;
        std::vector<CHAR_INFO> cells(static_cast<size_t>(w) * static_cast<size_t>(h));
        for (int y = 0; y < h; ++y)
            for (int x = 0; x < w; ++x) {
                const Cell& cell = frame.At(rect.Left + x, rect.Top + y);
                CHAR_INFO& out = cells[static_cast<size_t>(y) * w + x];
                out.Char.UnicodeChar = ConsoleCellGlyph(cell.Char);
                out.Attributes = cell.Attr & 0xFF;
            }
        SMALL_RECT region{static_cast<SHORT>(rect.Left), static_cast<SHORT>(rect.Top),
                          static_cast<SHORT>(right - 1), static_cast<SHORT>(bottom - 1)};
        ::WriteConsoleOutputW(Output, cells.data(),
                              COORD{static_cast<SHORT>(w), static_cast<SHORT>(h)}, COORD{0, 0},
                              &region);
    }
    if (frame.CursorVisible != Shown.CursorVisible || frame.CursorSize != Shown.CursorSize ||
        Shown.Width == 0) {
        CONSOLE_CURSOR_INFO cursor{static_cast<DWORD>(std::clamp(frame.CursorSize, 1, 100)),
                                   frame.CursorVisible ? TRUE : FALSE};
        ::SetConsoleCursorInfo(Output, &cursor);
    }
    if (frame.CursorX != Shown.CursorX || frame.CursorY != Shown.CursorY || Shown.Width == 0) {
        const int x = std::clamp(frame.CursorX, 0, std::max(width - 1, 0));
        const int y = std::clamp(frame.CursorY, 0, std::max(height - 1, 0));
        ::SetConsoleCursorPosition(Output, COORD{static_cast<SHORT>(x), static_cast<SHORT>(y)});
    }
    Shown = frame;
}

void Win32Console::Flash() {
    HWND window = ::GetConsoleWindow();
    if (window == nullptr || ::GetForegroundWindow() == window)
        return;
    FLASHWINFO flash{sizeof flash, window, FLASHW_ALL | FLASHW_TIMERNOFG, 0, 0};
    ::FlashWindowEx(&flash);
}

uint64_t Win32Console::WindowId() const {
    return reinterpret_cast<uintptr_t>(::GetConsoleWindow());
}

void Win32Console::FoldCombiningMark(ConsoleKeyRecord& key) {
    if (!key.KeyDown || key.Char < 0x20)
        return;
    // A mark comes within a few records of its letter, or not at all.
    INPUT_RECORD waiting[4];
    DWORD count = 0;
    if (!::PeekConsoleInputW(Input, waiting, 4, &count))
        return;
    std::vector<ConsoleKeyRecord> following;
    for (DWORD i = 0; i < count && waiting[i].EventType == KEY_EVENT; ++i)
        following.push_back(KeyRecordOf(waiting[i].Event.KeyEvent));
    if (const std::size_t used = ComposeWithFollowing(key, following); used > 0) {
        DWORD read = 0;
        ::ReadConsoleInputW(Input, waiting, static_cast<DWORD>(used), &read);
    }
}

bool Win32Console::ReadInput(InputRecord& record) {
    if (SizeChanged) {
        SizeChanged = false;
        record = InputRecord{};
        record.Type = InputRecord::Kind::Resize;
        return true;
    }
    const uint64_t waits = Loop.Waits();
    if (waits == ProbedAtWait && ++PassesSinceProbe < StreamingProbeInterval)
        return false;
    // Bounded: records the client does not use (mouse, menu) are dropped a few at a time.
    for (int round = 0; round < 64; ++round) {
        DWORD pending = 0;
        if (!::GetNumberOfConsoleInputEvents(Input, &pending) || pending == 0) {
            ProbedAtWait = waits;
            PassesSinceProbe = 0;
            return false;
        }
        INPUT_RECORD in;
        DWORD read = 0;
        if (!::ReadConsoleInputW(Input, &in, 1, &read) || read == 0)
            return false;
        switch (in.EventType) {
        case KEY_EVENT: {
            ConsoleKeyRecord key = KeyRecordOf(in.Event.KeyEvent);
            FoldCombiningMark(key);
            record = InputRecord::FromKey(KeyEventFromConsole(key));
            return true;
        }
        case MOUSE_EVENT: {
            const MOUSE_EVENT_RECORD& mouse = in.Event.MouseEvent;
            if (!Mouse)
                break;
            if ((mouse.dwEventFlags & MOUSE_WHEELED) != 0) {
                const int notches = WheelNotches(mouse.dwButtonState);
                if (notches == 0)
                    break;
                record = InputRecord{};
                record.Type = InputRecord::Kind::Wheel;
                record.Wheel = notches;
                return true;
            }
            // The position counts cells of the buffer, where the frame is drawn from the top
            // left.
            const std::optional<MouseEvent> left =
                LeftButtonEvent(mouse.dwEventFlags, mouse.dwButtonState, mouse.dwMousePosition.X,
                                mouse.dwMousePosition.Y, LeftHeld);
            if (!left)
                break;
            record = InputRecord{};
            record.Type = InputRecord::Kind::Mouse;
            record.Mouse = *left;
            return true;
        }
        case FOCUS_EVENT:
            Focused = in.Event.FocusEvent.bSetFocus != 0;
            record = InputRecord{};
            record.Type = InputRecord::Kind::Focus;
            record.Focused = Focused;
            return true;
        case WINDOW_BUFFER_SIZE_EVENT:
            if (QuerySize()) {
                SizeChanged = false;
                Shown = Frame{};
                record = InputRecord{};
                record.Type = InputRecord::Kind::Resize;
                return true;
            }
            break;
        default:
            break;
        }
    }
    return false;
}

} // namespace tolmix::win32
