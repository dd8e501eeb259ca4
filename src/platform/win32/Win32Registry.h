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
// host's per-program key: "Console\" and the path with every backslash made an underscore.
class Win32Registry final : public DesktopRegistry {
  public:
    explicit Win32Registry(RegistryPlaces places = {}) : Places(std::move(places)) {}

    int RegisterFileTypes(std::string_view programPath,
                          const std::vector<FileTypeEntry>& types) override;
    bool ConsoleKeyExists(std::string_view programPath) const override;
    int WriteConsoleValues(std::string_view programPath,
                           const std::vector<ConsoleValue>& values) override;

    // The console key of a program path, below the console place.
    std::wstring ConsoleKeyName(std::string_view programPath) const;

  private:
    RegistryPlaces Places;
};

} // namespace tolmix::win32
