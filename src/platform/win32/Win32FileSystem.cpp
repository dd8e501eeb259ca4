#include "platform/win32/Win32FileSystem.h"
#include "platform/FileErrors.h"
#include "platform/win32/WinText.h"

#include <windows.h>

#include <algorithm>
#include <memory>
#include <string>

namespace tolmix::win32 {

namespace {

// Settings, macro and alias files are small; anything beyond this is not one of them.
constexpr size_t MaxFileSize = 64 * 1024 * 1024;

struct HandleCloser {
    void operator()(HANDLE handle) const { ::CloseHandle(handle); }
};
using FileHandle = std::unique_ptr<void, HandleCloser>;

FileHandle OpenFile(std::string_view path, DWORD access, DWORD disposition) {
    HANDLE handle = ::CreateFileW(SystemPath(path).c_str(), access,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
    return FileHandle(handle == INVALID_HANDLE_VALUE ? nullptr : handle);
}

} // namespace

std::wstring SystemPath(std::string_view path) {
    std::wstring wide = Utf8ToWide(path);
    // Below the classic limit, and in the long form already, a path goes as it is.
    constexpr std::size_t Limit = MAX_PATH - 12; // room for a folder's "\*.*" and 8.3 name
    if (wide.size() < Limit || wide.rfind(L"\\\\?\\", 0) == 0)
        return wide;
    // The "\\?\" form takes any length but no "." or ".." and no forward slashes: the full
    // path first.
    const DWORD length = ::GetFullPathNameW(wide.c_str(), 0, nullptr, nullptr);
    if (length == 0)
        return wide;
    std::wstring full(length, L'\0');
    const DWORD written = ::GetFullPathNameW(wide.c_str(), length, full.data(), nullptr);
    if (written == 0 || written >= length)
        return wide;
    full.resize(written);
    if (full.rfind(L"\\\\", 0) == 0)
        return L"\\\\?\\UNC\\" + full.substr(2);
    if (full.size() >= 3 && full[1] == L':' && full[2] == L'\\')
        return L"\\\\?\\" + full;
    return wide;
}

int FileErrorFromSystem(unsigned long error) {
    switch (error) {
    case ERROR_SUCCESS:
        return 0;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return FileErrors::DiskFull;
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_TOO_MANY_OPEN_FILES:
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_GEN_FAILURE:
    case ERROR_SHARING_VIOLATION:
    case ERROR_FILENAME_EXCED_RANGE:
    case ERROR_FILE_TOO_LARGE:
    case ERROR_IO_DEVICE:
        return static_cast<int>(error);
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_DIRECTORY:
        return FileErrors::PathNotFound;
    case ERROR_LOCK_VIOLATION:
        return FileErrors::SharingViolation;
    default:
        return FileErrors::GeneralFailure;
    }
}

std::string SystemErrorText(unsigned long error) {
    wchar_t* text = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
        nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
    std::wstring message = length && text ? std::wstring(text, length) : std::wstring();
    if (text)
        ::LocalFree(text);
    while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r' ||
                                message.back() == L' ' || message.back() == L'.'))
        message.pop_back();
    if (message.empty())
        return "system error " + std::to_string(error);
    return WideToUtf8(message);
}

bool Win32FileSystem::FileExists(std::string_view path) const {
    const DWORD attributes = ::GetFileAttributesW(SystemPath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && !(attributes & FILE_ATTRIBUTE_DIRECTORY);
}

EntryKind Win32FileSystem::Kind(std::string_view path) const {
    const DWORD attributes = ::GetFileAttributesW(Utf8ToWide(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return EntryKind::Missing;
    if (attributes & FILE_ATTRIBUTE_DIRECTORY)
        return EntryKind::Folder;
    // Devices and pipes are told from files only once opened, by ReadFile.
    return EntryKind::File;
}

FileReadResult Win32FileSystem::ReadFile(std::string_view path) const {
    return ReadFileUpTo(path, MaxFileSize);
}

FileReadResult Win32FileSystem::ReadFileUpTo(std::string_view path, size_t limit) const {
    FileReadResult result;
    if (Kind(path) == EntryKind::Folder) {
        result.NotAFile = true;
        result.Error = SystemErrorText(ERROR_DIRECTORY);
        return result;
    }
    const FileHandle file = OpenFile(path, GENERIC_READ, OPEN_EXISTING);
    if (!file) {
        result.Error = SystemErrorText(::GetLastError());
        return result;
    }
    // A console, a pipe or a device such as NUL may never end or may wait for ever.
    if (::GetFileType(file.get()) != FILE_TYPE_DISK) {
        result.NotAFile = true;
        result.Error = SystemErrorText(ERROR_INVALID_FUNCTION);
        return result;
    }
    // Told by its size without a read; a file that grows meanwhile is stopped below.
    LARGE_INTEGER size{};
    if (::GetFileSizeEx(file.get(), &size) && static_cast<uint64_t>(size.QuadPart) > limit) {
        result.TooLarge = true;
        result.Error = SystemErrorText(ERROR_FILE_TOO_LARGE);
        return result;
    }
    char buffer[65536];
    for (;;) {
        DWORD n = 0;
        if (!::ReadFile(file.get(), buffer, sizeof buffer, &n, nullptr)) {
            result.Error = SystemErrorText(::GetLastError());
            return result;
        }
        if (n == 0)
            break;
        if (result.Data.size() + n > limit) {
            result.TooLarge = true;
            result.Error = SystemErrorText(ERROR_FILE_TOO_LARGE);
            return result;
        }
        result.Data.append(buffer, n);
    }
    result.Ok = true;
    return result;
}

int Win32FileSystem::AppendToFile(std::string_view path, std::string_view data) {
    // Append access alone: every write lands at the end, even while another program appends.
    const FileHandle file = OpenFile(path, FILE_APPEND_DATA, OPEN_ALWAYS);
    if (!file)
        return FileErrorFromSystem(::GetLastError());
    while (!data.empty()) {
        const DWORD chunk = static_cast<DWORD>(std::min<size_t>(data.size(), 1 << 20));
        DWORD n = 0;
        if (!::WriteFile(file.get(), data.data(), chunk, &n, nullptr))
            return FileErrorFromSystem(::GetLastError());
        if (n == 0)
            return FileErrors::DiskFull;
        data.remove_prefix(n);
    }
    return 0;
}

int Win32FileSystem::WriteWholeFile(std::string_view path, std::string_view data) {
    const std::string name(path);
    // The missing folders of the path, from the top down; a drive or share root exists.
    for (size_t separator = name.find_first_of("\\/", 1); separator != std::string::npos;
         separator = name.find_first_of("\\/", separator + 1)) {
        if (separator > 0 && name[separator - 1] == ':')
            continue;
        const std::wstring folder = SystemPath(std::string_view(name).substr(0, separator));
        if (!::CreateDirectoryW(folder.c_str(), nullptr) &&
            ::GetLastError() != ERROR_ALREADY_EXISTS && ::GetLastError() != ERROR_ACCESS_DENIED)
            return FileErrorFromSystem(::GetLastError());
    }
    const std::string temporary = name + ".new-" + std::to_string(::GetCurrentProcessId());
    DWORD error = ERROR_SUCCESS;
    {
        const FileHandle file = OpenFile(temporary, GENERIC_WRITE, CREATE_ALWAYS);
        if (!file)
            return FileErrorFromSystem(::GetLastError());
        std::string_view rest = data;
        while (!rest.empty() && error == ERROR_SUCCESS) {
            const DWORD chunk = static_cast<DWORD>(std::min<size_t>(rest.size(), 1 << 20));
            DWORD n = 0;
            if (!::WriteFile(file.get(), rest.data(), chunk, &n, nullptr))
                error = ::GetLastError();
            else if (n == 0)
                error = ERROR_DISK_FULL;
            else
                rest.remove_prefix(n);
        }
        // On disk before it takes the name: a crash right after the move finds it whole.
        if (error == ERROR_SUCCESS && !::FlushFileBuffers(file.get()))
            error = ::GetLastError();
    }
    if (error == ERROR_SUCCESS &&
        !::MoveFileExW(SystemPath(temporary).c_str(), SystemPath(name).c_str(),
                       MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = ::GetLastError();
    if (error != ERROR_SUCCESS)
        ::DeleteFileW(SystemPath(temporary).c_str());
    return FileErrorFromSystem(error);
}

std::string LocalAppDataFolder() {
    const DWORD length = ::GetEnvironmentVariableW(L"LOCALAPPDATA", nullptr, 0);
    if (length == 0)
        return {};
    std::wstring folder(length, L'\0');
    const DWORD written = ::GetEnvironmentVariableW(L"LOCALAPPDATA", folder.data(), length);
    if (written == 0 || written >= length)
        return {};
    folder.resize(written);
    return WideToUtf8(folder);
}

std::string Win32FileSystem::CurrentDirectory() const {
    const DWORD length = ::GetCurrentDirectoryW(0, nullptr);
    if (length == 0)
        return {};
    std::wstring path(length, L'\0');
    const DWORD written = ::GetCurrentDirectoryW(length, path.data());
    path.resize(written < length ? written : 0);
    return WideToUtf8(path);
}

bool Win32FileSystem::ChangeDirectory(std::string_view path) {
    return ::SetCurrentDirectoryW(Utf8ToWide(path).c_str()) != 0;
}

std::optional<std::vector<std::string>> Win32FileSystem::ListFiles(std::string_view folder) const {
    std::wstring pattern = SystemPath(folder.empty() ? std::string_view(".") : folder);
    if (pattern.back() != L'\\' && pattern.back() != L'/')
        pattern += L'\\';
    pattern += L'*';
    WIN32_FIND_DATAW entry;
    HANDLE find = ::FindFirstFileW(pattern.c_str(), &entry);
    if (find == INVALID_HANDLE_VALUE) {
        if (::GetLastError() == ERROR_FILE_NOT_FOUND)
            return std::vector<std::string>{}; // an empty drive root
        return std::nullopt;
    }
    std::vector<std::string> names;
    do {
        if (!(entry.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
            names.push_back(WideToUtf8(entry.cFileName));
    } while (::FindNextFileW(find, &entry));
    ::FindClose(find);
    return names;
}

std::string Win32FileSystem::ProgramPath() const {
    std::wstring path(MAX_PATH, L'\0');
    for (int round = 0; round < 8; ++round) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (length == 0)
            return {};
        if (length < path.size()) {
            path.resize(length);
            return WideToUtf8(path);
        }
        path.resize(path.size() * 2);
    }
    return {};
}

} // namespace tolmix::win32
