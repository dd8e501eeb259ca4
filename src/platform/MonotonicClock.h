#pragma once

#include "platform/Clock.h"

namespace tolmix {

// The machine's monotonic clock behind the Clock interface.
class MonotonicClock final : public Clock {
  public:
    TimePoint Now() const override { return SteadyClock::now(); }
};

} // namespace tolmix
