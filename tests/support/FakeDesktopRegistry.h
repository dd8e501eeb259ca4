#pragma once

#include "platform/DesktopRegistry.h"

#include <map>
#include <string>
#include <vector>

namespace tolmix::test {

// A desktop that keeps the file types and the console settings of each program location in
// memory; a write fails with FileTypesError or ConsoleError when that is not 0. Calls lists
// the operations in order ("types", "exists", "console").
class FakeDesktopRegistry final : public DesktopRegistry {
  public:
    FakeDesktopRegistry() = default;
    // The program at this path was started before: its console settings exist.
    explicit FakeDesktopRegistry(const std::string& startedBefore) { Consoles[startedBefore] = {}; }

    std::string TypesProgram;
    std::vector<FileTypeEntry> Types;
    std::map<std::string, std::vector<ConsoleValue>> Consoles;
    int FileTypesError = 0;
    int ConsoleError = 0;
    // What LastFailure says.
    std::string Failure;
    mutable std::vector<std::string> Calls;

    int RegisterFileTypes(std::string_view programPath,
                          const std::vector<FileTypeEntry>& types) override {
        Calls.push_back("types");
        if (FileTypesError != 0)
            return FileTypesError;
        TypesProgram = std::string(programPath);
        Types = types;
        return 0;
    }
    bool ConsoleKeyExists(std::string_view programPath) const override {
        Calls.push_back("exists");
        return Consoles.count(std::string(programPath)) != 0;
    }
    int WriteConsoleValues(std::string_view programPath,
                           const std::vector<ConsoleValue>& values) override {
        Calls.push_back("console");
        if (ConsoleError != 0)
            return ConsoleError;
        Consoles[std::string(programPath)] = values;
        return 0;
    }
    std::string LastFailure() const override { return Failure; }
};

} // namespace tolmix::test
