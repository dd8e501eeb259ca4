#pragma once

#include "platform/Network.h"

namespace tolmix::posix {

// errno and resolver results in the Winsock numbering the client shows texts for. An errno
// without a Winsock counterpart keeps its own (small) number.
int32_t SocketErrorFromErrno(int error);
int32_t SocketErrorFromResolver(int result, int savedErrno);

// A TCP stream on a non-blocking BSD socket; its own waits are poll() with a limit.
class PosixStreamSocket final : public StreamSocket {
  public:
    PosixStreamSocket() = default;
    ~PosixStreamSocket() override;
    PosixStreamSocket(const PosixStreamSocket&) = delete;
    PosixStreamSocket& operator=(const PosixStreamSocket&) = delete;

    int32_t SendSome(std::string_view bytes, std::size_t& sent) override;
    void WaitReady(Readiness readiness, TimePoint deadline) override;
    int32_t Receive(std::string& into, std::size_t limit, Milliseconds timeout) override;
    void ShutdownSend() override;
    PollHandle Handle() const override { return PollHandle{Fd}; }

  private:
    // getaddrinfo on a thread of the lookup's own, its end told through a pipe.
    std::unique_ptr<AddressLookup> StartLookup(const std::string& host,
                                               const std::string& port) override;
    int32_t ConnectTo(const ResolvedAddress& address) override;
    int32_t StreamOutcome() override;
    void CloseStream() override;

    int Fd = -1;
};

class PosixNetwork final : public Network {
  public:
    std::unique_ptr<StreamSocket> CreateSocket() override;
    std::optional<uint16_t> ResolvePort(std::string_view port) override;
    void WaitReady(PollHandle handle, Readiness readiness, TimePoint deadline) override;
};

} // namespace tolmix::posix
