#pragma once

#include <string>

namespace tolmix {

// The message of a failed file operation, from its FileErrors code: "File access denied",
// "Disk full", "I/O error 1117" and the like.
std::string InOutErrorText(int code);

} // namespace tolmix
