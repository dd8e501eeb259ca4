#pragma once

#include "platform/Network.h"

namespace tolmix::win32 {

// A TCP stream on a Winsock 2 socket, non-blocking underneath: every wait is a select() with a
// limit. Winsock's error numbers are the client's own.
class Win32StreamSocket final : public StreamSocket {
  public:
    Win32StreamSocket() = default;
    ~Win32StreamSocket() override;
    Win32StreamSocket(const Win32StreamSocket&) = delete;
    Win32StreamSocket& operator=(const Win32StreamSocket&) = delete;

    int32_t Connect(std::string_view host, std::string_view port, Milliseconds timeout) override;
    int32_t Send(std::string_view bytes, Milliseconds timeout) override;
    int32_t Receive(std::string& into, std::size_t limit, Milliseconds timeout) override;
    void ShutdownSend() override;
    void Close() override;
    PollHandle Handle() const override { return PollHandle{Socket}; }

  private:
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
};

} // namespace tolmix::win32
