#include "net/HttpTunnel.h"
#include "util/Base64.h"

namespace tolmix {

std::string TunnelRequest(std::string_view host, uint16_t port, std::string_view user,
                          std::string_view password) {
    std::string request = "CONNECT ";
    // An IPv6 address holds colons, which a host name or an IPv4 address never does.
    const bool ipv6 = host.find(':') != std::string_view::npos && !host.starts_with('[');
    if (ipv6)
        request += '[';
    request += host;
    if (ipv6)
        request += ']';
    request += ':';
    request += std::to_string(port);
    request += " HTTP/1.0\r\n";
    if (!user.empty()) {
        std::string credentials(user);
        credentials += ':';
        credentials += password;
        request += "Proxy-Authorization: Basic ";
        request += EncodeBase64(credentials);
        request += "\r\n";
    }
    request += "\r\n";
    return request;
}

bool TunnelReply::TakeLine(std::string_view line) {
    if (line.empty() || line == "\r")
        return false;
    // "HTTP/1.x NNN": the status's first digit is the tenth byte; a later status line (after
    // an interim one) overrides an earlier.
    if (line.starts_with("HTTP/") && line.size() > 11)
        Ok = line[9] == '2';
    return true;
}

} // namespace tolmix
