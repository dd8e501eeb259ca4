#include "platform/win32/Win32Clipboard.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cstring>

namespace tolmix::win32 {
namespace {

TEST(Win32Clipboard, TextCrossesAsUnicodeAndComesBackInWindows1251) {
    Win32Clipboard clipboard;
    clipboard.SetText("\xCF\xF0\xE8\xE2\xE5\xF2, world\r\n\xB9"); // "Привет, world", "№"
    ASSERT_TRUE(::OpenClipboard(nullptr));
    const auto* shared =
        static_cast<const wchar_t*>(::GlobalLock(::GetClipboardData(CF_UNICODETEXT)));
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(std::wstring(shared), L"\x041F\x0440\x0438\x0432\x0435\x0442, world\r\n\x2116");
    ::GlobalUnlock(::GetClipboardData(CF_UNICODETEXT));
    ::CloseClipboard();
    EXPECT_EQ(clipboard.GetText(), "\xCF\xF0\xE8\xE2\xE5\xF2, world\r\n\xB9");

    // Another program's text: what Windows-1251 lacks becomes "?".
    clipboard.SetText("x");
    ASSERT_TRUE(::OpenClipboard(nullptr));
    ::EmptyClipboard();
    const wchar_t text[] = L"\x4E2D\x6587 ok";
    HGLOBAL memory = ::GlobalAlloc(GMEM_MOVEABLE, sizeof text);
    std::memcpy(::GlobalLock(memory), text, sizeof text);
    ::GlobalUnlock(memory);
    ::SetClipboardData(CF_UNICODETEXT, memory);
    ::CloseClipboard();
    EXPECT_EQ(clipboard.GetText(), "?? ok");
}

} // namespace
} // namespace tolmix::win32
