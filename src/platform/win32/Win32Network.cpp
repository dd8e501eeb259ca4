#include "platform/win32/Win32Network.h"
#include "platform/SocketErrors.h"

#include <winsock2.h>
#include <ws2tcpip.h>

#include <algorithm>
#include <charconv>
#include <cstring>

namespace tolmix::win32 {

namespace {

struct AddressList {
    addrinfo* Head = nullptr;
    ~AddressList() {
        if (Head)
            ::freeaddrinfo(Head);
    }
};

// Waits until the socket is ready or the deadline passes. True when ready, or in error (the
// next call on the socket reports it; a failed connect shows in the exception set).
bool WaitFor(SOCKET socket, Readiness what, TimePoint deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<Milliseconds>(deadline - SteadyClock::now()).count();
        const long wait = left <= 0 ? 0 : static_cast<long>(std::min<long long>(left, 60'000));
        fd_set ready, failed;
        FD_ZERO(&ready);
        FD_ZERO(&failed);
        FD_SET(socket, &ready);
        FD_SET(socket, &failed);
        timeval timeout{wait / 1000, (wait % 1000) * 1000};
        const int n = ::select(0, what == Readiness::Read ? &ready : nullptr,
                               what == Readiness::Write ? &ready : nullptr, &failed, &timeout);
        if (n != 0)
            return true;
        if (left <= 60'000)
            return false;
    }
}

// A UDP socket on the loopback interface that becomes readable when rung: the thread sends it
// one datagram of its own address.
class DatagramBell final : public LookupBell {
  public:
    DatagramBell() {
        Socket = ::socket(AF_INET, SOCK_DGRAM, IPPROTO_UDP);
        if (Socket == INVALID_SOCKET)
            return;
        Address.sin_family = AF_INET;
        Address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        int length = sizeof Address;
        if (::bind(Socket, reinterpret_cast<const sockaddr*>(&Address), sizeof Address) != 0 ||
            ::getsockname(Socket, reinterpret_cast<sockaddr*>(&Address), &length) != 0) {
            Error = ::WSAGetLastError();
            ::closesocket(Socket);
            Socket = INVALID_SOCKET;
        }
    }
    ~DatagramBell() override {
        if (Socket != INVALID_SOCKET)
            ::closesocket(Socket);
    }
    DatagramBell(const DatagramBell&) = delete;
    DatagramBell& operator=(const DatagramBell&) = delete;

    // 0, or why the socket could not be made.
    int32_t Failure() const {
        return Socket != INVALID_SOCKET ? 0 : (Error != 0 ? Error : ::WSAGetLastError());
    }
    PollHandle Handle() const override { return PollHandle{static_cast<std::intptr_t>(Socket)}; }
    void Ring() override {
        const char ring = 1;
        ::sendto(Socket, &ring, 1, 0, reinterpret_cast<const sockaddr*>(&Address), sizeof Address);
    }

  private:
    SOCKET Socket = INVALID_SOCKET;
    sockaddr_in Address{};
    int Error = 0;
};

// Runs on the lookup's thread.
int32_t ResolveAddresses(const std::string& host, const std::string& port,
                         std::vector<ResolvedAddress>& addresses) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    AddressList list;
    // The resolver's failures are Winsock numbers already (EAI_NONAME is WSAHOST_NOT_FOUND).
    if (const int resolved = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &list.Head))
        return resolved == EAI_SERVICE ? SocketError::AddressNotAvailable : resolved;
    for (const addrinfo* a = list.Head; a; a = a->ai_next) {
        if (a->ai_family != AF_INET && a->ai_family != AF_INET6)
            continue;
        const auto* bytes = reinterpret_cast<const std::byte*>(a->ai_addr);
        addresses.push_back({a->ai_family == AF_INET ? ResolvedAddress::Family::IPv4
                                                     : ResolvedAddress::Family::IPv6,
                             std::vector<std::byte>(bytes, bytes + a->ai_addrlen)});
    }
    return SocketError::Ok;
}

bool IsNumber(std::string_view text, unsigned& value) {
    if (text.empty())
        return false;
    const char* end = text.data() + text.size();
    auto [at, error] = std::from_chars(text.data(), end, value);
    return error == std::errc() && at == end;
}

SOCKET AsSocket(std::intptr_t value) {
    return static_cast<SOCKET>(value);
}

} // namespace

Win32StreamSocket::~Win32StreamSocket() {
    Close();
}

std::unique_ptr<AddressLookup> Win32StreamSocket::StartLookup(const std::string& host,
                                                              const std::string& port) {
    auto bell = std::make_unique<DatagramBell>();
    if (const int32_t error = bell->Failure())
        return FinishedLookup(error);
    return StartThreadedLookup(host, port, ResolveAddresses, std::move(bell));
}

int32_t Win32StreamSocket::ConnectTo(const ResolvedAddress& address) {
    sockaddr_storage target{};
    const std::size_t length = std::min(address.Bytes.size(), sizeof target);
    std::memcpy(&target, address.Bytes.data(), length);
    const int family = address.Kind == ResolvedAddress::Family::IPv4 ? AF_INET : AF_INET6;
    const SOCKET socket = ::socket(family, SOCK_STREAM, IPPROTO_TCP);
    if (socket == INVALID_SOCKET)
        return ::WSAGetLastError();
    Socket = static_cast<std::intptr_t>(socket);
    u_long nonBlocking = 1;
    ::ioctlsocket(socket, FIONBIO, &nonBlocking);
    // Commands are small and interactive: send each at once.
    const BOOL on = TRUE;
    ::setsockopt(socket, IPPROTO_TCP, TCP_NODELAY, reinterpret_cast<const char*>(&on), sizeof on);

    if (::connect(socket, reinterpret_cast<const sockaddr*>(&target), static_cast<int>(length)) ==
        0)
        return SocketError::Ok;
    const int error = ::WSAGetLastError();
    if (error == WSAEWOULDBLOCK)
        return SocketError::InProgress;
    CloseStream();
    return error;
}

int32_t Win32StreamSocket::StreamOutcome() {
    if (Socket < 0)
        return SocketError::NotASocket;
    // A connect that ended shows in the write set (success) or the exception set (failure).
    fd_set written, failed;
    FD_ZERO(&written);
    FD_ZERO(&failed);
    FD_SET(AsSocket(Socket), &written);
    FD_SET(AsSocket(Socket), &failed);
    timeval now{0, 0};
    if (::select(0, nullptr, &written, &failed, &now) == 0)
        return SocketError::InProgress;
    int error = 0;
    int length = sizeof error;
    if (::getsockopt(AsSocket(Socket), SOL_SOCKET, SO_ERROR, reinterpret_cast<char*>(&error),
                     &length) != 0)
        error = ::WSAGetLastError();
    if (error == 0 && FD_ISSET(AsSocket(Socket), &failed))
        error = WSAECONNREFUSED;
    if (error == 0)
        return SocketError::Ok;
    CloseStream();
    return error;
}

int32_t Win32StreamSocket::SendSome(std::string_view bytes, std::size_t& sent) {
    sent = 0;
    if (Socket < 0)
        return SocketError::NotASocket;
    if (bytes.empty())
        return SocketError::Ok;
    const int chunk = static_cast<int>(std::min<std::size_t>(bytes.size(), 1 << 20));
    const int n = ::send(AsSocket(Socket), bytes.data(), chunk, 0);
    if (n > 0) {
        sent = static_cast<std::size_t>(n);
        return SocketError::Ok;
    }
    const int error = n < 0 ? ::WSAGetLastError() : WSAECONNRESET;
    return error == WSAEWOULDBLOCK ? SocketError::WouldBlock : error;
}

void Win32StreamSocket::WaitReady(Readiness readiness, TimePoint deadline) {
    if (Socket >= 0)
        WaitFor(AsSocket(Socket), readiness, deadline);
}

int32_t Win32StreamSocket::Receive(std::string& into, std::size_t limit, Milliseconds timeout) {
    if (Socket < 0)
        return SocketError::NotASocket;
    if (limit == 0)
        return SocketError::Ok;
    const TimePoint deadline = SteadyClock::now() + timeout;
    const std::size_t start = into.size();
    const int chunk = static_cast<int>(std::min<std::size_t>(limit, 1 << 20));
    into.resize(start + static_cast<std::size_t>(chunk));
    int32_t result = SocketError::Ok;
    std::size_t got = 0;
    bool waited = false;
    for (;;) {
        const int n = ::recv(AsSocket(Socket), into.data() + start, chunk, 0);
        if (n > 0) {
            got = static_cast<std::size_t>(n);
            break;
        }
        if (n == 0) {
            result = SocketError::Disconnected; // the peer ended the stream
            break;
        }
        const int error = ::WSAGetLastError();
        if (error != WSAEWOULDBLOCK) {
            result = error;
            break;
        }
        if (waited || timeout.count() <= 0 ||
            !WaitFor(AsSocket(Socket), Readiness::Read, deadline)) {
            result = SocketError::TimedOut;
            break;
        }
        waited = true;
    }
    into.resize(start + got);
    return result;
}

void Win32StreamSocket::ShutdownSend() {
    if (Socket >= 0)
        ::shutdown(AsSocket(Socket), SD_SEND);
}

void Win32StreamSocket::CloseStream() {
    if (Socket >= 0) {
        ::closesocket(AsSocket(Socket));
        Socket = -1;
    }
}

Win32Network::Win32Network() {
    WSADATA data;
    ::WSAStartup(MAKEWORD(2, 2), &data);
}

Win32Network::~Win32Network() {
    ::WSACleanup();
}

std::unique_ptr<StreamSocket> Win32Network::CreateSocket() {
    return std::make_unique<Win32StreamSocket>();
}

void Win32Network::WaitReady(PollHandle handle, Readiness readiness, TimePoint deadline) {
    if (handle.Valid())
        WaitFor(AsSocket(handle.Value), readiness, deadline);
}

std::optional<uint16_t> Win32Network::ResolvePort(std::string_view port) {
    unsigned value = 0;
    if (IsNumber(port, value))
        return value <= 65535 ? std::optional<uint16_t>(static_cast<uint16_t>(value))
                              : std::nullopt;
    const std::string name(port);
    if (name.empty() || name.find('\0') != std::string::npos)
        return std::nullopt;
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    hints.ai_flags = AI_PASSIVE;
    AddressList list;
    if (::getaddrinfo(nullptr, name.c_str(), &hints, &list.Head) != 0 || !list.Head)
        return std::nullopt;
    const auto* address = reinterpret_cast<const sockaddr_in*>(list.Head->ai_addr);
    return ntohs(address->sin_port);
}

} // namespace tolmix::win32
