#pragma once

#include <cstdint>
#include <string>

namespace tolmix {

// The English text of a socket result (Winsock numbering): empty for 0, and
// "Not a Winsock error (N)" for a number without a text of its own.
std::string GetErrorDesc(int32_t code);

} // namespace tolmix
