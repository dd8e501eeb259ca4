#pragma once

#include "platform/Clock.h"
#include "platform/DesktopRegistry.h"
#include "platform/FileSystem.h"
#include "platform/SystemLocale.h"

namespace tolmix {

// The parts of the system the client uses besides the console: the main block makes them for
// the running platform, tests make fakes.
struct ClientEnvironment {
    FileSystem& Files;
    const WallClock& Time;
    // Where the file types and the console palette are registered.
    DesktopRegistry& Registry;
    SystemLocale Locale;
};

} // namespace tolmix
