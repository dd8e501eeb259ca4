#pragma once

#include "net/HttpTunnel.h"
#include "text/ServerCodePage.h"

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
    // The server's code page at the start of every connection.
    ServerEncoding Encoding{};
};

} // namespace tolmix
