#pragma once

#include "platform/QueuedEventLoop.h"

#include <functional>
#include <optional>

namespace tolmix::test {

// The real message queue and timers on a manual clock: a wait moves the clock straight to the
// next timer or deadline, so timer-driven behaviour runs without real time passing.
class FakeEventLoop final : public QueuedEventLoop {
  public:
    TimePoint Clock{};
    int Waits = 0;
    int Wakes = 0;
    // Called at each wait, before the clock moves (a test can feed input here).
    std::function<void()> OnWait;
    // Whether a watched handle has something to read; a ready one ends the wait at once.
    std::function<bool(PollHandle)> HandleReady;
    // Waits that a watched handle ended.
    int HandleWakes = 0;

    TimePoint Now() const override { return Clock; }
    bool Watching(PollHandle handle) const {
        for (PollHandle h : WatchedHandles())
            if (h == handle)
                return true;
        return false;
    }
    void Advance(Milliseconds step) { Clock += step; }
    // When the next timer is due; nothing while no timer runs.
    std::optional<TimePoint> NextTimer() const { return NextTimerDue(); }

    void Wait(std::optional<TimePoint> deadline) override {
        ++Waits;
        if (OnWait)
            OnWait();
        if (HasReadyWork())
            return;
        if (HandleReady) {
            for (PollHandle handle : WatchedHandles()) {
                if (HandleReady(handle)) {
                    ++HandleWakes;
                    return;
                }
            }
        }
        std::optional<TimePoint> until = NextTimerDue();
        if (deadline && (!until || *deadline < *until))
            until = deadline;
        if (until && *until > Clock)
            Clock = *until;
    }

  protected:
    void Wake() override { ++Wakes; }
};

} // namespace tolmix::test
