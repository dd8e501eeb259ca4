#pragma once

#include "platform/PathStyle.h"

#include <string>
#include <string_view>

namespace tolmix {

// The separator that JoinPath puts after a folder that holds none yet.
constexpr char PathSeparator(PathStyle style = NativePathStyle) {
    return style == PathStyle::Windows ? '\\' : '/';
}

// The path with its extension (from the last "." of the file name) replaced; a name without
// one gets the extension appended.
std::string ChangeFileExt(std::string_view path, std::string_view extension,
                          PathStyle style = NativePathStyle);
// The folder part with its trailing separator (or drive), or empty when the path names no folder.
std::string ExtractFilePath(std::string_view path, PathStyle style = NativePathStyle);
// The name inside the folder, with one separator between them (on Windows the one the folder
// already uses, if any); an empty folder gives the name.
std::string JoinPath(std::string_view folder, std::string_view name,
                     PathStyle style = NativePathStyle);
// Whether the path names its place without a current folder.
bool IsAbsolutePath(std::string_view path, PathStyle style = NativePathStyle);
// The path itself when it is absolute, otherwise the path inside the given folder.
std::string ExpandFileName(std::string_view folder, std::string_view path,
                           PathStyle style = NativePathStyle);

} // namespace tolmix
