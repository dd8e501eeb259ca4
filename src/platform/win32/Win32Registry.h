#pragma once

#include "platform/DesktopRegistry.h"

#include <string>

namespace tolmix::win32 {

// Where under HKEY_CURRENT_USER the file types and the console keys go. The defaults are the
// ones the desktop and the console host read; a normal user may write both (HKEY_CLASSES_ROOT
// shows the user's classes merged with the machine's).
struct RegistryPlaces {
    std::wstring Classes = L"Software\\Classes";
    std::wstring Console = L"Console";
};

// The file types as class keys (extension, type name, icon, and an open command for the types
// opened with the program) and the console settings of each program location as the console
// host's per-program key: "Console\" and the path with every backslash made an underscore. A
// path too long for a key name has no console key: nothing is written for it, and it counts as
// known. A failed write names the key and the system's reason in LastFailure.
class Win32Registry final : public DesktopRegistry {
  public:
    explicit Win32Registry(RegistryPlaces places = {}) : Places(std::move(places)) {}

    int RegisterFileTypes(std::string_view programPath,
                          const std::vector<FileTypeEntry>& types) override;
    bool ConsoleKeyExists(std::string_view programPath) const override;
    int WriteConsoleValues(std::string_view programPath,
                           const std::vector<ConsoleValue>& values) override;

    std::string LastFailure() const override { return Failure; }

    // The console key of a program path, below the console place.
    std::wstring ConsoleKeyName(std::string_view programPath) const;

  private:
    bool ConsoleKeyFits(std::string_view programPath) const;
    // Records the failure of a write to this key; the FileErrors code.
    int Failed(const std::wstring& key, long status);

    RegistryPlaces Places;
    std::string Failure;
};

// The command that opens a file with the program: both paths quoted.
std::wstring OpenCommand(std::string_view programPath);

} // namespace tolmix::win32
