#include "e2e/harness/LoopbackServer.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>

namespace tolmix::e2e {

using std::chrono::milliseconds;

namespace {

constexpr milliseconds kSendTimeout{2000};
constexpr milliseconds kCloseTimeout{2000};

std::runtime_error SystemError(const char* what) {
    return std::runtime_error(std::string(what) + ": " + std::strerror(errno));
}

} // namespace

struct LoopbackServer::Connection {
    int fd = -1;
    std::string received;
    std::size_t taken = 0; // received[0, taken) was handed to the test
    std::string outbox;
    std::size_t outboxSent = 0; // outbox[0, outboxSent) went out already
    std::vector<ScriptStep> script;
    std::size_t step = 0;
    std::size_t scriptFrom = 0; // where the next step's expectation is looked for
    bool peerClosed = false;
    bool weShutDown = false;
    bool writeFailed = false;
    bool closeAfterSend = false; // the script ends the connection once the outbox is empty
    CloseKind closeRequest = CloseKind::None;

    bool HasOutput() const { return outboxSent < outbox.size(); }
    void DropOutput() {
        outbox.clear();
        outboxSent = 0;
    }
};

LoopbackServer::LoopbackServer(std::uint16_t port) {
    listener_ = socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (listener_ < 0)
        throw SystemError("socket");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(port);
    const int reuse = 1;
    setsockopt(listener_, SOL_SOCKET, SO_REUSEADDR, &reuse, sizeof reuse);
    socklen_t length = sizeof address;
    int pipeFds[2];
    if (bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        listen(listener_, 16) != 0 ||
        getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        pipe2(pipeFds, O_CLOEXEC | O_NONBLOCK) != 0) {
        const auto error = SystemError("listening on 127.0.0.1");
        close(listener_);
        throw error;
    }
    port_ = ntohs(address.sin_port);
    wakeRead_ = pipeFds[0];
    wakeWrite_ = pipeFds[1];
    thread_ = std::thread([this] { Run(); });
}

LoopbackServer::~LoopbackServer() {
    {
        std::lock_guard lock(mutex_);
        stop_ = true;
    }
    Wake();
    thread_.join();
    for (auto& connection : connections_)
        if (connection->fd >= 0)
            close(connection->fd);
    if (listener_ >= 0)
        close(listener_);
    close(wakeRead_);
    close(wakeWrite_);
}

void LoopbackServer::Wake() {
    const char byte = 1;
    [[maybe_unused]] auto written = write(wakeWrite_, &byte, 1);
}

template <typename Predicate>
bool LoopbackServer::WaitUntil(milliseconds timeout, Predicate predicate) {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, timeout, predicate);
}

void LoopbackServer::SetScript(std::vector<ScriptStep> steps) {
    std::lock_guard lock(mutex_);
    script_ = std::move(steps);
}

std::optional<LoopbackServer::Peer> LoopbackServer::Accept(milliseconds timeout) {
    if (!WaitUntil(timeout, [this] { return connections_.size() > handedOut_; }))
        return std::nullopt;
    std::lock_guard lock(mutex_);
    return Peer(this, handedOut_++);
}

std::size_t LoopbackServer::ConnectionCount() const {
    std::lock_guard lock(mutex_);
    return connections_.size();
}

void LoopbackServer::StopListening() {
    {
        std::lock_guard lock(mutex_);
        stopListening_ = true;
    }
    Wake();
    WaitUntil(kCloseTimeout, [this] { return listener_ < 0; });
}

void LoopbackServer::RequestClose(std::size_t index, CloseKind kind) {
    {
        std::lock_guard lock(mutex_);
        connections_[index]->closeRequest = kind;
    }
    Wake();
    WaitUntil(kCloseTimeout, [&] {
        const Connection& c = *connections_[index];
        return c.closeRequest == CloseKind::None;
    });
}

// The thread: one poll over the wake pipe, the listener and every open connection.
void LoopbackServer::Run() {
    std::vector<pollfd> fds;
    for (;;) {
        {
            std::lock_guard lock(mutex_);
            if (stop_)
                return;
            if (stopListening_ && listener_ >= 0) {
                close(listener_);
                listener_ = -1;
                changed_.notify_all();
            }
            for (auto& c : connections_) {
                if (c->closeRequest == CloseKind::None || c->fd < 0)
                    continue;
                if (c->closeRequest == CloseKind::Reset) {
                    // Linger zero turns close into an RST.
                    linger hard{1, 0};
                    setsockopt(c->fd, SOL_SOCKET, SO_LINGER, &hard, sizeof hard);
                    close(c->fd);
                    c->fd = -1;
                } else {
                    // FIN first and keep reading: closing with unread input would send an RST.
                    shutdown(c->fd, SHUT_WR);
                    c->weShutDown = true;
                    c->DropOutput();
                }
                c->closeRequest = CloseKind::None;
                changed_.notify_all();
            }
            for (auto& c : connections_) {
                if (c->fd >= 0 && c->peerClosed && c->weShutDown) {
                    close(c->fd);
                    c->fd = -1;
                }
            }
            fds.clear();
            fds.push_back({wakeRead_, POLLIN, 0});
            if (listener_ >= 0)
                fds.push_back({listener_, POLLIN, 0});
            for (auto& c : connections_) {
                if (c->fd < 0 || (c->peerClosed && !c->HasOutput()))
                    continue;
                short events = c->peerClosed ? 0 : POLLIN;
                if (c->HasOutput())
                    events |= POLLOUT;
                fds.push_back({c->fd, events, 0});
            }
        }
        if (poll(fds.data(), fds.size(), -1) < 0 && errno != EINTR)
            return;
        char drain[64];
        while (read(wakeRead_, drain, sizeof drain) > 0) {
        }
        std::lock_guard lock(mutex_);
        AcceptPending();
        for (auto& c : connections_) {
            if (c->fd < 0)
                continue;
            if (!c->peerClosed)
                ReadFrom(*c);
            if (c->HasOutput() || c->closeAfterSend)
                WriteTo(*c);
        }
        changed_.notify_all();
    }
}

void LoopbackServer::AcceptPending() {
    if (listener_ < 0)
        return;
    for (;;) {
        const int fd = accept4(listener_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0)
            return;
        auto connection = std::make_unique<Connection>();
        connection->fd = fd;
        connection->script = script_;
        AdvanceScript(*connection);
        WriteTo(*connection);
        connections_.push_back(std::move(connection));
    }
}

void LoopbackServer::ReadFrom(Connection& c) {
    char buffer[16384];
    for (;;) {
        const ssize_t n = recv(c.fd, buffer, sizeof buffer, 0);
        if (n > 0) {
            c.received.append(buffer, static_cast<std::size_t>(n));
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            break;
        c.peerClosed = true; // end of stream, or reset
        break;
    }
    AdvanceScript(c);
}

void LoopbackServer::WriteTo(Connection& c) {
    if (c.weShutDown)
        return;
    while (c.HasOutput()) {
        const ssize_t n = send(c.fd, c.outbox.data() + c.outboxSent, c.outbox.size() - c.outboxSent,
                               MSG_NOSIGNAL);
        if (n > 0) {
            c.outboxSent += static_cast<std::size_t>(n);
            // Bursts of many megabytes go out without moving the rest after every send.
            if (!c.HasOutput()) {
                c.DropOutput();
            } else if (c.outboxSent >= (1u << 20) && c.outboxSent * 2 >= c.outbox.size()) {
                c.outbox.erase(0, c.outboxSent);
                c.outboxSent = 0;
            }
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        c.DropOutput(); // the client is gone
        c.writeFailed = true;
        c.peerClosed = true;
        return;
    }
    if (c.closeAfterSend) {
        // FIN, and keep reading: closing with unread input would send an RST.
        shutdown(c.fd, SHUT_WR);
        c.weShutDown = true;
        c.closeAfterSend = false;
    }
}

void LoopbackServer::AdvanceScript(Connection& c) {
    while (c.step < c.script.size()) {
        const ScriptStep& step = c.script[c.step];
        if (!step.expect.empty()) {
            const std::size_t at = c.received.find(step.expect, c.scriptFrom);
            if (at == std::string::npos)
                return;
            c.scriptFrom = at + step.expect.size();
        }
        c.outbox += step.send;
        ++c.step;
        if (step.close) {
            c.closeAfterSend = true;
            return;
        }
    }
}

bool LoopbackServer::Peer::Send(std::string_view bytes) {
    LoopbackServer& s = *server_;
    {
        std::lock_guard lock(s.mutex_);
        Connection& c = *s.connections_[index_];
        if (c.fd < 0 || c.weShutDown)
            return false;
        c.outbox.append(bytes);
    }
    s.Wake();
    const bool drained = s.WaitUntil(kSendTimeout, [&] {
        const Connection& c = *s.connections_[index_];
        return !c.HasOutput() || c.fd < 0;
    });
    std::lock_guard lock(s.mutex_);
    const Connection& c = *s.connections_[index_];
    return drained && !c.HasOutput() && !c.writeFailed;
}

void LoopbackServer::Peer::Post(std::string_view bytes) {
    {
        std::lock_guard lock(server_->mutex_);
        Connection& c = *server_->connections_[index_];
        if (c.fd < 0 || c.weShutDown)
            return;
        c.outbox.append(bytes);
    }
    server_->Wake();
}

std::string LoopbackServer::Peer::Received() const {
    std::lock_guard lock(server_->mutex_);
    return server_->connections_[index_]->received;
}

bool LoopbackServer::Peer::WaitForReceived(std::string_view bytes, milliseconds timeout) {
    LoopbackServer& s = *server_;
    bool found = false;
    s.WaitUntil(timeout, [&] {
        const Connection& c = *s.connections_[index_];
        found = c.received.find(bytes, c.taken) != std::string::npos;
        return found || c.peerClosed; // after a close nothing more arrives
    });
    return found;
}

bool LoopbackServer::Peer::WaitForBytes(std::size_t count, milliseconds timeout) {
    LoopbackServer& s = *server_;
    bool enough = false;
    s.WaitUntil(timeout, [&] {
        const Connection& c = *s.connections_[index_];
        enough = c.received.size() - c.taken >= count;
        return enough || c.peerClosed;
    });
    return enough;
}

std::string LoopbackServer::Peer::Take() {
    std::lock_guard lock(server_->mutex_);
    Connection& c = *server_->connections_[index_];
    std::string bytes = c.received.substr(c.taken);
    c.taken = c.received.size();
    return bytes;
}

bool LoopbackServer::Peer::WaitForPeerClosed(milliseconds timeout) {
    LoopbackServer& s = *server_;
    return s.WaitUntil(timeout, [&] { return s.connections_[index_]->peerClosed; });
}

bool LoopbackServer::Peer::PeerClosed() const {
    std::lock_guard lock(server_->mutex_);
    return server_->connections_[index_]->peerClosed;
}

void LoopbackServer::Peer::Close() {
    server_->RequestClose(index_, CloseKind::Fin);
}

void LoopbackServer::Peer::Reset() {
    server_->RequestClose(index_, CloseKind::Reset);
}

std::size_t LoopbackServer::Peer::StepsDone() const {
    std::lock_guard lock(server_->mutex_);
    return server_->connections_[index_]->step;
}

} // namespace tolmix::e2e
