#include "platform/Network.h"
#include "platform/SocketErrors.h"

namespace tolmix {

bool PortOutOfRange(std::string_view port) {
    if (port.empty())
        return false;
    uint32_t value = 0;
    for (char c : port) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<uint32_t>(c - '0');
        if (value > 65535) // also stops the sum before it could overflow
            return true;
    }
    return value == 0;
}

int32_t StreamSocket::Connect(std::string_view host, std::string_view port, Milliseconds timeout) {
    const TimePoint deadline = SteadyClock::now() + timeout;
    int32_t result = StartConnect(host, port);
    while (result == SocketError::InProgress) {
        if (SteadyClock::now() >= deadline) {
            Close();
            return SocketError::TimedOut;
        }
        WaitReady(Readiness::Write, deadline);
        result = ConnectOutcome();
    }
    return result;
}

int32_t StreamSocket::Send(std::string_view bytes, Milliseconds timeout) {
    const TimePoint deadline = SteadyClock::now() + timeout;
    while (!bytes.empty()) {
        std::size_t sent = 0;
        const int32_t result = SendSome(bytes, sent);
        bytes.remove_prefix(sent);
        if (result == SocketError::WouldBlock) {
            if (SteadyClock::now() >= deadline)
                return SocketError::TimedOut;
            WaitReady(Readiness::Write, deadline);
        } else if (result != SocketError::Ok) {
            return result;
        }
    }
    return SocketError::Ok;
}

} // namespace tolmix
