#pragma once

#include "platform/QueuedEventLoop.h"

#include <atomic>
#include <functional>
#include <vector>

namespace tolmix::posix {

// The event loop on poll(): one wait whose time-out is the nearest timer or deadline, ended
// early by watched descriptors, by a wake pipe (other threads) and by signals. SIGTERM and
// SIGHUP become WmQuit; SIGWINCH, SIGTSTP and SIGCONT are remembered for the terminal.
class PosixEventLoop final : public QueuedEventLoop {
  public:
    PosixEventLoop();
    ~PosixEventLoop() override;
    PosixEventLoop(const PosixEventLoop&) = delete;
    PosixEventLoop& operator=(const PosixEventLoop&) = delete;

    void Wait(std::optional<TimePoint> deadline) override;
    TimePoint Now() const override { return SteadyClock::now(); }

    // A descriptor whose readiness ends the wait; its owner reads it on the next pass.
    void WatchFd(int fd);
    void UnwatchFd(int fd);

    // True once after each window-size change signal.
    bool TakeResized();
    // True once after a stop request from outside (SIGTSTP: job control, kill -TSTP).
    bool TakeStopRequested();
    // True once after the process was continued (SIGCONT), whoever stopped it.
    bool TakeContinued();
    // Stops the process, and returns once it is continued.
    void StopUntilContinued();
    // A descriptor (a non-blocking pipe's write end) that also gets a byte at every quit signal,
    // for a watch on another thread; -1: none.
    static void SetQuitSignalWatch(int fd);
    // How many times the loop has polled its descriptors: a descriptor's owner that sees no
    // new poll knows the loop is streaming without sleeping.
    uint64_t Waits() const { return WaitCount; }

  protected:
    void Wake() override;

  private:
    void DrainWakePipe();

    int WakeRead = -1;
    int WakeWrite = -1;
    std::vector<int> Watched;
    uint64_t WaitCount = 0;
};

} // namespace tolmix::posix
