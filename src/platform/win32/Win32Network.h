#pragma once

#include "platform/Network.h"

namespace tolmix::win32 {

// A TCP stream on a non-blocking Winsock 2 socket; its own waits are select() with a limit.
// Winsock's error numbers are the client's own.
class Win32StreamSocket final : public StreamSocket {
  public:
    Win32StreamSocket() = default;
    ~Win32StreamSocket() override;
    Win32StreamSocket(const Win32StreamSocket&) = delete;
    Win32StreamSocket& operator=(const Win32StreamSocket&) = delete;

    int32_t SendSome(std::string_view bytes, std::size_t& sent) override;
    void WaitReady(Readiness readiness, TimePoint deadline) override;
    int32_t Receive(std::string& into, std::size_t limit, Milliseconds timeout) override;
    void ShutdownSend() override;
    PollHandle Handle() const override { return PollHandle{Socket}; }

  private:
    // getaddrinfo on a thread of the lookup's own, its end told by a datagram to a loopback
    // socket (the console's wait watches sockets only).
    std::unique_ptr<AddressLookup> StartLookup(const std::string& host,
                                               const std::string& port) override;
    int32_t ConnectTo(const ResolvedAddress& address) override;
    int32_t StreamOutcome() override;
    void CloseStream() override;

    std::intptr_t Socket = -1;
};

// Winsock, started for as long as the object lives.
class Win32Network final : public Network {
  public:
    Win32Network();
    ~Win32Network() override;
    Win32Network(const Win32Network&) = delete;
    Win32Network& operator=(const Win32Network&) = delete;

    std::unique_ptr<StreamSocket> CreateSocket() override;
    std::optional<uint16_t> ResolvePort(std::string_view port) override;
    void WaitReady(PollHandle handle, Readiness readiness, TimePoint deadline) override;
};

} // namespace tolmix::win32
