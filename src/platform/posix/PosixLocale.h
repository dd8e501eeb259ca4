#pragma once

#include "platform/SystemLocale.h"

namespace tolmix::posix {

// The locale as the environment names it (LC_ALL, then LC_TIME / LC_NUMERIC, then LANG).
SystemLocale ReadSystemLocale();

} // namespace tolmix::posix
