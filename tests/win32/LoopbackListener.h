#pragma once

// A listening socket on 127.0.0.1 with a free port, and the peer it accepts: the other end of
// the client's sockets in the Windows tests.
#include <winsock2.h>
#include <ws2tcpip.h>

#include <string>

namespace tolmix::test {

class LoopbackListener {
  public:
    LoopbackListener() {
        WSADATA data;
        ::WSAStartup(MAKEWORD(2, 2), &data);
        Listener = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(Listener, reinterpret_cast<sockaddr*>(&address), sizeof address);
        ::listen(Listener, 4);
        int length = sizeof address;
        ::getsockname(Listener, reinterpret_cast<sockaddr*>(&address), &length);
        Port = ntohs(address.sin_port);
    }
    ~LoopbackListener() {
        if (Peer != INVALID_SOCKET)
            ::closesocket(Peer);
        ::closesocket(Listener);
        ::WSACleanup();
    }
    LoopbackListener(const LoopbackListener&) = delete;
    LoopbackListener& operator=(const LoopbackListener&) = delete;

    std::string PortText() const { return std::to_string(Port); }
    bool Accept() {
        Peer = ::accept(Listener, nullptr, nullptr);
        return Peer != INVALID_SOCKET;
    }
    void Send(const std::string& bytes) {
        ::send(Peer, bytes.data(), static_cast<int>(bytes.size()), 0);
    }
    // Reads until `count` bytes came or the peer ended; blocking, with a 5 s limit per read.
    std::string Read(size_t count) {
        const DWORD limit = 5000;
        ::setsockopt(Peer, SOL_SOCKET, SO_RCVTIMEO, reinterpret_cast<const char*>(&limit),
                     sizeof limit);
        std::string got;
        char buffer[4096];
        while (got.size() < count) {
            const int n = ::recv(Peer, buffer, sizeof buffer, 0);
            if (n <= 0)
                break;
            got.append(buffer, static_cast<size_t>(n));
        }
        return got;
    }
    void ClosePeer(bool reset = false) {
        if (reset) {
            linger hard{1, 0};
            ::setsockopt(Peer, SOL_SOCKET, SO_LINGER, reinterpret_cast<const char*>(&hard),
                         sizeof hard);
        }
        ::closesocket(Peer);
        Peer = INVALID_SOCKET;
    }

    SOCKET Listener = INVALID_SOCKET;
    SOCKET Peer = INVALID_SOCKET;
    unsigned short Port = 0;
};

} // namespace tolmix::test
