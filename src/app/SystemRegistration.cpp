#include "app/SystemRegistration.h"

#include "app/ConsolePalette.h"
#include "app/InOutError.h"

namespace tolmix {

namespace {

std::string RegistryFailureText(const std::string& valueName, int errorCode,
                                const std::string& failure) {
    std::string text = "Failed to set data for '" + valueName + "'";
    if (!failure.empty())
        text += ": " + failure;
    else if (errorCode != 0)
        text += ": " + InOutErrorText(errorCode);
    return text;
}

} // namespace

ERegistryException::ERegistryException(const std::string& valueName, int errorCode,
                                       const std::string& failure)
    : std::runtime_error(RegistryFailureText(valueName, errorCode, failure)), ValueName(valueName),
      ErrorCode(errorCode) {}

const std::vector<FileTypeEntry>& ClientFileTypes() {
    static const std::vector<FileTypeEntry> Types = {
        {".tcf", "Tolmix Client Config", true},
        {".tmf", "Tolmix Client Macros Config", false},
        {".taf", "Tolmix Client Alias Config", false},
    };
    return Types;
}

bool RegisterSystem(DesktopRegistry& registry, std::string_view programPath, FileTypes fileTypes) {
    // Every value of a file type is a default value, whose name is empty.
    if (fileTypes == FileTypes::Register) {
        if (const int error = registry.RegisterFileTypes(programPath, ClientFileTypes()))
            throw ERegistryException("", error, registry.LastFailure());
    }

    // Asked before anything is written for this location.
    const bool existed = registry.ConsoleKeyExists(programPath);
    std::vector<ConsoleValue> values;
    for (int i = 0; i < static_cast<int>(ConsolePalette.size()); ++i)
        values.push_back({ColorTableName(i), ConsolePalette[static_cast<size_t>(i)]});
    // The values are written together, so the first of them is the one that failed.
    if (const int error = registry.WriteConsoleValues(programPath, values))
        throw ERegistryException(values.front().Name, error, registry.LastFailure());
    return existed;
}

RegistrationOutcome RegisterSystemOrReport(DesktopRegistry& registry, std::string_view programPath,
                                           FileTypes fileTypes) {
    // "Регистрация в системе не удалась, игра идёт дальше: "
    static constexpr std::string_view Failed =
        "\xD0\xE5\xE3\xE8\xF1\xF2\xF0\xE0\xF6\xE8\xFF \xE2 \xF1\xE8\xF1\xF2\xE5\xEC\xE5 "
        "\xED\xE5 \xF3\xE4\xE0\xEB\xE0\xF1\xFC, \xE8\xE3\xF0\xE0 \xE8\xE4\xB8\xF2 "
        "\xE4\xE0\xEB\xFC\xF8\xE5: ";
    RegistrationOutcome outcome;
    try {
        outcome.ConsoleKeyExisted = RegisterSystem(registry, programPath, fileTypes);
    } catch (const ERegistryException& error) {
        outcome.ConsoleKeyExisted = true;
        outcome.Failure = std::string(Failed) + error.what();
    }
    return outcome;
}

} // namespace tolmix
