#pragma once

#include "macros/AliasFile.h"
#include "macros/KeyMacros.h"
#include "macros/TriggerFile.h"
#include "platform/FileSystem.h"

#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// The file a "MacrosFile", "AliasFile" or "TriggerFile" value names: its extension replaced by
// the type's (".tmf", ".taf", ".ttr"; appended when it has none) and, unless it is absolute, taken
// from the settings file's folder, with or without a folder of its own. A "\" in the value
// separates folders like "/", so that settings files written on Windows work unchanged.
std::string MacroFilePath(std::string_view value, std::string_view extension,
                          std::string_view settingsPath);

// The line for the output window when a name the settings give is a named pipe, a device, a
// socket or a folder, which is never read: "Ошибка: не файл: <path>", Windows-1251.
std::string NotAFileMessage(const std::string& path);

// Whether a file that cannot be found is worth a message: not at start, where settings may name
// files still to be written, but at a reload the player asked for.
enum class MissingFiles { Skip, Report };

// Empties macros and aliases, then reads the settings file anew and loads, in its order,
// every key-macro file of a "MacrosFile" line and every alias file of an "AliasFile" line
// (names compared with their exact letter case). Later key-macro files override earlier
// bindings; alias files append.
//
// A file that exists but cannot be read, and a name that is no regular file, are skipped, so that a
// reload never ends the program; so is a missing one. The result holds one Windows-1251 line for
// the output window per file that could not be read or is no file, and with MissingFiles::Report
// one per file that is missing (each file named once, however many lines name it).
std::vector<std::string> LoadMacrosAndAliases(const FileSystem& files,
                                              const std::string& settingsPath,
                                              TKeyMacrosMap& macros, TAliasArray& aliases,
                                              MissingFiles missing = MissingFiles::Skip);
// The same, and the trigger files of "TriggerFile" lines (".ttr") into triggers, emptied
// first: each bad entry adds its line to the result (see ParseTriggerFile).
std::vector<std::string> LoadMacrosAndAliases(const FileSystem& files,
                                              const std::string& settingsPath,
                                              TKeyMacrosMap& macros, TAliasArray& aliases,
                                              TriggerFileContents& triggers,
                                              MissingFiles missing = MissingFiles::Skip);

} // namespace tolmix
