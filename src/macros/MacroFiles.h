#pragma once

#include "macros/AliasFile.h"
#include "macros/KeyMacros.h"
#include "platform/FileSystem.h"

#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// The file a "MacrosFile" or "AliasFile" value names: its extension replaced by the type's
// (".tmf", ".taf"; appended when it has none) and, when it names no folder, taken from the
// settings file's folder; a value with a folder is used as it stands (a relative one from
// the current directory).
std::string MacroFilePath(std::string_view value, std::string_view extension,
                          std::string_view settingsPath);

// Empties macros and aliases, then reads the settings file anew and loads, in its order,
// every key-macro file of a "MacrosFile" line and every alias file of an "AliasFile" line
// (names compared with their exact letter case). Later key-macro files override earlier
// bindings; alias files append. Missing files are skipped silently.
//
// A file that exists but cannot be read is skipped too, so that a reload never ends the
// program; the result holds one Windows-1251 line per such file for the output window.
std::vector<std::string> LoadMacrosAndAliases(const FileSystem& files,
                                              const std::string& settingsPath,
                                              TKeyMacrosMap& macros, TAliasArray& aliases);

} // namespace tolmix
