#include "app/SystemRegistration.h"

#include "app/ConsolePalette.h"

namespace tolmix {

ERegistryException::ERegistryException(const std::string& valueName, int errorCode)
    : std::runtime_error("Failed to set data for '" + valueName + "'"), ValueName(valueName),
      ErrorCode(errorCode) {}

const std::vector<FileTypeEntry>& ClientFileTypes() {
    static const std::vector<FileTypeEntry> Types = {
        {".tcf", "Tolmix Client Config", true},
        {".tmf", "Tolmix Client Macros Config", false},
        {".taf", "Tolmix Client Alias Config", false},
    };
    return Types;
}

bool RegisterSystem(DesktopRegistry& registry, std::string_view programPath) {
    // Every value of a file type is a default value, whose name is empty.
    if (const int error = registry.RegisterFileTypes(programPath, ClientFileTypes()))
        throw ERegistryException("", error);

    // Asked before anything is written for this location.
    const bool existed = registry.ConsoleKeyExists(programPath);
    std::vector<ConsoleValue> values;
    for (int i = 0; i < static_cast<int>(ConsolePalette.size()); ++i)
        values.push_back({ColorTableName(i), ConsolePalette[static_cast<size_t>(i)]});
    // The values are written together, so the first of them is the one that failed.
    if (const int error = registry.WriteConsoleValues(programPath, values))
        throw ERegistryException(values.front().Name, error);
    return existed;
}

} // namespace tolmix
