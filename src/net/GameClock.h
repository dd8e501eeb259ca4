#pragma once

#include "platform/Clock.h"
#include "text/TimeFormat.h"

#include <cstdint>

namespace tolmix {

// The game's time as the server last set it, running four times as fast as real time.
class GameClock {
  public:
    explicit GameClock(const WallClock& wall) : Wall(wall) {}

    // 0 switches the clock off.
    void SetGameClock(int64_t ms);
    // The current game time, 0 while none is known.
    int64_t GameClockNow();
    int64_t Value() const { return GameTime; }

  private:
    int64_t LocalNow() const;

    const WallClock& Wall;
    int64_t GameTime = 0;
    int64_t LastUpdate = 0;
};

} // namespace tolmix
