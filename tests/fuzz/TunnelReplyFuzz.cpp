// Feeds an arbitrary proxy reply to the tunnel's reply reader, line by line as the socket hands
// the lines out, and checks what the connection relies on: the reply ends at its first blank
// line and not before, and success is said only by a status line whose code starts with 2.
#include "net/HttpTunnel.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace tolmix;

namespace {

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view reply(reinterpret_cast<const char*>(data), size);
    TunnelReply reader;
    bool sawSuccessStatus = false;
    while (!reply.empty()) {
        const size_t end = reply.find('\n');
        const std::string_view line = reply.substr(0, end);
        const bool blank = line.empty() || line == "\r";
        const bool more = reader.TakeLine(line);
        Check(more == !blank);
        if (!more)
            break;
        if (line.starts_with("HTTP/") && line.size() > 9 && line[9] == '2')
            sawSuccessStatus = true;
        // Success needs a status line that said 2xx; a header can never fake one.
        Check(!reader.Success() || sawSuccessStatus);
        if (end == std::string_view::npos)
            break;
        reply.remove_prefix(end + 1);
    }
    return 0;
}
