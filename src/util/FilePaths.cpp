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

} // namespace tolmix
