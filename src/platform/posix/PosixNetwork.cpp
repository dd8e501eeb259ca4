#include "platform/posix/PosixNetwork.h"
#include "platform/SocketErrors.h"

#include <arpa/inet.h>
#include <cerrno>
#include <charconv>
#include <fcntl.h>
#include <netdb.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace tolmix::posix {

namespace {

struct AddressList {
    addrinfo* Head = nullptr;
    ~AddressList() {
        if (Head)
            ::freeaddrinfo(Head);
    }
};

// Waits until `fd` is ready for `events` or the deadline passes; a signal does not shorten the
// wait. True when ready (or in error, which the next call on the socket reports).
bool WaitFor(int fd, short events, TimePoint deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<Milliseconds>(deadline - SteadyClock::now()).count();
        const int timeout = left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 60'000));
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, timeout);
        if (ready > 0)
            return true;
        if (ready < 0 && errno != EINTR)
            return true; // let the socket call itself report what is wrong
        if (ready == 0 && left <= 60'000)
            return false;
    }
}

// A pipe whose reading end becomes readable when rung.
class PipeBell final : public LookupBell {
  public:
    PipeBell() {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC | O_NONBLOCK) == 0) {
            ReadEnd = ends[0];
            WriteEnd = ends[1];
        }
    }
    ~PipeBell() override {
        for (int fd : {ReadEnd, WriteEnd})
            if (fd >= 0)
                ::close(fd);
    }
    PipeBell(const PipeBell&) = delete;
    PipeBell& operator=(const PipeBell&) = delete;

    bool Valid() const { return ReadEnd >= 0; }
    PollHandle Handle() const override { return PollHandle{ReadEnd}; }
    void Ring() override {
        const char ring = 1;
        while (::write(WriteEnd, &ring, 1) < 0 && errno == EINTR) {
        }
    }

  private:
    int ReadEnd = -1;
    int WriteEnd = -1;
};

#ifdef TOLMIX_TEST_SEAMS
// Test builds only: the end-to-end tests make every lookup take this long, as a slow or
// hanging name server would.
void DelayLookupForTests() {
    const char* delay = std::getenv("TOLMIX_TEST_LOOKUP_DELAY_MS");
    unsigned ms = 0;
    if (delay && std::from_chars(delay, delay + std::strlen(delay), ms).ec == std::errc())
        std::this_thread::sleep_for(Milliseconds(ms));
}
#endif

// Runs on the lookup's thread.
int32_t ResolveAddresses(const std::string& host, const std::string& port,
                         std::vector<ResolvedAddress>& addresses) {
#ifdef TOLMIX_TEST_SEAMS
    DelayLookupForTests();
#endif
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    AddressList list;
    errno = 0;
    const int resolved = ::getaddrinfo(host.c_str(), port.c_str(), &hints, &list.Head);
    if (resolved != 0)
        return SocketErrorFromResolver(resolved, errno);
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

} // namespace

int32_t SocketErrorFromErrno(int error) {
    switch (error) {
    case 0:
        return SocketError::Ok;
    case EINTR:
        return SocketError::Interrupted;
    case EBADF:
        return SocketError::BadHandle;
    case EACCES:
    case EPERM:
        return SocketError::AccessDenied;
    case EFAULT:
        return SocketError::BadAddress;
    case EINVAL:
        return SocketError::InvalidArgument;
    case EMFILE:
    case ENFILE:
        return SocketError::TooManyFiles;
    case EAGAIN:
        return SocketError::WouldBlock;
    case EINPROGRESS:
        return SocketError::InProgress;
    case EALREADY:
        return SocketError::AlreadyInProgress;
    case ENOTSOCK:
        return SocketError::NotASocket;
    case EDESTADDRREQ:
        return 10039;
    case EMSGSIZE:
        return SocketError::MessageTooLong;
    case EPROTOTYPE:
        return 10041;
    case ENOPROTOOPT:
        return 10042;
    case EPROTONOSUPPORT:
        return SocketError::ProtocolNotSupported;
    case ESOCKTNOSUPPORT:
        return 10044;
    case EOPNOTSUPP:
        return SocketError::NotSupported;
    case EPFNOSUPPORT:
        return 10046;
    case EAFNOSUPPORT:
        return SocketError::FamilyNotSupported;
    case EADDRINUSE:
        return SocketError::AddressInUse;
    case EADDRNOTAVAIL:
        return SocketError::AddressNotAvailable;
    case ENETDOWN:
        return SocketError::NetworkDown;
    case ENETUNREACH:
        return SocketError::NetworkUnreachable;
    case ENETRESET:
        return SocketError::NetworkReset;
    case ECONNABORTED:
        return SocketError::ConnectionAborted;
    case ECONNRESET:
    case EPIPE:
        return SocketError::ConnectionReset; // writing to a stream the peer closed
    case ENOBUFS:
    case ENOMEM:
        return SocketError::NoBufferSpace;
    case EISCONN:
        return SocketError::AlreadyConnected;
    case ENOTCONN:
        return SocketError::NotConnected;
    case ESHUTDOWN:
        return SocketError::AfterShutdown;
    case ETOOMANYREFS:
        return 10059;
    case ETIMEDOUT:
        return SocketError::TimedOut;
    case ECONNREFUSED:
        return SocketError::ConnectionRefused;
    case ELOOP:
        return 10062;
    case ENAMETOOLONG:
        return 10063;
    case EHOSTDOWN:
        return SocketError::HostDown;
    case EHOSTUNREACH:
        return SocketError::HostUnreachable;
    case ENOTEMPTY:
        return 10066;
    case EUSERS:
        return 10068;
    case EDQUOT:
        return 10069;
    case ESTALE:
        return 10070;
    case EREMOTE:
        return 10071;
    default:
        return error;
    }
}

int32_t SocketErrorFromResolver(int result, int savedErrno) {
    switch (result) {
    case 0:
        return SocketError::Ok;
    case EAI_NONAME:
        return SocketError::HostNotFound;
    case EAI_AGAIN:
        return SocketError::TryAgain;
    case EAI_FAIL:
        return SocketError::NoRecovery;
#ifdef EAI_NODATA
    case EAI_NODATA:
        return SocketError::NoData;
#endif
#ifdef EAI_ADDRFAMILY
    case EAI_ADDRFAMILY:
        return SocketError::NoData;
#endif
    case EAI_FAMILY:
        return SocketError::FamilyNotSupported;
    case EAI_SOCKTYPE:
        return 10044;
    // An unknown service leaves port 0, which no connection can reach.
    case EAI_SERVICE:
        return SocketError::AddressNotAvailable;
    case EAI_MEMORY:
        return SocketError::NoBufferSpace;
    case EAI_SYSTEM:
        return savedErrno != 0 ? SocketErrorFromErrno(savedErrno) : SocketError::NoRecovery;
    default:
        return SocketError::NoRecovery;
    }
}

PosixStreamSocket::~PosixStreamSocket() {
    Close();
}

std::unique_ptr<AddressLookup> PosixStreamSocket::StartLookup(const std::string& host,
                                                              const std::string& port) {
    auto bell = std::make_unique<PipeBell>();
    if (!bell->Valid())
        return FinishedLookup(SocketErrorFromErrno(errno));
    return StartThreadedLookup(host, port, ResolveAddresses, std::move(bell));
}

int32_t PosixStreamSocket::ConnectTo(const ResolvedAddress& address) {
    sockaddr_storage target{};
    const std::size_t length = std::min(address.Bytes.size(), sizeof target);
    std::memcpy(&target, address.Bytes.data(), length);
    const int family = address.Kind == ResolvedAddress::Family::IPv4 ? AF_INET : AF_INET6;
    Fd = ::socket(family, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, IPPROTO_TCP);
    if (Fd < 0)
        return SocketErrorFromErrno(errno);
    // Commands are small and interactive: send each at once.
    const int on = 1;
    ::setsockopt(Fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);

    if (::connect(Fd, reinterpret_cast<const sockaddr*>(&target), static_cast<socklen_t>(length)) ==
        0)
        return SocketError::Ok;
    if (errno == EINPROGRESS || errno == EINTR)
        return SocketError::InProgress;
    const int error = errno;
    CloseStream();
    return SocketErrorFromErrno(error);
}

int32_t PosixStreamSocket::StreamOutcome() {
    if (Fd < 0)
        return SocketError::NotASocket;
    pollfd entry{Fd, POLLOUT, 0};
    if (::poll(&entry, 1, 0) == 0)
        return SocketError::InProgress;
    int error = 0;
    socklen_t length = sizeof error;
    if (::getsockopt(Fd, SOL_SOCKET, SO_ERROR, &error, &length) != 0)
        error = errno;
    if (error == 0)
        return SocketError::Ok;
    CloseStream();
    return SocketErrorFromErrno(error);
}

int32_t PosixStreamSocket::SendSome(std::string_view bytes, std::size_t& sent) {
    sent = 0;
    if (Fd < 0)
        return SocketError::NotASocket;
    while (!bytes.empty()) {
        const ssize_t n = ::send(Fd, bytes.data(), bytes.size(), MSG_NOSIGNAL);
        if (n > 0) {
            sent = static_cast<std::size_t>(n);
            return SocketError::Ok;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return SocketError::WouldBlock;
        return SocketErrorFromErrno(n < 0 ? errno : EPIPE);
    }
    return SocketError::Ok;
}

void PosixStreamSocket::WaitReady(Readiness readiness, TimePoint deadline) {
    if (Fd >= 0)
        WaitFor(Fd, readiness == Readiness::Read ? POLLIN : POLLOUT, deadline);
}

int32_t PosixStreamSocket::Receive(std::string& into, std::size_t limit, Milliseconds timeout) {
    if (Fd < 0)
        return SocketError::NotASocket;
    if (limit == 0)
        return SocketError::Ok;
    const TimePoint deadline = SteadyClock::now() + timeout;
    const std::size_t start = into.size();
    into.resize(start + limit);
    int32_t result = SocketError::Ok;
    std::size_t got = 0;
    bool waited = false;
    for (;;) {
        const ssize_t n = ::recv(Fd, into.data() + start, limit, 0);
        if (n > 0) {
            got = static_cast<std::size_t>(n);
            break;
        }
        if (n == 0) {
            result = SocketError::Disconnected; // the peer ended the stream
            break;
        }
        if (errno == EINTR)
            continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) {
            result = SocketErrorFromErrno(errno);
            break;
        }
        if (waited || timeout.count() <= 0 || !WaitFor(Fd, POLLIN, deadline)) {
            result = SocketError::TimedOut;
            break;
        }
        waited = true;
    }
    into.resize(start + got);
    return result;
}

void PosixStreamSocket::ShutdownSend() {
    if (Fd >= 0)
        ::shutdown(Fd, SHUT_WR);
}

void PosixStreamSocket::CloseStream() {
    if (Fd >= 0) {
        ::close(Fd);
        Fd = -1;
    }
}

std::unique_ptr<StreamSocket> PosixNetwork::CreateSocket() {
    return std::make_unique<PosixStreamSocket>();
}

void PosixNetwork::WaitReady(PollHandle handle, Readiness readiness, TimePoint deadline) {
    if (handle.Valid())
        WaitFor(static_cast<int>(handle.Value), readiness == Readiness::Read ? POLLIN : POLLOUT,
                deadline);
}

std::optional<uint16_t> PosixNetwork::ResolvePort(std::string_view port) {
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

} // namespace tolmix::posix
