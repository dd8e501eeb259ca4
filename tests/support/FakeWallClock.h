#pragma once

#include "platform/Clock.h"

namespace tolmix::test {

// Wall-clock time that moves only when a test says so.
class FakeWallClock final : public WallClock {
  public:
    std::chrono::system_clock::time_point Now() const override { return Current; }
    void Advance(Milliseconds step) { Current += step; }

    std::chrono::system_clock::time_point Current{std::chrono::hours(24 * 365 * 50)};
};

} // namespace tolmix::test
