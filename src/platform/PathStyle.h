#pragma once

namespace tolmix {

// How a file system spells paths. Posix: "/" separates and begins an absolute path. Windows: "\"
// and "/" both separate, a drive ("C:") ends a folder part, and a path is absolute when it
// begins with a drive and a separator, a separator, or two separators (a UNC path
// "\\server\share\...").
enum class PathStyle { Posix, Windows };

#ifdef _WIN32
inline constexpr PathStyle NativePathStyle = PathStyle::Windows;
#else
inline constexpr PathStyle NativePathStyle = PathStyle::Posix;
#endif

} // namespace tolmix
