#include "platform/win32/Win32Clipboard.h"
#include "platform/win32/WinText.h"

#include <windows.h>

#include <cstring>

namespace tolmix::win32 {

namespace {

// Another program may hold the clipboard for a moment; it is asked a few times.
bool OpenTheClipboard() {
    for (int attempt = 0; attempt < 5; ++attempt) {
        if (::OpenClipboard(nullptr))
            return true;
        ::Sleep(10);
    }
    return false;
}

} // namespace

void Win32Clipboard::SetText(std::string_view text) {
    const std::wstring wide = Cp1251ToWide(text.substr(0, text.find('\0')));
    const size_t bytes = (wide.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (memory == nullptr)
        return;
    void* data = ::GlobalLock(memory);
    if (data == nullptr) {
        ::GlobalFree(memory);
        return;
    }
    std::memcpy(data, wide.c_str(), bytes);
    ::GlobalUnlock(memory);
    if (!OpenTheClipboard()) {
        ::GlobalFree(memory);
        return;
    }
    ::EmptyClipboard();
    if (::SetClipboardData(CF_UNICODETEXT, memory) == nullptr)
        ::GlobalFree(memory); // only memory the clipboard took is the clipboard's
    ::CloseClipboard();
}

std::optional<std::string> Win32Clipboard::GetText() {
    if (!::IsClipboardFormatAvailable(CF_UNICODETEXT) || !OpenTheClipboard())
        return std::nullopt;
    std::optional<std::string> text;
    if (HANDLE memory = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* data = static_cast<const wchar_t*>(::GlobalLock(memory))) {
            // Bounded by the block's size: a text without its terminating zero ends there.
            const size_t limit = ::GlobalSize(memory) / sizeof(wchar_t);
            size_t length = 0;
            while (length < limit && data[length] != L'\0')
                ++length;
            text = WideToCp1251(std::wstring_view(data, length));
            ::GlobalUnlock(memory);
        }
    }
    ::CloseClipboard();
    return text;
}

} // namespace tolmix::win32
