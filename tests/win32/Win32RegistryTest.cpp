#include "platform/win32/Win32Registry.h"
#include "app/SystemRegistration.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <optional>

namespace tolmix::win32 {
namespace {

// Every write of these tests goes below one test key of the current user, removed afterwards.
class Win32RegistryTest : public ::testing::Test {
  protected:
    const std::wstring Base =
        L"Software\\TolmixClientTests\\" + std::to_wstring(::GetCurrentProcessId());
    Win32Registry Registry{RegistryPlaces{Base + L"\\Classes", Base + L"\\Console"}};

    void TearDown() override { ::RegDeleteTreeW(HKEY_CURRENT_USER, Base.c_str()); }

    std::optional<std::wstring> Text(const std::wstring& key, const wchar_t* value = nullptr) {
        wchar_t data[512] = {};
        DWORD size = sizeof data;
        if (::RegGetValueW(HKEY_CURRENT_USER, (Base + L"\\" + key).c_str(), value, RRF_RT_REG_SZ,
                           nullptr, data, &size) != ERROR_SUCCESS)
            return std::nullopt;
        return std::wstring(data);
    }
    std::optional<DWORD> Number(const std::wstring& key, const wchar_t* value) {
        DWORD data = 0;
        DWORD size = sizeof data;
        if (::RegGetValueW(HKEY_CURRENT_USER, (Base + L"\\" + key).c_str(), value, RRF_RT_REG_DWORD,
                           nullptr, &data, &size) != ERROR_SUCCESS)
            return std::nullopt;
        return data;
    }
    bool KeyExists(const std::wstring& key) {
        HKEY handle = nullptr;
        if (::RegOpenKeyExW(HKEY_CURRENT_USER, (Base + L"\\" + key).c_str(), 0, KEY_READ,
                            &handle) != ERROR_SUCCESS)
            return false;
        ::RegCloseKey(handle);
        return true;
    }
};

TEST_F(Win32RegistryTest, FileTypesAreClassKeysOfTheCurrentUser) {
    // "C:\Игры\tolmix-client.exe" in UTF-8, as the client carries paths.
    const std::string program = "C:\\\xD0\x98\xD0\xB3\xD1\x80\xD1\x8B\\tolmix-client.exe";
    const std::wstring wide = L"C:\\\x0418\x0433\x0440\x044B\\tolmix-client.exe";
    ASSERT_EQ(Registry.RegisterFileTypes(program, ClientFileTypes()), 0);

    EXPECT_EQ(Text(L"Classes\\.tcf"), L"Tolmix Client Config");
    EXPECT_EQ(Text(L"Classes\\Tolmix Client Config"), L"Tolmix Client Config");
    EXPECT_EQ(Text(L"Classes\\Tolmix Client Config\\DefaultIcon"), wide + L",0");
    EXPECT_EQ(Text(L"Classes\\Tolmix Client Config\\shell"), L"open");
    EXPECT_TRUE(KeyExists(L"Classes\\Tolmix Client Config\\shell\\open"));
    EXPECT_EQ(Text(L"Classes\\Tolmix Client Config\\shell\\open"), std::nullopt);
    EXPECT_EQ(Text(L"Classes\\Tolmix Client Config\\shell\\open\\command"), wide + L" \"%1\"");

    EXPECT_EQ(Text(L"Classes\\.tmf"), L"Tolmix Client Macros Config");
    EXPECT_EQ(Text(L"Classes\\Tolmix Client Macros Config\\DefaultIcon"), wide + L",0");
    EXPECT_FALSE(KeyExists(L"Classes\\Tolmix Client Macros Config\\shell"));
    EXPECT_EQ(Text(L"Classes\\.taf"), L"Tolmix Client Alias Config");
    EXPECT_FALSE(KeyExists(L"Classes\\Tolmix Client Alias Config\\shell"));
}

TEST_F(Win32RegistryTest, TheConsoleKeyIsNamedByThePathAndHoldsTheColourTable) {
    const std::string program = "C:\\Games\\TolmixClient.exe";
    EXPECT_EQ(Registry.ConsoleKeyName(program), Base + L"\\Console\\C:_Games_TolmixClient.exe");
    EXPECT_FALSE(Registry.ConsoleKeyExists(program));
    EXPECT_FALSE(RegisterSystem(Registry, program)); // the first run
    EXPECT_TRUE(Registry.ConsoleKeyExists(program));
    EXPECT_FALSE(Registry.ConsoleKeyExists("C:\\Games\\Other.exe"));
    for (int i = 0; i < 16; ++i) {
        const std::wstring name =
            L"ColorTable" + std::wstring(i < 10 ? L"0" : L"") + std::to_wstring(i);
        EXPECT_TRUE(Number(L"Console\\C:_Games_TolmixClient.exe", name.c_str())) << i;
    }
    EXPECT_EQ(Number(L"Console\\C:_Games_TolmixClient.exe", L"ColorTable16"), std::nullopt);
    EXPECT_TRUE(RegisterSystem(Registry, program)); // known from now on
}

} // namespace
} // namespace tolmix::win32
