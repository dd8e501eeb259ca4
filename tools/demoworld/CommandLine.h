#pragma once

#include "World.h"

#include <cstdint>
#include <optional>
#include <string>
#include <sys/types.h>

namespace tolmix::demo {

// tolmix-demo-world [--port N] [--port-file FILE] [--parent-pid PID] [--login-time SECONDS]
//                   [--idle-time SECONDS] [--max-characters N]
struct CommandLine {
    uint16_t port = 0;    // 0: any free port of 127.0.0.1
    std::string portFile; // written (atomically) with the port once listening
    pid_t parentPid = 0;  // end when this process is gone; 0: never
    WorldLimits limits;   // the login and idle deadlines (seconds, fractions allowed), characters

    // Nothing, with `error` set, when the arguments are wrong.
    static std::optional<CommandLine> Parse(int argc, const char* const* argv, std::string& error);
};

inline constexpr const char* Usage =
    "usage: tolmix-demo-world [--port N] [--port-file FILE] [--parent-pid PID]\n"
    "                         [--login-time SECONDS] [--idle-time SECONDS] [--max-characters N]\n";

} // namespace tolmix::demo
