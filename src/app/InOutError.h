#pragma once

#include <stdexcept>
#include <string>

namespace tolmix {

// The message of a failed file operation, from its FileErrors code: "File access denied",
// "Disk full", "I/O error 1117" and the like.
std::string InOutErrorText(int code);

// A file operation that failed; raised by the output log.
class EInOutError : public std::runtime_error {
  public:
    explicit EInOutError(int code) : std::runtime_error(InOutErrorText(code)), ErrorCode(code) {}
    int ErrorCode;
};

} // namespace tolmix
