#include "DemoServer.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <netinet/in.h>
#include <poll.h>
#include <stdexcept>
#include <sys/signalfd.h>
#include <sys/socket.h>
#include <sys/syscall.h>
#include <unistd.h>

namespace tolmix::demo {

namespace {

using namespace std::chrono_literals;

// Without a pidfd the parent is looked for once a second.
constexpr int ParentCheckMs = 1000;
constexpr int SendBuffer = 64 * 1024;
constexpr int AcceptsPerPass = 64;

std::runtime_error SystemError(const std::string& what) {
    return std::runtime_error(what + ": " + std::strerror(errno));
}

} // namespace

DemoServer::DemoServer(const CommandLine& options)
    : Village(Clock::now(), options.limits), ParentPid(options.parentPid) {
    std::signal(SIGPIPE, SIG_IGN);
    sigset_t quit;
    sigemptyset(&quit);
    sigaddset(&quit, SIGINT);
    sigaddset(&quit, SIGTERM);
    sigprocmask(SIG_BLOCK, &quit, nullptr);
    Signals = ::signalfd(-1, &quit, SFD_NONBLOCK | SFD_CLOEXEC);
    if (Signals < 0)
        throw SystemError("signalfd");

    if (ParentPid > 0) {
#ifdef SYS_pidfd_open
        Parent = static_cast<int>(::syscall(SYS_pidfd_open, ParentPid, 0));
#endif
        if (Parent < 0 && ::kill(ParentPid, 0) != 0 && errno == ESRCH)
            throw std::runtime_error("no process " + std::to_string(ParentPid));
    }

    Listener = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (Listener < 0)
        throw SystemError("socket");
    const int yes = 1;
    ::setsockopt(Listener, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(options.port);
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::bind(Listener, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0)
        throw SystemError("cannot listen on 127.0.0.1:" + std::to_string(options.port));
    if (::listen(Listener, SOMAXCONN) != 0)
        throw SystemError("listen");
    socklen_t length = sizeof address;
    ::getsockname(Listener, reinterpret_cast<sockaddr*>(&address), &length);
    ListenPort = ntohs(address.sin_port);
}

DemoServer::~DemoServer() {
    Players.clear();
    for (const int fd : {Listener, Signals, Parent})
        if (fd >= 0)
            ::close(fd);
}

bool DemoServer::ParentGone() const {
    return ParentPid > 0 && ::kill(ParentPid, 0) != 0 && errno == ESRCH;
}

int DemoServer::Timeout(Clock::time_point now) const {
    std::optional<Clock::time_point> next;
    for (const auto& player : Players) {
        for (const auto due : {player->Game().NextDeadline(), player->Deadline()})
            if (due)
                next = next ? std::min(*next, *due) : *due;
    }
    int timeout = -1;
    if (next) {
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(*next - now).count();
        timeout = static_cast<int>(std::clamp<long long>(wait, 0, 60'000));
    }
    if ((ParentPid > 0 && Parent < 0) || AcceptPausedUntil)
        timeout = timeout < 0 ? ParentCheckMs : std::min(timeout, ParentCheckMs);
    return timeout;
}

void DemoServer::MakeWay(Clock::time_point now) {
    // The connection that has waited longest without logging in goes: idle connections can
    // never keep a player out for longer than it takes to open one.
    auto oldest = Players.end();
    for (auto p = Players.begin(); p != Players.end(); ++p) {
        const auto due = (*p)->Game().LoginDeadline();
        if (due && (oldest == Players.end() || *due < *(*oldest)->Game().LoginDeadline()))
            oldest = p;
    }
    if (oldest == Players.end())
        return;
    (*oldest)->Game().GiveWay();
    (*oldest)->Flush(now);
    Players.erase(oldest);
}

void DemoServer::Accept(Clock::time_point now) {
    for (int i = 0; i < AcceptsPerPass; ++i) {
        const int fd = ::accept4(Listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EMFILE || errno == ENFILE)
                AcceptPausedUntil = now + 1s; // rather than poll() waking at once, again and again
            return;
        }
        if (Players.size() >= MaxPlayers)
            MakeWay(now);
        if (Players.size() >= MaxPlayers) {
            static constexpr char Full[] = "\xD1\xE5\xF0\xE2\xE5\xF0 \xEF\xEE\xEB\xEE\xED.\r\n";
            (void)!::send(fd, Full, sizeof Full - 1, MSG_NOSIGNAL | MSG_DONTWAIT); // Сервер полон.
            ::close(fd);
            continue;
        }
        ::setsockopt(fd, SOL_SOCKET, SO_SNDBUF, &SendBuffer, sizeof SendBuffer);
        auto player = std::make_unique<Connection>(fd, Village, now);
        player->Game().Start();
        if (player->Flush(now))
            Players.push_back(std::move(player));
    }
}

void DemoServer::Run() {
    std::vector<pollfd> fds;
    for (;;) {
        fds.clear();
        fds.push_back({Signals, POLLIN, 0});
        if (AcceptPausedUntil && Clock::now() >= *AcceptPausedUntil)
            AcceptPausedUntil.reset();
        fds.push_back({AcceptPausedUntil ? -1 : Listener, POLLIN, 0});
        fds.push_back({Parent, POLLIN, 0}); // a negative descriptor is left alone by poll
        for (const auto& player : Players)
            fds.push_back({player->Fd(), player->Events(), 0});
        const int ready = ::poll(fds.data(), fds.size(), Timeout(Clock::now()));
        if (ready < 0 && errno != EINTR)
            throw SystemError("poll");
        const auto now = Clock::now();
        if (fds[0].revents != 0 || fds[2].revents != 0)
            return;
        if (ParentPid > 0 && Parent < 0 && ParentGone())
            return;
        // The players known before this pass; new ones are served from the next.
        const std::size_t known = Players.size();
        for (std::size_t i = 0; i < known; ++i)
            if (const short revents = fds[i + 3].revents)
                Players[i]->Handle(revents, now);
        if (fds[1].revents & POLLIN)
            Accept(now);
        for (const auto& player : Players) {
            const auto due = player->Game().NextDeadline();
            if (due && *due <= now)
                player->Game().OnTime(now);
        }
        // Sessions speak to each other's players too: everything queued goes out now.
        for (const auto& player : Players)
            player->Flush(now);
        std::erase_if(Players, [](const auto& player) { return !player->Alive(); });
    }
}

} // namespace tolmix::demo
