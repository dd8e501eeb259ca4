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

int32_t CheckConnectSettings(std::string_view host, std::string_view port) {
    if (host.empty())
        return SocketError::HostNotFound;
    if (port.empty())
        return SocketError::AddressNotAvailable;
    // The resolvers would take 108041 for 42505.
    if (PortOutOfRange(port))
        return SocketError::InvalidArgument;
    // The resolvers want terminated strings; a zero byte inside a setting names nothing.
    if (host.find('\0') != std::string_view::npos)
        return SocketError::HostNotFound;
    if (port.find('\0') != std::string_view::npos)
        return SocketError::AddressNotAvailable;
    return SocketError::Ok;
}

const ResolvedAddress* PreferredAddress(const std::vector<ResolvedAddress>& addresses) {
    for (ResolvedAddress::Family family :
         {ResolvedAddress::Family::IPv4, ResolvedAddress::Family::IPv6})
        for (const ResolvedAddress& address : addresses)
            if (address.Kind == family)
                return &address;
    return nullptr;
}

int32_t StreamSocket::StartConnect(std::string_view host, std::string_view port) {
    if (Lookup || Handle().Valid())
        return SocketError::AlreadyConnected;
    if (const int32_t error = CheckConnectSettings(host, port))
        return error;
    Lookup = StartLookup(std::string(host), std::string(port));
    return ConnectOutcome();
}

int32_t StreamSocket::ConnectOutcome() {
    if (!Lookup)
        return StreamOutcome();
    std::vector<ResolvedAddress> addresses;
    const int32_t result = Lookup->Outcome(addresses);
    if (result == SocketError::InProgress)
        return result;
    Lookup.reset();
    return ConnectToFound(result, addresses);
}

int32_t StreamSocket::ConnectToFound(int32_t lookupResult,
                                     const std::vector<ResolvedAddress>& addresses) {
    if (lookupResult != SocketError::Ok)
        return lookupResult;
    const ResolvedAddress* chosen = PreferredAddress(addresses);
    if (!chosen)
        return SocketError::NoData;
    return ConnectTo(*chosen);
}

StreamSocket::ReadyWait StreamSocket::ConnectWait() const {
    if (Lookup)
        return {Lookup->Handle(), Readiness::Read};
    return {Handle(), Readiness::Write};
}

void StreamSocket::Close() {
    Lookup.reset();
    CloseStream();
}

int32_t StreamSocket::Connect(std::string_view host, std::string_view port, Milliseconds timeout) {
    const TimePoint deadline = SteadyClock::now() + timeout;
    int32_t result = StartConnect(host, port);
    while (result == SocketError::InProgress) {
        if (SteadyClock::now() >= deadline) {
            Close();
            return SocketError::TimedOut;
        }
        if (Lookup)
            Lookup->Wait(deadline);
        else
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
