#pragma once

#include "platform/Clock.h"
#include "platform/Message.h"
#include "platform/PollHandle.h"

#include <cstdint>
#include <functional>
#include <optional>

namespace tolmix {

// The main thread's message queue, timers, calls queued by other threads, and the one wait.
class EventLoop {
  public:
    using TimerProc = std::function<void()>;
    using MessageHandler = std::function<void(const Message&)>;

    virtual ~EventLoop() = default;

    // Removes one message; a due timer shows up as WmTimer with the timer id in WParam, and an
    // orderly termination request (SIGTERM, SIGHUP) as WmQuit.
    virtual bool TakeMessage(Message& message) = 0;
    // Runs a message: a timer's procedure, or the handler registered for its id.
    virtual void Dispatch(const Message& message) = 0;
    // Safe from any thread.
    virtual void Post(const Message& message) = 0;
    virtual void SetMessageHandler(uint32_t id, MessageHandler handler) = 0;

    // A periodic timer; returns its id (never 0).
    virtual uint32_t SetTimer(uint32_t intervalMs, TimerProc proc) = 0;
    virtual void KillTimer(uint32_t id) = 0;

    // Safe from any thread: runs the call on the main thread.
    virtual void QueueCall(std::function<void()> call) = 0;
    // Main thread: runs the calls queued so far; true when at least one ran.
    virtual bool RunQueuedCalls() = 0;
    virtual bool IsMainThread() const = 0;

    // A handle (a connection's socket) whose readiness to be read ends Wait; its owner reads it
    // on the next pass. Watching a handle twice watches it once.
    virtual void WatchHandle(PollHandle handle) = 0;
    virtual void UnwatchHandle(PollHandle handle) = 0;
    // A handle whose readiness to be written ends Wait: a connect in progress, a send the peer
    // does not take yet. While so watched, its readiness to be read does not end Wait: what
    // the peer sends meanwhile stays unread until the send is done.
    virtual void WatchWritable(PollHandle handle) = 0;
    virtual void UnwatchWritable(PollHandle handle) = 0;

    // Sleeps until input, a watched handle, a message, a queued call, a timer or the deadline.
    virtual void Wait(std::optional<TimePoint> deadline) = 0;
    virtual TimePoint Now() const = 0;
};

} // namespace tolmix
