#pragma once

#include "platform/Clock.h"
#include "platform/EventLoop.h"

namespace tolmix::test {

// The event loop's clock as a Clock, so that a fake loop's manual time drives what needs one.
class LoopClock final : public Clock {
  public:
    explicit LoopClock(const EventLoop& loop) : Loop(loop) {}
    TimePoint Now() const override { return Loop.Now(); }

  private:
    const EventLoop& Loop;
};

} // namespace tolmix::test
