#pragma once

#include "platform/Clock.h"
#include "platform/EventLoop.h"

#include <cstdint>
#include <functional>
#include <utility>

namespace tolmix {

// A periodic timer of the event loop that its owner holds as a member: made stopped, it runs
// from Start until Stop or its destruction, so no handler can run for an owner that is gone.
// The handler may stop or restart its own timer, or destroy it: the loop runs a copy.
class Timer {
  public:
    using Handler = std::function<void()>;

    Timer(EventLoop& loop, Milliseconds interval, Handler handler)
        : Loop(loop), IntervalMs(static_cast<uint32_t>(interval.count())),
          OnTick(std::move(handler)) {}
    ~Timer() { Stop(); }
    Timer(const Timer&) = delete;
    Timer& operator=(const Timer&) = delete;

    // Starts the timer; a running one begins its interval again from now.
    void Start() {
        Stop();
        Id = Loop.SetTimer(IntervalMs, OnTick);
    }
    void Stop() {
        if (Id != 0)
            Loop.KillTimer(std::exchange(Id, 0));
    }
    bool Running() const { return Id != 0; }

  private:
    EventLoop& Loop;
    uint32_t IntervalMs;
    Handler OnTick;
    uint32_t Id = 0; // 0 while stopped
};

} // namespace tolmix
