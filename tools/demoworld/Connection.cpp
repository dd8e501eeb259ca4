#include "Connection.h"

#include "Wire.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tolmix::demo {

namespace {

constexpr std::size_t ReadChunk = 4096;
// A connection reads at most this much per wake-up, so one busy player cannot starve the rest.
constexpr std::size_t ReadPerPass = 64 * 1024;
constexpr auto LastWordsTime = std::chrono::seconds(10);

} // namespace

Connection::Connection(int fd, World& world, Clock::time_point now)
    : Socket(fd), Player(world, *this, now) {}

Connection::~Connection() {
    Dead = true; // the session's farewell has nowhere to go now
    ::close(Socket);
}

std::optional<Clock::time_point> Connection::Deadline() const {
    if (Closing)
        return ClosedBy;
    return std::nullopt;
}

short Connection::Events() const {
    short events = Closing ? 0 : POLLIN;
    if (Written < Output.size())
        events |= POLLOUT;
    return events;
}

void Connection::Queue(std::string_view bytes) {
    if (Dead)
        return;
    if (Output.size() - Written + bytes.size() > OutputLimit) {
        Dead = true; // a player who does not read is let go
        return;
    }
    if (Written > 0 && Written == Output.size()) {
        Output.clear();
        Written = 0;
    }
    Output += bytes;
}

void Connection::SendLine(std::string_view text) {
    Queue(wire::EscapeIac(text) + "\r\n");
}

void Connection::SendPrompt(std::string_view text) {
    // The go-ahead ends the prompt: the answer is typed on the same line.
    Queue(wire::EscapeIac(text) + std::string(wire::GoAhead));
}

void Connection::SendTelnet(std::string_view bytes) {
    Queue(bytes);
}

void Connection::Hangup() {
    if (!Closing)
        ClosedBy = Clock::now() + LastWordsTime;
    Closing = true;
}

bool Connection::Handle(short revents, Clock::time_point now) {
    if (!Dead && (revents & (POLLIN | POLLHUP | POLLERR)) && !Closing)
        Read(now);
    if (!Dead && (revents & (POLLOUT | POLLERR)))
        Write();
    if (Closing && Written == Output.size())
        Dead = true;
    if (!Dead && (revents & POLLNVAL))
        Dead = true;
    return !Dead;
}

bool Connection::Flush(Clock::time_point now) {
    Write();
    if (Closing && (Written == Output.size() || now >= ClosedBy))
        Dead = true;
    return !Dead;
}

void Connection::Read(Clock::time_point now) {
    std::vector<TelnetInput::Line> lines;
    char buffer[ReadChunk];
    for (std::size_t taken = 0; taken < ReadPerPass;) {
        const ssize_t n = ::recv(Socket, buffer, sizeof buffer, 0);
        if (n > 0) {
            Input.Feed({buffer, static_cast<std::size_t>(n)}, lines);
            taken += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK)) {
            Dead = true; // the player has gone
            return;
        }
        break;
    }
    for (const TelnetInput::Line& line : lines) {
        if (Dead || Closing)
            break;
        Player.Receive(line, now);
    }
    Write(); // answer at once; what does not fit waits for POLLOUT
}

void Connection::Write() {
    while (!Dead && Written < Output.size()) {
        const ssize_t n =
            ::send(Socket, Output.data() + Written, Output.size() - Written, MSG_NOSIGNAL);
        if (n > 0) {
            Written += static_cast<std::size_t>(n);
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK))
            return;
        Dead = true;
        return;
    }
    if (Written == Output.size()) {
        Output.clear();
        Written = 0;
    }
}

} // namespace tolmix::demo
