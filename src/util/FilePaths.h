#pragma once

#include <string>
#include <string_view>

namespace tolmix {

// The path with its extension (from the last "." of the file name) replaced; a name without
// one gets the extension appended.
std::string ChangeFileExt(std::string_view path, std::string_view extension);
// The folder part with its trailing separator, or empty when the path names no folder.
std::string ExtractFilePath(std::string_view path);
// The name inside the folder, with one separator between them; an empty folder gives the name.
std::string JoinPath(std::string_view folder, std::string_view name);
// The path itself when it is absolute, otherwise the path inside the given folder.
std::string ExpandFileName(std::string_view folder, std::string_view path);

} // namespace tolmix
