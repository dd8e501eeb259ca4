#pragma once

#include "platform/AddressLookup.h"
#include "platform/Clock.h"
#include "platform/PollHandle.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// One TCP stream. Every operation returns 0 or an error in Winsock numbering
// (platform/SocketErrors.h); none throws. Destroying the object closes the stream.
// The primitives never wait; Connect and Send wait in a plain loop of their own, and a caller
// that must go on watching other things (the keyboard, the quit signals) waits in its own.
class StreamSocket {
  public:
    virtual ~StreamSocket() = default;

    // Checks the settings (CheckConnectSettings) and starts looking up `host` (a name, an IPv4
    // or an IPv6 address; IPv4 is taken when a name has both) and `port` (decimal 1-65535 or a
    // TCP service name); once found, the connect starts. InProgress while the lookup or the
    // connect runs (ConnectOutcome tells the end, ConnectWait what to wait on meanwhile), Ok
    // when connected at once. AlreadyConnected while the stream is open or being looked up.
    int32_t StartConnect(std::string_view host, std::string_view port);
    // The outcome of the attempt StartConnect began: InProgress while it still runs. The look
    // that finds the lookup ended starts the connect.
    int32_t ConnectOutcome();
    // What an attempt in progress waits on: the lookup's end, then the stream's room to write
    // (how a connect ends).
    struct ReadyWait {
        PollHandle Handle;
        Readiness For = Readiness::Write;
    };
    ReadyWait ConnectWait() const;
    // Writes as much of `bytes` as the stream takes now and says how much in `sent`;
    // WouldBlock when it took nothing.
    virtual int32_t SendSome(std::string_view bytes, std::size_t& sent) = 0;
    // Sleeps until the stream may be ready for `readiness` or the deadline passes.
    virtual void WaitReady(Readiness readiness, TimePoint deadline) = 0;
    // Appends what has arrived, at most `limit` bytes. When nothing is waiting it waits up to
    // `timeout` (0: not at all). TimedOut: nothing came; Disconnected: the peer ended the
    // stream in order; ConnectionReset: the peer reset it.
    virtual int32_t Receive(std::string& into, std::size_t limit, Milliseconds timeout) = 0;
    // Ends the sending direction; the peer reads the end of the stream.
    virtual void ShutdownSend() = 0;
    // Closes the stream, also abandoning a lookup in progress.
    void Close();
    // What the event loop watches for arriving data; not valid before StartConnect or after
    // Close.
    virtual PollHandle Handle() const = 0;

    // Connects, giving up after `timeout` (TimedOut).
    int32_t Connect(std::string_view host, std::string_view port, Milliseconds timeout);
    // Writes every byte, waiting at most `timeout` in all for the peer to take them.
    int32_t Send(std::string_view bytes, Milliseconds timeout);

  protected:
    // The platform's parts of StartConnect, reached only on a stream not open and with
    // settings that passed the checks, as terminated strings.
    // Starts looking up the TCP addresses of `host`, `port` in each; never blocks.
    virtual std::unique_ptr<AddressLookup> StartLookup(const std::string& host,
                                                       const std::string& port) = 0;
    // Opens the stream for `address` and starts connecting: Ok, InProgress, or an error with
    // the stream closed again.
    virtual int32_t ConnectTo(const ResolvedAddress& address) = 0;
    // The outcome of the connect ConnectTo started: InProgress while it still runs.
    virtual int32_t StreamOutcome() = 0;
    virtual void CloseStream() = 0;

  private:
    // The lookup ended: the connect starts, or the failure is told.
    int32_t ConnectToFound(int32_t lookupResult, const std::vector<ResolvedAddress>& addresses);

    // The lookup in progress; none before the attempt and once it ended.
    std::unique_ptr<AddressLookup> Lookup;
};

// True for a decimal port text outside 1-65535, which the resolvers would otherwise wrap
// round to some other port; a service name is not looked at.
bool PortOutOfRange(std::string_view port);

// What every connect checks before resolving anything: an empty host or one with a zero byte
// in it names no host (HostNotFound), an empty port or one with a zero byte names no service
// (AddressNotAvailable), and a port number out of range is an InvalidArgument. Ok otherwise.
int32_t CheckConnectSettings(std::string_view host, std::string_view port);

// The address a connect takes: the first IPv4 one, else the first IPv6 one; nullptr when none.
const ResolvedAddress* PreferredAddress(const std::vector<ResolvedAddress>& addresses);

// The platform's sockets.
class Network {
  public:
    virtual ~Network() = default;
    virtual std::unique_ptr<StreamSocket> CreateSocket() = 0;
    // A port text, decimal or a TCP service name, as its number; nothing when unknown.
    virtual std::optional<uint16_t> ResolvePort(std::string_view port) = 0;
    // Sleeps until the stream behind `handle` may be ready for `readiness`, or until the
    // deadline: the plain wait of a program that watches nothing else meanwhile.
    virtual void WaitReady(PollHandle handle, Readiness readiness, TimePoint deadline) = 0;
};

} // namespace tolmix
