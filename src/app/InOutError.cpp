#include "app/InOutError.h"

#include "platform/FileErrors.h"

namespace tolmix {

std::string InOutErrorText(int code) {
    switch (code) {
    case FileErrors::FileNotFound:
        return "File not found";
    case FileErrors::PathNotFound:
        return "Invalid filename";
    case FileErrors::TooManyOpenFiles:
        return "Too many open files";
    case FileErrors::AccessDenied:
        return "File access denied";
    case FileErrors::DiskFull:
        return "Disk full";
    default:
        return "I/O error " + std::to_string(code);
    }
}

} // namespace tolmix
