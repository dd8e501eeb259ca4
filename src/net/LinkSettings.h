#pragma once

#include "net/HttpTunnel.h"

#include <string>

namespace tolmix {

// Where the server link connects, and what it sends first; the same for every attempt.
struct LinkSettings {
    // The game server: a name or an address, and a port number or a TCP service name.
    std::string Address{};
    std::string Port{};
    HttpProxy Proxy{};
    // Sent as soon as connected, in the console code page, its "|" separating lines.
    std::string AutoSend{};
};

} // namespace tolmix
