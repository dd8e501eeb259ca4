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
    EXPECT_EQ(Text(L"Classes\\Tolmix Client Config\\DefaultIcon"), L"\"" + wide + L"\",0");
    EXPECT_EQ(Text(L"Classes\\Tolmix Client Config\\shell"), L"open");
    EXPECT_TRUE(KeyExists(L"Classes\\Tolmix Client Config\\shell\\open"));
    EXPECT_EQ(Text(L"Classes\\Tolmix Client Config\\shell\\open"), std::nullopt);
    // Quoted, or a folder "C:\Мои игры" would have the shell start "C:\Мои.exe".
    EXPECT_EQ(Text(L"Classes\\Tolmix Client Config\\shell\\open\\command"),
              L"\"" + wide + L"\" \"%1\"");

    EXPECT_EQ(Text(L"Classes\\.tmf"), L"Tolmix Client Macros Config");
    EXPECT_EQ(Text(L"Classes\\Tolmix Client Macros Config\\DefaultIcon"), L"\"" + wide + L"\",0");
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

TEST_F(Win32RegistryTest, AProgramPathTooLongForAKeyNameStillStarts) {
    const std::string program = "C:\\" + std::string(300, 'x') + "\\tolmix-client.exe";
    // No key can be named by it: nothing to write, and no first run that a new start would end.
    EXPECT_TRUE(RegisterSystem(Registry, program));
    EXPECT_FALSE(KeyExists(L"Console"));
    EXPECT_EQ(Text(L"Classes\\Tolmix Client Config\\shell\\open\\command"),
              L"\"C:\\" + std::wstring(300, L'x') + L"\\tolmix-client.exe\" \"%1\"");
}

TEST_F(Win32RegistryTest, AKeyThatCannotBeWrittenIsNamedWithTheSystemsReason) {
    // Below a volatile key only volatile keys may be made: every write of the file types fails.
    HKEY locked = nullptr;
    ASSERT_EQ(::RegCreateKeyExW(HKEY_CURRENT_USER, (Base + L"\\Locked").c_str(), 0, nullptr,
                                REG_OPTION_VOLATILE, KEY_ALL_ACCESS, nullptr, &locked, nullptr),
              ERROR_SUCCESS);
    ::RegCloseKey(locked);
    Win32Registry registry{RegistryPlaces{Base + L"\\Locked", Base + L"\\Console"}};
    try {
        RegisterSystem(registry, "C:\\Games\\tolmix-client.exe");
        FAIL() << "the write succeeded";
    } catch (const ERegistryException& error) {
        const std::string text = error.what();
        EXPECT_NE(text.find("HKEY_CURRENT_USER\\Software\\TolmixClientTests\\"), std::string::npos)
            << text;
        EXPECT_NE(text.find("\\Locked\\.tcf: "), std::string::npos) << text;
        // The system's sentence, not a bare number.
        EXPECT_EQ(text.find("I/O error"), std::string::npos) << text;
        EXPECT_EQ(text.find(": error "), std::string::npos) << text;
    }
    EXPECT_FALSE(KeyExists(L"Console"));
}

} // namespace
} // namespace tolmix::win32
