#pragma once

#include <string_view>

namespace tolmix {

// The program's name and version as the title bar and the server see them.
inline constexpr std::string_view ProgramTitle = "Tolmix Client v1.4.0";

} // namespace tolmix
