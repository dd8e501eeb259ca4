#pragma once

#include <string>
#include <string_view>

namespace tolmix {

// How paths are spelt. Posix: "/" separates and begins an absolute path. Windows: "\" and "/"
// both separate, a drive ("C:") ends a folder part, and a path is absolute when it begins with a
// drive and a separator, a separator, or two separators (a UNC path "\\server\share\...").
enum class PathStyle { Posix, Windows };

#ifdef _WIN32
inline constexpr PathStyle NativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle NativePathStyle = PathStyle::Posix;
#endif

// The separator that JoinPath puts between a folder and a name.
constexpr char PathSeparator(PathStyle style = NativePathStyle) {
    return style == PathStyle::Windows ? '\\' : '/';
}

// The path with its extension (from the last "." of the file name) replaced; a name without
// one gets the extension appended.
std::string ChangeFileExt(std::string_view path, std::string_view extension,
                          PathStyle style = NativePathStyle);
// The folder part with its trailing separator (or drive), or empty when the path names no folder.
std::string ExtractFilePath(std::string_view path, PathStyle style = NativePathStyle);
// The name inside the folder, with one separator between them; an empty folder gives the name.
std::string JoinPath(std::string_view folder, std::string_view name,
                     PathStyle style = NativePathStyle);
// Whether the path names its place without a current folder.
bool IsAbsolutePath(std::string_view path, PathStyle style = NativePathStyle);
// The path itself when it is absolute, otherwise the path inside the given folder.
std::string ExpandFileName(std::string_view folder, std::string_view path,
                           PathStyle style = NativePathStyle);

} // namespace tolmix
