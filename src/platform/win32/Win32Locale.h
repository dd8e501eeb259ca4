#pragma once

#include "platform/SystemLocale.h"

namespace tolmix::win32 {

// The user's locale: Russian names when the user's language is Russian, and its decimal
// separator when that is a comma or a point.
SystemLocale ReadSystemLocale();

} // namespace tolmix::win32
