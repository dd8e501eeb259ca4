#include "platform/win32/StartupError.h"
#include "platform/win32/WinText.h"

#include <windows.h>

namespace tolmix::win32 {

namespace {

// "Press any key to close the window." in Windows-1251.
constexpr std::string_view PressAnyKey = "\xCD\xE0\xE6\xEC\xE8\xF2\xE5 \xEB\xFE\xE1\xF3\xFE "
                                         "\xEA\xEB\xE0\xE2\xE8\xF8\xF3, \xF7\xF2\xEE\xE1\xFB "
                                         "\xE7\xE0\xEA\xF0\xFB\xF2\xFC \xEE\xEA\xED\xEE.";

bool IsConsole(HANDLE handle) {
    DWORD mode = 0;
    return ::GetConsoleMode(handle, &mode) != 0;
}

void Write(HANDLE handle, const std::wstring& text) {
    DWORD written = 0;
    if (IsConsole(handle)) {
        ::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    const UINT codePage = ::GetConsoleOutputCP() != 0 ? ::GetConsoleOutputCP() : CP_UTF8;
    const int size = ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()),
                                           nullptr, 0, nullptr, nullptr);
    if (size <= 0)
        return;
    std::string bytes(static_cast<size_t>(size), '\0');
    ::WideCharToMultiByte(codePage, 0, text.data(), static_cast<int>(text.size()), bytes.data(),
                          size, nullptr, nullptr);
    ::WriteFile(handle, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// Waits for a key pressed from now on; the window's close button ends the process.
void WaitForKey() {
    HANDLE input =
        ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      nullptr, OPEN_EXISTING, 0, nullptr);
    if (input == INVALID_HANDLE_VALUE)
        return;
    DWORD mode = 0;
    ::GetConsoleMode(input, &mode);
    ::SetConsoleMode(input, ENABLE_EXTENDED_FLAGS);
    ::FlushConsoleInputBuffer(input);
    for (;;) {
        INPUT_RECORD record;
        DWORD read = 0;
        if (!::ReadConsoleInputW(input, &record, 1, &read) || read == 0)
            break;
        if (record.EventType == KEY_EVENT && record.Event.KeyEvent.bKeyDown &&
            record.Event.KeyEvent.wVirtualKeyCode != VK_SHIFT &&
            record.Event.KeyEvent.wVirtualKeyCode != VK_CONTROL &&
            record.Event.KeyEvent.wVirtualKeyCode != VK_MENU)
            break;
    }
    ::SetConsoleMode(input, mode | ENABLE_EXTENDED_FLAGS);
    ::CloseHandle(input);
}

} // namespace

std::wstring MessageText(std::string_view message) {
    if (message.empty())
        return {};
    const int size = ::MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, message.data(),
                                           static_cast<int>(message.size()), nullptr, 0);
    if (size <= 0)
        return Cp1251ToWide(message);
    return Utf8ToWide(message);
}

bool ConsoleOwnedAlone() {
    DWORD processes[2] = {};
    return ::GetConsoleProcessList(processes, 2) == 1;
}

void ShowStartupError(std::string_view message) {
    HANDLE error = ::GetStdHandle(STD_ERROR_HANDLE);
    if (error == nullptr || error == INVALID_HANDLE_VALUE)
        return;
    Write(error, L"tolmix-client: " + MessageText(message) + L"\r\n");
    if (!IsConsole(error) || !ConsoleOwnedAlone())
        return;
    Write(error, Cp1251ToWide(PressAnyKey) + L"\r\n");
    WaitForKey();
}

} // namespace tolmix::win32
