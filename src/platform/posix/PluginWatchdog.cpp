#include "platform/posix/PluginWatchdog.h"

#include "platform/posix/PosixEventLoop.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <optional>
#include <poll.h>
#include <unistd.h>

namespace tolmix::posix {

namespace {

using Clock = std::chrono::steady_clock;

// F10 as the terminal sends it: "CSI 21 ~", or with modifiers "CSI 21 ; ... ~" (xterm, the
// kitty protocol and the Linux console alike).
constexpr std::string_view F10 = "\x1b[21~";
constexpr std::string_view F10WithModifiers = "\x1b[21;";
constexpr std::size_t KeptTail = 16;

void Drain(int fd) {
    char buffer[64];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
}

bool MakePipe(int& readEnd, int& writeEnd) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        return false;
    readEnd = fds[0];
    writeEnd = fds[1];
    return true;
}

void CloseIf(int& fd) {
    if (fd >= 0)
        ::close(fd);
    fd = -1;
}

} // namespace

PluginWatchdog::PluginWatchdog(int terminalInput, std::function<void(const std::string&)> end,
                               Duration stuckAfter, Duration grace)
    : TerminalInput(terminalInput), End(std::move(end)), StuckAfter(stuckAfter), Grace(grace) {
    if (!MakePipe(WakeRead, WakeWrite))
        return;
    if (!MakePipe(SignalRead, SignalWrite)) {
        CloseIf(WakeRead);
        CloseIf(WakeWrite);
        return;
    }
    PosixEventLoop::SetQuitSignalWatch(SignalWrite);
    Thread = std::thread([this] { Run(); });
}

PluginWatchdog::~PluginWatchdog() {
    if (Thread.joinable()) {
        PosixEventLoop::SetQuitSignalWatch(-1);
        Stopping.store(true);
        Wake();
        Thread.join();
    }
    for (int* fd : {&WakeRead, &WakeWrite, &SignalRead, &SignalWrite})
        CloseIf(*fd);
}

void PluginWatchdog::Wake() {
    const char byte = 'w';
    [[maybe_unused]] const ssize_t n = ::write(WakeWrite, &byte, 1);
}

void PluginWatchdog::Enter() {
    Depth.fetch_add(1);
    Beats.fetch_add(1);
    if (Sleeping.load())
        Wake();
}

void PluginWatchdog::Leave() {
    Depth.fetch_sub(1);
    Beats.fetch_add(1);
    if (Sleeping.load())
        Wake();
}

void PluginWatchdog::PassBegins() {
    Passes.fetch_add(1);
    Beats.fetch_add(1);
    if (Sleeping.load())
        Wake();
}

void PluginWatchdog::PassEnds() {
    Passes.fetch_sub(1);
    Beats.fetch_add(1);
    if (Sleeping.load())
        Wake();
}

void PluginWatchdog::QuitPending() {
    Quitting.store(true);
    Wake();
}

bool PluginWatchdog::ReadTerminalForF10() {
    char buffer[256];
    const ssize_t n = ::read(TerminalInput, buffer, sizeof buffer);
    if (n <= 0)
        return false;
    Pending.append(buffer, static_cast<std::size_t>(n));
    if (Pending.find(F10) != std::string::npos ||
        Pending.find(F10WithModifiers) != std::string::npos)
        return true;
    if (Pending.size() > KeptTail)
        Pending.erase(0, Pending.size() - KeptTail);
    return false;
}

void PluginWatchdog::Run() {
    std::optional<Clock::time_point> quitSince;
    uint64_t seenBeats = Beats.load();
    Clock::time_point movedAt = Clock::now();
    while (!Stopping.load()) {
        const Clock::time_point now = Clock::now();
        if (Quitting.exchange(false) && !quitSince)
            quitSince = now;
        const uint64_t beats = Beats.load();
        if (beats != seenBeats) {
            seenBeats = beats;
            movedAt = now;
        }
        int timeout = -1;
        auto limit = [&](Clock::time_point due) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(due - now).count();
            const int ms = static_cast<int>(std::clamp<long long>(left, 0, 60'000));
            timeout = timeout < 0 ? ms : std::min(timeout, ms);
        };
        // A quit that plugin code has kept waiting for the grace time ends the program.
        if (quitSince && Depth.load() > 0) {
            if (now >= *quitSince + Grace)
                return End("a quit request while a plugin did not return");
            limit(*quitSince + Grace);
        }
        bool stuck = false;
        if (!InsidePlugin())
            Pending.clear();
        if (InsidePlugin()) {
            if (now - movedAt >= StuckAfter)
                stuck = true;
            else
                limit(movedAt + StuckAfter);
        }
        // Without a time-out, whatever the main thread does next must wake the watchdog.
        if (timeout < 0) {
            Sleeping.store(true);
            if (Beats.load() != seenBeats || Quitting.load()) {
                Sleeping.store(false);
                continue;
            }
        } else {
            Sleeping.store(false);
        }
        pollfd watched[3] = {{WakeRead, POLLIN, 0},
                             {SignalRead, POLLIN, 0},
                             {stuck ? TerminalInput : -1, POLLIN, 0}};
        const int ready = ::poll(watched, 3, timeout);
        Sleeping.store(false);
        if (ready < 0 && errno != EINTR)
            return;
        if (ready <= 0)
            continue;
        if (watched[0].revents != 0)
            Drain(WakeRead);
        if (watched[1].revents != 0) {
            Drain(SignalRead);
            if (!quitSince)
                quitSince = Clock::now();
        }
        if (stuck && (watched[2].revents & POLLIN) && Beats.load() == seenBeats &&
            ReadTerminalForF10())
            return End("F10 while a plugin did not return");
        if (stuck && (watched[2].revents & (POLLHUP | POLLERR | POLLNVAL)))
            return End("the terminal closed while a plugin did not return");
    }
}

} // namespace tolmix::posix
