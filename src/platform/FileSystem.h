#pragma once

#include "platform/PathStyle.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

struct FileReadResult {
    bool Ok = false;
    std::string Data;
    std::string Error; // the system's message when not Ok
    // The name was a named pipe, a device, a socket or a folder, which was never read: reading
    // one may wait for ever or never end.
    bool NotAFile = false;
    // The file is longer than the reader's limit.
    bool TooLarge = false;
};

// What a name stands for.
enum class EntryKind { Missing, File, Folder, Other };

// Files and folders as the client uses them. Paths are as the user wrote them.
class FileSystem {
  public:
    virtual ~FileSystem() = default;
    // True for an existing entry that is not a folder.
    virtual bool FileExists(std::string_view path) const = 0;
    // A regular file is File; a named pipe, a device or a socket is Other. Links are followed.
    virtual EntryKind Kind(std::string_view path) const = 0;
    // Reads a regular file only; any other entry gives NotAFile without waiting on it.
    virtual FileReadResult ReadFile(std::string_view path) const = 0;
    // The same for a file that must hold at most `limit` bytes: a longer one is not read in
    // full (Ok false, FileTooLarge set), however long it is.
    virtual FileReadResult ReadFileUpTo(std::string_view path, size_t limit) const = 0;
    // Writes the file whole, making the missing folders of its path first (for the player
    // alone): the bytes go to a new file beside it, which then takes its name, so that a
    // reader, or a crash, finds the old file or the new one, never half of one. 0, or why it
    // failed as a FileErrors code; a failure leaves the old file as it was.
    virtual int WriteWholeFile(std::string_view path, std::string_view data) = 0;
    // Appends the bytes to the file, creating it when it is missing (an existing file is never
    // emptied), and closes it again, so that the bytes are in the file for every reader when
    // this returns. 0, or why it failed as a FileErrors code.
    virtual int AppendToFile(std::string_view path, std::string_view data) = 0;
    virtual std::string CurrentDirectory() const = 0;
    virtual bool ChangeDirectory(std::string_view path) = 0;
    // Names of the entries of a folder that are not folders themselves (hidden ones included),
    // in no particular order; nothing when the folder cannot be read.
    virtual std::optional<std::vector<std::string>> ListFiles(std::string_view folder) const = 0;
    // Full path of the running program.
    virtual std::string ProgramPath() const = 0;
    // How this file system's paths and file names are spelt.
    virtual PathStyle Style() const { return NativePathStyle; }
};

} // namespace tolmix
