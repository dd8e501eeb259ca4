#pragma once

#include "platform/QueuedEventLoop.h"

#include <vector>

namespace tolmix::win32 {

// The event loop on WaitForMultipleObjects: one wait on a wake event (other threads and the
// console's control events), one event for every watched socket (WSAEventSelect) and the
// console input, whose time-out is the nearest timer or deadline. Closing the console window
// becomes WmQuit, and the control handler holds the system back until the loop's owner has
// ended in order (log-off and shutdown reach a program with windows through SessionEndWindow
// instead); Ctrl+C and Ctrl+Break are claimed and ignored (the client's input mode has Ctrl+C
// arrive as a key).
class Win32EventLoop final : public QueuedEventLoop {
  public:
    Win32EventLoop();
    ~Win32EventLoop() override;
    Win32EventLoop(const Win32EventLoop&) = delete;
    Win32EventLoop& operator=(const Win32EventLoop&) = delete;

    void Wait(std::optional<TimePoint> deadline) override;
    TimePoint Now() const override { return SteadyClock::now(); }

    // A waitable handle (the console input) whose signal ends the wait; its owner takes what
    // signalled it on the next pass.
    void WatchWaitHandle(void* handle);
    void UnwatchWaitHandle(void* handle);

    // How many times the loop has waited.
    uint64_t Waits() const { return WaitCount; }

  protected:
    void Wake() override;

  private:
    void SelectSockets();

    void* WakeEvent = nullptr;
    void* SocketEvent = nullptr;
    std::vector<void*> WaitHandles;
    struct SelectedSocket {
        PollHandle Handle;
        long Events = 0;
    };
    std::vector<SelectedSocket> Selected; // sockets associated with SocketEvent
    uint64_t WaitCount = 0;
};

// Asks the running loop to quit and holds the calling thread until the loop is gone (at most
// 4.5 s, within the system's five): for the system's notices that end the process when they
// return. Does nothing when no loop runs.
void EndInOrder();

} // namespace tolmix::win32
