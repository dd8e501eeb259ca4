#include "platform/posix/PosixEventLoop.h"

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

namespace tolmix::posix {

namespace {

// Signal handlers only set flags and write one byte to the wake pipe.
std::atomic<int> SignalWakeFd{-1};
std::atomic<int> QuitWatchFd{-1};
std::atomic<bool> QuitSignalled{false};
std::atomic<bool> ResizeSignalled{false};
std::atomic<bool> StopSignalled{false};
std::atomic<bool> ContinueSignalled{false};

std::atomic<bool>& FlagOf(int signal) {
    switch (signal) {
    case SIGWINCH:
        return ResizeSignalled;
    case SIGTSTP:
        return StopSignalled;
    case SIGCONT:
        return ContinueSignalled;
    default:
        return QuitSignalled;
    }
}

extern "C" void OnSignal(int signal) {
    std::atomic<bool>& flag = FlagOf(signal);
    flag.store(true);
    const int saved = errno;
    const char byte = 's';
    const int fd = SignalWakeFd.load();
    if (fd >= 0) {
        [[maybe_unused]] ssize_t n = ::write(fd, &byte, 1);
    }
    const int watch = QuitWatchFd.load();
    if (watch >= 0 && &flag == &QuitSignalled) {
        [[maybe_unused]] ssize_t n = ::write(watch, &byte, 1);
    }
    errno = saved;
}

void Install(int signal, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    ::sigaction(signal, &action, nullptr);
}

} // namespace

PosixEventLoop::PosixEventLoop() {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC | O_NONBLOCK) != 0)
        throw std::runtime_error(std::string("Cannot create the event loop's pipe: ") +
                                 std::strerror(errno));
    WakeRead = fds[0];
    WakeWrite = fds[1];
    SignalWakeFd.store(WakeWrite);
    Install(SIGTERM, OnSignal);
    Install(SIGHUP, OnSignal);
    Install(SIGINT, OnSignal); // only from kill: raw mode turns Ctrl+C into a key
    Install(SIGWINCH, OnSignal);
    Install(SIGTSTP, OnSignal);
    Install(SIGCONT, OnSignal);
    ::signal(SIGPIPE, SIG_IGN); // a dropped connection is reported by send(), not by a signal
}

PosixEventLoop::~PosixEventLoop() {
    ::signal(SIGTERM, SIG_DFL);
    ::signal(SIGHUP, SIG_DFL);
    ::signal(SIGINT, SIG_DFL);
    ::signal(SIGWINCH, SIG_DFL);
    ::signal(SIGTSTP, SIG_DFL);
    ::signal(SIGCONT, SIG_DFL);
    SignalWakeFd.store(-1);
    ::close(WakeRead);
    ::close(WakeWrite);
}

void PosixEventLoop::SetQuitSignalWatch(int fd) {
    QuitWatchFd.store(fd);
}

void PosixEventLoop::Wake() {
    const char byte = 'w';
    [[maybe_unused]] ssize_t n = ::write(WakeWrite, &byte, 1);
}

void PosixEventLoop::DrainWakePipe() {
    char buffer[256];
    while (::read(WakeRead, buffer, sizeof buffer) > 0) {
    }
}

void PosixEventLoop::WatchFd(int fd) {
    if (std::find(Watched.begin(), Watched.end(), fd) == Watched.end())
        Watched.push_back(fd);
}

void PosixEventLoop::UnwatchFd(int fd) {
    Watched.erase(std::remove(Watched.begin(), Watched.end(), fd), Watched.end());
}

bool PosixEventLoop::TakeResized() {
    return ResizeSignalled.exchange(false);
}

bool PosixEventLoop::TakeStopRequested() {
    return StopSignalled.exchange(false);
}

bool PosixEventLoop::TakeContinued() {
    return ContinueSignalled.exchange(false);
}

void PosixEventLoop::StopUntilContinued() {
    // SIGSTOP rather than the default action of SIGTSTP, which the kernel drops for a process
    // group without a shell to continue it (a client started as a session's leader): the
    // request to stop came from outside and is honoured. kill() returns once continued.
    ::kill(::getpid(), SIGSTOP);
}

void PosixEventLoop::Wait(std::optional<TimePoint> deadline) {
    if (QuitSignalled.exchange(false))
        RequestQuit();
    if (HasReadyWork())
        return;
    std::optional<TimePoint> until = NextTimerDue();
    if (deadline && (!until || *deadline < *until))
        until = deadline;

    int timeout = -1;
    if (until) {
        const auto left = std::chrono::ceil<Milliseconds>(*until - Now()).count();
        timeout = left <= 0 ? 0 : static_cast<int>(std::min<long long>(left, 60'000));
    }
    std::vector<pollfd> fds;
    fds.reserve(Watched.size() + WatchedHandles().size() + WritableHandles().size() + 1);
    fds.push_back({WakeRead, POLLIN, 0});
    for (int fd : Watched)
        fds.push_back({fd, POLLIN, 0});
    const std::vector<PollHandle>& writable = WritableHandles();
    for (PollHandle handle : WatchedHandles())
        if (std::find(writable.begin(), writable.end(), handle) == writable.end())
            fds.push_back({static_cast<int>(handle.Value), POLLIN, 0});
    for (PollHandle handle : WritableHandles())
        fds.push_back({static_cast<int>(handle.Value), POLLOUT, 0});
    ++WaitCount;
    const int ready = ::poll(fds.data(), fds.size(), timeout);
    if (ready > 0 && (fds[0].revents & POLLIN))
        DrainWakePipe();
    if (QuitSignalled.exchange(false))
        RequestQuit();
}

} // namespace tolmix::posix
