#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/WinText.h"

#include <windows.h>

#include <optional>
#include <utility>

namespace tolmix::win32 {

namespace {

// The longest name one key may have; the console host cannot keep settings for a longer one.
constexpr std::size_t KeyNameLimit = 255;

// Creates (or opens) the key and, when given, sets its default value; closes it again.
LSTATUS WriteKey(const std::wstring& name, const std::optional<std::wstring>& defaultValue) {
    HKEY key = nullptr;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, name.c_str(), 0, nullptr, 0,
                                       KEY_SET_VALUE, nullptr, &key, nullptr);
    if (status != ERROR_SUCCESS)
        return status;
    if (defaultValue)
        status = ::RegSetValueExW(key, nullptr, 0, REG_SZ,
                                  reinterpret_cast<const BYTE*>(defaultValue->c_str()),
                                  static_cast<DWORD>((defaultValue->size() + 1) * sizeof(wchar_t)));
    ::RegCloseKey(key);
    return status;
}

} // namespace

std::wstring OpenCommand(std::string_view programPath) {
    // Both quoted: the shell would otherwise try every blank of the path as the program's end.
    return L"\"" + Utf8ToWide(programPath) + L"\" \"%1\"";
}

int Win32Registry::Failed(const std::wstring& key, long status) {
    Failure = "HKEY_CURRENT_USER\\" + WideToUtf8(key) + ": " +
              SystemErrorText(static_cast<unsigned long>(status));
    return FileErrorFromSystem(static_cast<unsigned long>(status));
}

int Win32Registry::RegisterFileTypes(std::string_view programPath,
                                     const std::vector<FileTypeEntry>& types) {
    const std::wstring program = Utf8ToWide(programPath);
    const std::wstring root = Places.Classes + L"\\";
    for (const FileTypeEntry& type : types) {
        const std::wstring name = Utf8ToWide(type.TypeName);
        const std::wstring typeKey = root + name;
        const std::pair<std::wstring, std::optional<std::wstring>> writes[] = {
            {root + Utf8ToWide(type.Extension), name},
            {typeKey, name},
            {typeKey + L"\\DefaultIcon", L"\"" + program + L"\",0"},
        };
        for (const auto& [key, value] : writes)
            if (const LSTATUS status = WriteKey(key, value); status != ERROR_SUCCESS)
                return Failed(key, status);
        if (!type.OpensWithProgram)
            continue;
        const std::pair<std::wstring, std::optional<std::wstring>> opens[] = {
            {typeKey + L"\\shell", std::wstring(L"open")},
            {typeKey + L"\\shell\\open", std::nullopt},
            {typeKey + L"\\shell\\open\\command", OpenCommand(programPath)},
        };
        for (const auto& [key, value] : opens)
            if (const LSTATUS status = WriteKey(key, value); status != ERROR_SUCCESS)
                return Failed(key, status);
    }
    return 0;
}

std::wstring Win32Registry::ConsoleKeyName(std::string_view programPath) const {
    std::wstring path = Utf8ToWide(programPath);
    for (wchar_t& c : path)
        if (c == L'\\')
            c = L'_';
    return Places.Console + L"\\" + path;
}

bool Win32Registry::ConsoleKeyFits(std::string_view programPath) const {
    return ConsoleKeyName(programPath).size() - Places.Console.size() - 1 <= KeyNameLimit;
}

bool Win32Registry::ConsoleKeyExists(std::string_view programPath) const {
    // A program whose path no key can name has no console settings to wait a new start for.
    if (!ConsoleKeyFits(programPath))
        return true;
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, ConsoleKeyName(programPath).c_str(), 0, KEY_READ,
                        &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

int Win32Registry::WriteConsoleValues(std::string_view programPath,
                                      const std::vector<ConsoleValue>& values) {
    if (!ConsoleKeyFits(programPath))
        return 0;
    const std::wstring name = ConsoleKeyName(programPath);
    HKEY key = nullptr;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, name.c_str(), 0, nullptr, 0,
                                       KEY_SET_VALUE, nullptr, &key, nullptr);
    for (size_t i = 0; status == ERROR_SUCCESS && i < values.size(); ++i) {
        const DWORD data = values[i].Data;
        status = ::RegSetValueExW(key, Utf8ToWide(values[i].Name).c_str(), 0, REG_DWORD,
                                  reinterpret_cast<const BYTE*>(&data), sizeof data);
    }
    if (key)
        ::RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : Failed(name, status);
}

} // namespace tolmix::win32
