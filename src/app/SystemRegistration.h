#pragma once

#include "platform/DesktopRegistry.h"

#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// A registry value that could not be written: "Failed to set data for 'ColorTable00'" (the
// name is empty for a type's default value), then what failed: the file and the system's
// reason when the registry knows them, else the reason of the error code.
class ERegistryException : public std::runtime_error {
  public:
    explicit ERegistryException(const std::string& valueName, int errorCode = 0,
                                const std::string& failure = {});
    std::string ValueName;
    int ErrorCode; // the FileErrors code of the failed write
};

// The program's three file types: settings (opened with the program), key macros, aliases.
const std::vector<FileTypeEntry>& ClientFileTypes();

// Whether the program registers its file types itself, or an installed package did.
enum class FileTypes { Register, LeftToPackage };

// Registers the file types and writes the console palette for the program at this full path,
// replacing whatever was there. Returns whether the console settings existed before, that is
// false on the first start from this location. A failed write raises ERegistryException.
bool RegisterSystem(DesktopRegistry& registry, std::string_view programPath,
                    FileTypes fileTypes = FileTypes::Register);

// What a start makes of the registration: it only decorates the desktop, so a failed write
// never stops the game. The failure is one line for the player; a location whose settings
// cannot be written counts as known, since a notice at every start would keep the player
// from ever connecting.
struct RegistrationOutcome {
    bool ConsoleKeyExisted = true;
    std::string Failure; // Windows-1251, empty when everything was written
};
RegistrationOutcome RegisterSystemOrReport(DesktopRegistry& registry, std::string_view programPath,
                                           FileTypes fileTypes = FileTypes::Register);

} // namespace tolmix
