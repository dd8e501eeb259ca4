#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tolmix {

// What the command line asks of the program:
//   tolmix-client [SETTINGS-FILE] | --demo | --help | --version
// Options come before a settings file; "--" ends them, for a file whose name begins with "-".
struct ProgramOptions {
    enum class Action { Play, Demo, Help, Version };
    Action Run = Action::Play;
    // The settings file named on the command line, for Play.
    std::optional<std::string> SettingsFile;
};

// The parsed command line, or why it is wrong (Windows-1251, Russian and English, one line).
struct ParsedOptions {
    std::optional<ProgramOptions> Options;
    std::string Error;
};

ParsedOptions ParseProgramOptions(int argc, const char* const* argv);

// The exit codes of a command line that asked for help or the version, and of a wrong one.
inline constexpr int ExitUsageShown = 0;
inline constexpr int ExitWrongUsage = 2;

// The usage, Russian and then English, in Windows-1251; it ends in a line end.
std::string_view UsageText();
// "tolmix-client 1.4.0" and a line end.
std::string VersionText();

} // namespace tolmix
