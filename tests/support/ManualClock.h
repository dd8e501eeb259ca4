#pragma once

#include "platform/Clock.h"

namespace tolmix::test {

// A clock that moves only when told.
class ManualClock final : public Clock {
  public:
    TimePoint Current{};
    TimePoint Now() const override { return Current; }
};

} // namespace tolmix::test
