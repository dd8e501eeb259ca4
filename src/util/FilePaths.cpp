#include "util/FilePaths.h"

namespace tolmix {

namespace {

bool IsSeparator(char c, PathStyle style) {
    return c == '/' || (style == PathStyle::Windows && c == '\\');
}

bool IsDriveLetter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool HasDrive(std::string_view path, PathStyle style) {
    return style == PathStyle::Windows && path.size() >= 2 && IsDriveLetter(path[0]) &&
           path[1] == ':';
}

// The position of the last character that ends the folder part, or npos.
size_t FolderEnd(std::string_view path, PathStyle style) {
    for (size_t i = path.size(); i-- > 0;) {
        if (IsSeparator(path[i], style))
            return i;
    }
    return HasDrive(path, style) ? 1 : std::string_view::npos;
}

} // namespace

std::string ChangeFileExt(std::string_view path, std::string_view extension, PathStyle style) {
    const size_t folderEnd = FolderEnd(path, style);
    const size_t dot = path.rfind('.');
    const bool hasExtension =
        dot != std::string_view::npos && (folderEnd == std::string_view::npos || dot > folderEnd);
    std::string result(hasExtension ? path.substr(0, dot) : path);
    result += extension;
    return result;
}

std::string ExtractFilePath(std::string_view path, PathStyle style) {
    const size_t folderEnd = FolderEnd(path, style);
    return folderEnd == std::string_view::npos ? std::string()
                                               : std::string(path.substr(0, folderEnd + 1));
}

std::string JoinPath(std::string_view folder, std::string_view name, PathStyle style) {
    std::string result(folder);
    const bool bareDrive = HasDrive(folder, style) && folder.size() == 2;
    if (!result.empty() && !IsSeparator(result.back(), style) && !bareDrive) {
        // "/home/player" stays with slashes on Windows too, which accepts both.
        const size_t last = result.find_last_of(style == PathStyle::Windows ? "\\/" : "/");
        result += last == std::string::npos ? PathSeparator(style) : result[last];
    }
    result += name;
    return result;
}

bool IsAbsolutePath(std::string_view path, PathStyle style) {
    if (!path.empty() && IsSeparator(path.front(), style))
        return true; // "/x"; on Windows also "\x" (the current drive) and "\\server\share"
    return HasDrive(path, style) && path.size() >= 3 && IsSeparator(path[2], style);
}

std::string ExpandFileName(std::string_view folder, std::string_view path, PathStyle style) {
    if (IsAbsolutePath(path, style))
        return std::string(path);
    // "C:name" is relative to that drive's current folder, which only the system knows; it is
    // kept as it is rather than joined to a folder of another drive.
    if (HasDrive(path, style))
        return std::string(path);
    return JoinPath(folder, path, style);
}

} // namespace tolmix
