#include "net/CharsetChoice.h"

#include <algorithm>
#include <cctype>

namespace tolmix {

namespace {

bool SameName(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace

bool Windows1251Only::Accepts(std::string_view name) const {
    return SameName(name, "windows-1251") || SameName(name, "cp1251");
}

} // namespace tolmix
