#include "platform/win32/Win32Registry.h"
#include "platform/win32/Win32FileSystem.h"
#include "platform/win32/WinText.h"

#include <windows.h>

#include <optional>

namespace tolmix::win32 {

namespace {

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

int Win32Registry::RegisterFileTypes(std::string_view programPath,
                                     const std::vector<FileTypeEntry>& types) {
    const std::wstring program = Utf8ToWide(programPath);
    const std::wstring root = Places.Classes + L"\\";
    for (const FileTypeEntry& type : types) {
        const std::wstring name = Utf8ToWide(type.TypeName);
        const std::wstring typeKey = root + name;
        LSTATUS status = WriteKey(root + Utf8ToWide(type.Extension), name);
        if (status == ERROR_SUCCESS)
            status = WriteKey(typeKey, name);
        if (status == ERROR_SUCCESS)
            status = WriteKey(typeKey + L"\\DefaultIcon", program + L",0");
        if (status == ERROR_SUCCESS && type.OpensWithProgram) {
            status = WriteKey(typeKey + L"\\shell", std::wstring(L"open"));
            if (status == ERROR_SUCCESS)
                status = WriteKey(typeKey + L"\\shell\\open", std::nullopt);
            if (status == ERROR_SUCCESS)
                status = WriteKey(typeKey + L"\\shell\\open\\command", program + L" \"%1\"");
        }
        if (status != ERROR_SUCCESS)
            return FileErrorFromSystem(static_cast<unsigned long>(status));
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

bool Win32Registry::ConsoleKeyExists(std::string_view programPath) const {
    HKEY key = nullptr;
    if (::RegOpenKeyExW(HKEY_CURRENT_USER, ConsoleKeyName(programPath).c_str(), 0, KEY_READ,
                        &key) != ERROR_SUCCESS)
        return false;
    ::RegCloseKey(key);
    return true;
}

int Win32Registry::WriteConsoleValues(std::string_view programPath,
                                      const std::vector<ConsoleValue>& values) {
    HKEY key = nullptr;
    LSTATUS status = ::RegCreateKeyExW(HKEY_CURRENT_USER, ConsoleKeyName(programPath).c_str(), 0,
                                       nullptr, 0, KEY_SET_VALUE, nullptr, &key, nullptr);
    for (size_t i = 0; status == ERROR_SUCCESS && i < values.size(); ++i) {
        const DWORD data = values[i].Data;
        status = ::RegSetValueExW(key, Utf8ToWide(values[i].Name).c_str(), 0, REG_DWORD,
                                  reinterpret_cast<const BYTE*>(&data), sizeof data);
    }
    if (key)
        ::RegCloseKey(key);
    return status == ERROR_SUCCESS ? 0 : FileErrorFromSystem(static_cast<unsigned long>(status));
}

} // namespace tolmix::win32
