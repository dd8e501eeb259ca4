#include "platform/QueuedEventLoop.h"

#include <algorithm>

namespace tolmix {

QueuedEventLoop::QueuedEventLoop() : MainThread(std::this_thread::get_id()) {}

bool QueuedEventLoop::TakeMessage(Message& message) {
    {
        std::lock_guard guard(Lock);
        if (!Posted.empty()) {
            message = Posted.front();
            Posted.pop_front();
            return true;
        }
    }
    if (QuitRequested.load() && !QuitDelivered) {
        QuitDelivered = true;
        message = Message{WmQuit, 0, 0};
        return true;
    }
    // Like a window system, a late timer yields one message, not a backlog.
    const TimePoint now = Now();
    for (auto& [id, timer] : Timers) {
        if (timer.Due <= now) {
            timer.Due += timer.Interval;
            if (timer.Due <= now)
                timer.Due = now + timer.Interval;
            message = Message{WmTimer, id, 0};
            return true;
        }
    }
    return false;
}

void QueuedEventLoop::Dispatch(const Message& message) {
    if (message.Id == WmTimer) {
        auto it = Timers.find(static_cast<uint32_t>(message.WParam));
        if (it != Timers.end()) {
            TimerProc proc = it->second.Proc; // the procedure may kill its own timer
            if (proc)
                proc();
        }
        return;
    }
    auto it = Handlers.find(message.Id);
    if (it != Handlers.end() && it->second) {
        MessageHandler handler = it->second;
        handler(message);
    }
}

void QueuedEventLoop::Post(const Message& message) {
    {
        std::lock_guard guard(Lock);
        Posted.push_back(message);
    }
    if (!IsMainThread())
        Wake();
}

void QueuedEventLoop::SetMessageHandler(uint32_t id, MessageHandler handler) {
    Handlers[id] = std::move(handler);
}

uint32_t QueuedEventLoop::SetTimer(uint32_t intervalMs, TimerProc proc) {
    const uint32_t id = NextTimerId++;
    if (NextTimerId == 0)
        NextTimerId = 1;
    const Milliseconds interval(intervalMs == 0 ? 1 : intervalMs);
    Timers[id] = Timer{interval, Now() + interval, std::move(proc)};
    return id;
}

void QueuedEventLoop::KillTimer(uint32_t id) {
    Timers.erase(id);
}

void QueuedEventLoop::QueueCall(std::function<void()> call) {
    {
        std::lock_guard guard(Lock);
        Calls.push_back(std::move(call));
    }
    if (!IsMainThread())
        Wake();
}

bool QueuedEventLoop::RunQueuedCalls() {
    // Asked every pass and mostly empty: an empty queue costs no allocation (a deque allocates
    // when made).
    {
        std::lock_guard guard(Lock);
        if (Calls.empty())
            return false;
    }
    std::deque<std::function<void()>> batch;
    {
        std::lock_guard guard(Lock);
        batch.swap(Calls);
    }
    for (auto& call : batch) {
        if (call)
            call();
    }
    return !batch.empty();
}

bool QueuedEventLoop::IsMainThread() const {
    return std::this_thread::get_id() == MainThread;
}

void QueuedEventLoop::WatchHandle(PollHandle handle) {
    if (handle.Valid() && std::find(Watched.begin(), Watched.end(), handle) == Watched.end())
        Watched.push_back(handle);
}

void QueuedEventLoop::UnwatchHandle(PollHandle handle) {
    Watched.erase(std::remove(Watched.begin(), Watched.end(), handle), Watched.end());
}

void QueuedEventLoop::WatchWritable(PollHandle handle) {
    if (handle.Valid() && std::find(Writable.begin(), Writable.end(), handle) == Writable.end())
        Writable.push_back(handle);
}

void QueuedEventLoop::UnwatchWritable(PollHandle handle) {
    Writable.erase(std::remove(Writable.begin(), Writable.end(), handle), Writable.end());
}

void QueuedEventLoop::RequestQuit() {
    QuitRequested.store(true);
    Wake();
}

std::optional<TimePoint> QueuedEventLoop::NextTimerDue() const {
    std::optional<TimePoint> due;
    for (const auto& [id, timer] : Timers) {
        if (!due || timer.Due < *due)
            due = timer.Due;
    }
    return due;
}

bool QueuedEventLoop::HasReadyWork() const {
    if (QuitRequested.load() && !QuitDelivered)
        return true;
    std::lock_guard guard(Lock);
    return !Posted.empty() || !Calls.empty();
}

} // namespace tolmix
