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
// The primitives never wait; Connect and Send wait in a plain loop of their own, and a caller
// that must go on watching other things (the keyboard, the quit signals) waits in its own.
class StreamSocket {
  public:
    virtual ~StreamSocket() = default;

    // Resolves `host` (a name, an IPv4 or an IPv6 address; IPv4 is taken when a name has both)
    // and `port` (decimal 1-65535 or a TCP service name), then starts connecting: Ok when
    // connected at once, InProgress while the attempt runs (ConnectOutcome tells the end).
    virtual int32_t StartConnect(std::string_view host, std::string_view port) = 0;
    // The outcome of the attempt StartConnect began: InProgress while it still runs.
    virtual int32_t ConnectOutcome() = 0;
    // Writes as much of `bytes` as the stream takes now and says how much in `sent`;
    // WouldBlock when it took nothing.
    virtual int32_t SendSome(std::string_view bytes, std::size_t& sent) = 0;
    // Sleeps until the stream may be ready for `readiness` or the deadline passes.
    virtual void WaitReady(Readiness readiness, TimePoint deadline) = 0;
    // Appends what has arrived, at most `limit` bytes. When nothing is waiting it waits up to
    // `timeout` (0: not at all). TimedOut: nothing came; ConnectionReset: the peer closed the
    // stream or reset it.
    virtual int32_t Receive(std::string& into, std::size_t limit, Milliseconds timeout) = 0;
    // Ends the sending direction; the peer reads the end of the stream.
    virtual void ShutdownSend() = 0;
    virtual void Close() = 0;
    // What the event loop watches for arriving data; not valid before StartConnect or after
    // Close.
    virtual PollHandle Handle() const = 0;

    // Connects, giving up after `timeout` (TimedOut).
    int32_t Connect(std::string_view host, std::string_view port, Milliseconds timeout);
    // Writes every byte, waiting at most `timeout` in all for the peer to take them.
    int32_t Send(std::string_view bytes, Milliseconds timeout);
};

// True for a decimal port text outside 1-65535, which the resolvers would otherwise wrap
// round to some other port; a service name is not looked at.
bool PortOutOfRange(std::string_view port);

// The platform's sockets.
class Network {
  public:
    virtual ~Network() = default;
    virtual std::unique_ptr<StreamSocket> CreateSocket() = 0;
    // A port text, decimal or a TCP service name, as its number; nothing when unknown.
    virtual std::optional<uint16_t> ResolvePort(std::string_view port) = 0;
};

} // namespace tolmix
