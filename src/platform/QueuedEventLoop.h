#pragma once

#include "platform/EventLoop.h"

#include <atomic>
#include <deque>
#include <map>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace tolmix {

// The portable half of the event loop: posted messages, timers and calls queued by other
// threads. A platform adds the wait (and the wake-up that ends it early).
class QueuedEventLoop : public EventLoop {
  public:
    QueuedEventLoop();

    bool TakeMessage(Message& message) override;
    void Dispatch(const Message& message) override;
    void Post(const Message& message) override;
    void SetMessageHandler(uint32_t id, MessageHandler handler) override;
    uint32_t SetTimer(uint32_t intervalMs, TimerProc proc) override;
    void KillTimer(uint32_t id) override;
    void QueueCall(std::function<void()> call) override;
    bool RunQueuedCalls() override;
    bool IsMainThread() const override;
    void WatchHandle(PollHandle handle) override;
    void UnwatchHandle(PollHandle handle) override;
    void WatchWritable(PollHandle handle) override;
    void UnwatchWritable(PollHandle handle) override;
    const std::vector<PollHandle>& WatchedHandles() const { return Watched; }
    const std::vector<PollHandle>& WritableHandles() const { return Writable; }

    // Safe from any thread and from a signal's flag check: the next TakeMessage yields WmQuit.
    void RequestQuit();

  protected:
    // When the wait must end at the latest for the next timer; nothing when no timer runs.
    std::optional<TimePoint> NextTimerDue() const;
    // True when something is ready without waiting (a posted message, a queued call, a quit).
    bool HasReadyWork() const;
    // Ends a wait in progress; called from other threads.
    virtual void Wake() = 0;

  private:
    struct Timer {
        Milliseconds Interval;
        TimePoint Due;
        TimerProc Proc;
    };

    std::thread::id MainThread;
    mutable std::mutex Lock;
    std::deque<Message> Posted;              // guarded by Lock
    std::deque<std::function<void()>> Calls; // guarded by Lock
    std::atomic<bool> QuitRequested{false};
    bool QuitDelivered = false;
    std::map<uint32_t, Timer> Timers;
    uint32_t NextTimerId = 1;
    std::unordered_map<uint32_t, MessageHandler> Handlers;
    std::vector<PollHandle> Watched;
    std::vector<PollHandle> Writable;
};

} // namespace tolmix
