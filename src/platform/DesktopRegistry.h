#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// One of the program's file types as the desktop should know it.
struct FileTypeEntry {
    std::string Extension; // ".tcf"
    std::string TypeName;  // "Tolmix Client Config": the type's name and its description
    // Opening a file of this type starts the program with the file as its argument.
    bool OpensWithProgram = false;
};

// A named 32-bit value of the console settings.
struct ConsoleValue {
    std::string Name;
    uint32_t Data = 0;
};

// Where the desktop records the program's file types and the console settings of each place
// the program runs from. Every write replaces what was there; nothing is ever removed.
class DesktopRegistry {
  public:
    virtual ~DesktopRegistry() = default;
    // Records the file types for the program at this full path. 0, or a FileErrors code.
    virtual int RegisterFileTypes(std::string_view programPath,
                                  const std::vector<FileTypeEntry>& types) = 0;
    // Whether console settings were ever written for the program at this full path.
    virtual bool ConsoleKeyExists(std::string_view programPath) const = 0;
    // Writes the console settings of the program at this full path, the values in this order.
    // 0, or a FileErrors code.
    virtual int WriteConsoleValues(std::string_view programPath,
                                   const std::vector<ConsoleValue>& values) = 0;
    // What the last failed write could not do, for the player: the file or folder and the
    // system's reason ("/home/p/.config/x: Read-only file system"). Empty when unknown.
    virtual std::string LastFailure() const { return {}; }
};

} // namespace tolmix
