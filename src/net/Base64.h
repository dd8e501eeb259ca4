#pragma once

#include <string>
#include <string_view>

namespace tolmix {

// Base64 with the standard alphabet and "=" filling the last group (RFC 4648).
std::string Base64Encode(std::string_view bytes);

} // namespace tolmix
