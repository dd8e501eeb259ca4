#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolmix {

// The HTTP proxy a connection goes through; an empty Host means a direct connection.
struct HttpProxy {
    std::string Host{};
    std::string Port{};
    std::string UserName{}; // empty: no authorisation line
    std::string Password{};
};

// The request that asks an HTTP proxy for a tunnel to host:port: the CONNECT line, the Basic
// authorisation line when a user name is given, and the blank line. No other header is sent.
std::string TunnelRequest(std::string_view host, uint16_t port, std::string_view user,
                          std::string_view password);

// The proxy's reply, read line by line up to its blank line.
class TunnelReply {
  public:
    // One line up to (not including) its LF; a CR before the LF stays in the line.
    // Returns false once the line ends the reply (empty, or a single CR).
    bool TakeLine(std::string_view line);
    // Whether the last status line seen said 2xx.
    bool Success() const { return Ok; }

  private:
    bool Ok = false;
};

} // namespace tolmix
