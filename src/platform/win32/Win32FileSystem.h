#pragma once

#include "platform/FileSystem.h"

#include <string>
#include <string_view>

namespace tolmix::win32 {

// Win32 error codes as the client's file errors (the same numbers, but for a full disk).
int FileErrorFromSystem(unsigned long error);

// A UTF-8 path as the wide calls take it: a path longer than the classic limit (MAX_PATH) in
// the "\\?\" form, which any Windows opens whatever its long-path setting.
std::wstring SystemPath(std::string_view path);

// Files through the wide Win32 calls; the client's paths are UTF-8, so a name in any letters
// reaches the system intact, and a path of any length.
class Win32FileSystem final : public FileSystem {
  public:
    bool FileExists(std::string_view path) const override;
    EntryKind Kind(std::string_view path) const override;
    FileReadResult ReadFile(std::string_view path) const override;
    FileReadResult ReadFileUpTo(std::string_view path, size_t limit) const override;
    int WriteWholeFile(std::string_view path, std::string_view data) override;
    int AppendToFile(std::string_view path, std::string_view data) override;
    std::string CurrentDirectory() const override;
    bool ChangeDirectory(std::string_view path) override;
    std::optional<std::vector<std::string>> ListFiles(std::string_view folder) const override;
    std::string ProgramPath() const override;
};

// The user's local application data folder (%LOCALAPPDATA%) in UTF-8; empty when unknown.
std::string LocalAppDataFolder();

// The system's text for an error code, in UTF-8 without the trailing line end.
std::string SystemErrorText(unsigned long error);

} // namespace tolmix::win32
