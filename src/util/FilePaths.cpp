#include "util/FilePaths.h"

namespace tolmix {

std::string ChangeFileExt(std::string_view path, std::string_view extension) {
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    const bool hasExtension =
        dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash);
    std::string result(hasExtension ? path.substr(0, dot) : path);
    result += extension;
    return result;
}

std::string ExtractFilePath(std::string_view path) {
    const size_t slash = path.rfind('/');
    return slash == std::string_view::npos ? std::string() : std::string(path.substr(0, slash + 1));
}

std::string JoinPath(std::string_view folder, std::string_view name) {
    std::string result(folder);
    if (!result.empty() && result.back() != '/')
        result += '/';
    result += name;
    return result;
}

std::string ExpandFileName(std::string_view folder, std::string_view path) {
    if (!path.empty() && path.front() == '/')
        return std::string(path);
    return JoinPath(folder, path);
}

} // namespace tolmix
