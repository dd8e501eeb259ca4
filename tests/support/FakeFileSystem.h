#pragma once

#include "platform/FileSystem.h"

#include <map>
#include <set>
#include <string>

namespace tolmix::test {

// Files held in memory; a path listed in Unreadable exists but fails to read.
class FakeFileSystem final : public FileSystem {
  public:
    std::map<std::string, std::string> Files;
    std::set<std::string> Unreadable;
    std::string Cwd = "/home/player";
    std::string Program = "/opt/tolmix/tolmix-client";

    void Add(const std::string& path, std::string data) { Files[path] = std::move(data); }

    bool FileExists(std::string_view path) const override {
        const std::string p(path);
        return Files.count(p) != 0 || Unreadable.count(p) != 0;
    }
    FileReadResult ReadFile(std::string_view path) const override {
        const std::string p(path);
        if (Unreadable.count(p))
            return {false, {}, "Input/output error"};
        auto it = Files.find(p);
        if (it == Files.end())
            return {false, {}, "No such file or directory"};
        return {true, it->second, {}};
    }
    std::string CurrentDirectory() const override { return Cwd; }
    bool SetCurrentDirectory(std::string_view path) override {
        Cwd = std::string(path);
        return true;
    }
    std::string ProgramPath() const override { return Program; }
};

} // namespace tolmix::test
