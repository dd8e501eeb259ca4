#pragma once

#include "platform/FileSystem.h"

namespace tolmix::posix {

// The FileErrors code of an errno value.
int FileErrorFromErrno(int error);

class PosixFileSystem final : public FileSystem {
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

} // namespace tolmix::posix
