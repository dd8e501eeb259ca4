#pragma once

#include "platform/FileSystem.h"
#include "platform/PathStyle.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// The command history kept between runs: one file for each settings file, in the client's
// state folder, named after the settings file and a hash of its full path (two "hero.tcf" in
// different folders keep two histories).
//
// The file is Windows-1251 text: a first line naming the format, then the entries oldest
// first, one a line, a backslash, CR and LF inside an entry written as "\\", "\r" and "\n".
class HistoryFile {
  public:
    // The newest entries that fit in this many bytes are written; a file longer than the
    // reading limit is no history of this client's and is not read.
    static constexpr size_t MaxWrittenBytes = size_t{1} << 20;
    static constexpr size_t MaxReadBytes = size_t{2} << 20;

    // `settingsPath` is the full path of the settings file.
    HistoryFile(FileSystem& files, std::string_view stateFolder, std::string_view settingsPath);

    const std::string& Path() const { return FilePath; }

    // What a reading found: the entries (console code page), or a line's worth of why not
    // (Windows-1251, empty for a file that is not there yet).
    struct Reading {
        std::vector<std::string> Entries;
        std::string Problem;
    };
    Reading Load() const;
    // 0, or why the file could not be written (a FileErrors code); the old file then stays.
    // An empty history is written only over a file that exists.
    int Save(const std::vector<std::string>& entries);

  private:
    FileSystem& Files;
    const std::string FilePath;
};

// The file's name in the state folder.
std::string HistoryFileName(std::string_view settingsPath, PathStyle style);
// The file's text of the newest entries (console code page) that fit in `maxBytes`.
std::string HistoryFileText(const std::vector<std::string>& entries, size_t maxBytes);
// The entries of a file's text (console code page); nothing for a text that is no history.
std::optional<std::vector<std::string>> ReadHistoryText(std::string_view text);

} // namespace tolmix
