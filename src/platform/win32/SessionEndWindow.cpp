#include "platform/win32/SessionEndWindow.h"
#include "platform/win32/Win32EventLoop.h"

#include <windows.h>

namespace tolmix::win32 {

namespace {

constexpr wchar_t ClassName[] = L"TolmixClientSessionEnd";

LRESULT CALLBACK OnMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (const std::optional<intptr_t> answer = AnswerSessionEnd(message, wParam))
        return *answer;
    switch (message) {
    case WM_CLOSE:
        ::DestroyWindow(window);
        return 0;
    case WM_DESTROY:
        ::PostQuitMessage(0);
        return 0;
    default:
        return ::DefWindowProcW(window, message, wParam, lParam);
    }
}

} // namespace

std::optional<intptr_t> AnswerSessionEnd(unsigned message, uintptr_t ending) {
    switch (message) {
    case WM_QUERYENDSESSION:
        return TRUE; // the client may always end; it does so in order
    case WM_ENDSESSION:
        if (ending != 0)
            EndInOrder();
        return 0;
    default:
        return std::nullopt;
    }
}

SessionEndWindow::SessionEndWindow() {
    HANDLE created = ::CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (created == nullptr)
        return;
    Thread = std::thread([this, created] { Run(created); });
    // The window is made before the client starts, so no notice goes unheard.
    ::WaitForSingleObject(created, INFINITE);
    ::CloseHandle(created);
}

SessionEndWindow::~SessionEndWindow() {
    if (Handle != nullptr)
        ::PostMessageW(static_cast<HWND>(Handle), WM_CLOSE, 0, 0);
    if (Thread.joinable())
        Thread.join();
}

void SessionEndWindow::Run(void* created) {
    WNDCLASSW windowClass{};
    windowClass.lpfnWndProc = OnMessage;
    windowClass.hInstance = ::GetModuleHandleW(nullptr);
    windowClass.lpszClassName = ClassName;
    ::RegisterClassW(&windowClass); // fails harmlessly when a second window registers it again
    // Top-level and never shown: message-only windows hear no broadcasts.
    HWND window = ::CreateWindowExW(0, ClassName, L"", WS_OVERLAPPED, 0, 0, 0, 0, nullptr, nullptr,
                                    windowClass.hInstance, nullptr);
    Handle = window;
    ::SetEvent(static_cast<HANDLE>(created));
    if (window == nullptr)
        return;
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
}

} // namespace tolmix::win32
