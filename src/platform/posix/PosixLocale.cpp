#include "platform/posix/PosixLocale.h"

#include <cstdlib>
#include <string_view>

namespace tolmix::posix {

namespace {

std::string_view LocaleName(const char* category) {
    for (const char* name : {"LC_ALL", category, "LANG"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return value;
    }
    return "C";
}

bool IsRussian(std::string_view name) {
    return name.substr(0, 2) == "ru" && (name.size() == 2 || name[2] == '_' || name[2] == '.');
}

} // namespace

SystemLocale ReadSystemLocale() {
    SystemLocale locale;
    locale.Russian = IsRussian(LocaleName("LC_TIME"));
    // Russian writes decimals with a comma; so do most European locales, but the client only
    // knows the names of two languages, so it follows only the one it knows.
    locale.DecimalSeparator = IsRussian(LocaleName("LC_NUMERIC")) ? ',' : '.';
    return locale;
}

} // namespace tolmix::posix
