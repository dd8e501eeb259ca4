#pragma once

#include "platform/Clock.h"
#include "platform/PollHandle.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tolmix {

// One TCP stream. Every operation returns 0 or an error in Winsock numbering
// (platform/SocketErrors.h); none throws. Destroying the object closes the stream.
class StreamSocket {
  public:
    virtual ~StreamSocket() = default;

    // Resolves `host` (a name, an IPv4 or an IPv6 address; IPv4 is taken when a name has both)
    // and `port` (decimal or a TCP service name), then connects, giving up after `timeout`.
    virtual int32_t Connect(std::string_view host, std::string_view port, Milliseconds timeout) = 0;
    // Writes every byte, waiting at most `timeout` in all for the peer to take them.
    virtual int32_t Send(std::string_view bytes, Milliseconds timeout) = 0;
    // Appends what has arrived, at most `limit` bytes. When nothing is waiting it waits up to
    // `timeout` (0: not at all). TimedOut: nothing came; ConnectionReset: the peer closed the
    // stream or reset it.
    virtual int32_t Receive(std::string& into, std::size_t limit, Milliseconds timeout) = 0;
    // Ends the sending direction; the peer reads the end of the stream.
    virtual void ShutdownSend() = 0;
    virtual void Close() = 0;
    // What the event loop watches for arriving data; not valid before Connect or after Close.
    virtual PollHandle Handle() const = 0;
};

// The platform's sockets.
class Network {
  public:
    virtual ~Network() = default;
    virtual std::unique_ptr<StreamSocket> CreateSocket() = 0;
    // A port text, decimal or a TCP service name, as its number; nothing when unknown.
    virtual std::optional<uint16_t> ResolvePort(std::string_view port) = 0;
};

} // namespace tolmix
