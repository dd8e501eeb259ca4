#pragma once

#include "platform/FileSystem.h"

#include <map>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace tolmix::test {

// Files held in memory; a path listed in Unreadable exists but fails to read, one listed in
// WriteErrors fails every append and replacement with that code. A folder exists
// when it holds a file or is listed in Folders; only a folder listed in Missing cannot be made
// the current directory. Relative names mean the file in the current directory, as they do for
// the real one: files are kept under their full names.
class FakeFileSystem final : public FileSystem {
  public:
    std::map<std::string, std::string> Files;
    std::set<std::string> Unreadable;
    // Named pipes, devices and sockets: they exist, and reading one would never end.
    std::set<std::string> Specials;
    mutable int SpecialReads = 0;
    std::map<std::string, int> WriteErrors;
    int Appends = 0;
    int Replaces = 0;
    std::set<std::string> Folders;
    std::set<std::string> Missing;
    std::vector<std::string> DirectoryChanges;
    std::string Cwd = "/home/player";
    std::string Program = "/opt/tolmix/tolmix-client";

    void Add(const std::string& path, std::string data) { Files[Absolute(path)] = std::move(data); }

    // The full name of a path: a relative one is inside the current directory.
    std::string Absolute(std::string_view path) const {
        if (!path.empty() && path.front() == '/')
            return std::string(path);
        return Cwd + (Cwd.empty() || Cwd.back() == '/' ? "" : "/") + std::string(path);
    }
    bool IsUnreadable(const std::string& absolute) const {
        for (const std::string& path : Unreadable)
            if (Absolute(path) == absolute)
                return true;
        return false;
    }

    bool IsFolder(const std::string& absolute) const {
        const std::string prefix = absolute + "/";
        for (const std::string& folder : Folders)
            if (Absolute(folder) == absolute || Absolute(folder) == prefix)
                return true;
        auto it = Files.lower_bound(prefix);
        return it != Files.end() && it->first.compare(0, prefix.size(), prefix) == 0;
    }
    bool FileExists(std::string_view path) const override {
        const std::string p = Absolute(path);
        return Files.count(p) != 0 || IsUnreadable(p) || Specials.count(p) != 0;
    }
    EntryKind Kind(std::string_view path) const override {
        const std::string p = Absolute(path);
        if (Specials.count(p) != 0)
            return EntryKind::Other;
        if (Files.count(p) != 0 || IsUnreadable(p))
            return EntryKind::File;
        return IsFolder(p) ? EntryKind::Folder : EntryKind::Missing;
    }
    FileReadResult ReadFile(std::string_view path) const override {
        const std::string p = Absolute(path);
        if (Specials.count(p) != 0 || (Files.count(p) == 0 && IsFolder(p))) {
            ++SpecialReads;
            FileReadResult result{false, {}, "Invalid argument"};
            result.NotAFile = true;
            return result;
        }
        if (IsUnreadable(p))
            return {false, {}, "Input/output error"};
        auto it = Files.find(p);
        if (it == Files.end())
            return {false, {}, "No such file or directory"};
        return {true, it->second, {}};
    }
    FileReadResult ReadFileUpTo(std::string_view path, size_t limit) const override {
        FileReadResult result = ReadFile(path);
        if (result.Ok && result.Data.size() > limit) {
            result = {false, {}, "File too large"};
            result.TooLarge = true;
        }
        return result;
    }
    // Whole or not at all, as the real one: a failing path keeps its old text.
    int WriteWholeFile(std::string_view path, std::string_view data) override {
        ++Replaces;
        const std::string p = Absolute(path);
        if (auto it = WriteErrors.find(p); it != WriteErrors.end())
            return it->second;
        Files[p] = std::string(data);
        return 0;
    }
    int AppendToFile(std::string_view path, std::string_view data) override {
        ++Appends;
        const std::string p(path);
        if (auto it = WriteErrors.find(p); it != WriteErrors.end())
            return it->second;
        Files[p] += data;
        return 0;
    }
    std::string CurrentDirectory() const override { return Cwd; }
    bool ChangeDirectory(std::string_view path) override {
        DirectoryChanges.emplace_back(path);
        if (Missing.count(std::string(path)))
            return false;
        Cwd = std::string(path);
        return true;
    }
    // Files directly inside the folder ("/a/b" and "/a/b/" alike), in reverse name order so
    // that nothing can rely on the order of a listing.
    std::optional<std::vector<std::string>> ListFiles(std::string_view folder) const override {
        std::string prefix = Absolute(folder);
        if (!prefix.empty() && prefix.back() != '/')
            prefix += '/';
        std::set<std::string> names;
        bool found = Folders.count(prefix) != 0 || Folders.count(std::string(folder)) != 0;
        auto addIfInside = [&](const std::string& path) {
            if (path.size() <= prefix.size() || path.compare(0, prefix.size(), prefix) != 0)
                return;
            found = true;
            const std::string rest = path.substr(prefix.size());
            if (rest.find('/') == std::string::npos)
                names.insert(rest);
        };
        for (const auto& [path, data] : Files)
            addIfInside(path);
        for (const auto& path : Unreadable)
            addIfInside(Absolute(path));
        if (!found || Missing.count(std::string(folder)))
            return std::nullopt;
        return std::vector<std::string>(names.rbegin(), names.rend());
    }
    std::string ProgramPath() const override { return Program; }
    // The fakes model a POSIX file system, whatever the platform the tests run on.
    PathStyle Style() const override { return PathStyle::Posix; }
};

} // namespace tolmix::test
