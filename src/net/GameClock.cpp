#include "net/GameClock.h"

#include <limits>

namespace tolmix {

namespace {

// The clock stops at the ends of its range instead of wrapping into the past.
int64_t SaturatingAdd(int64_t a, int64_t b) {
    int64_t sum;
    if (!__builtin_add_overflow(a, b, &sum))
        return sum;
    return b > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

int64_t SaturatingTimesFour(int64_t a) {
    int64_t product;
    if (!__builtin_mul_overflow(a, int64_t{4}, &product))
        return product;
    return a > 0 ? std::numeric_limits<int64_t>::max() : std::numeric_limits<int64_t>::min();
}

} // namespace

int64_t GameClock::LocalNow() const {
    const auto sinceEpoch = std::chrono::duration_cast<Milliseconds>(Wall.Now().time_since_epoch());
    return UnixEpochDay * MsPerDay + sinceEpoch.count();
}

void GameClock::SetGameClock(int64_t ms) {
    GameTime = ms;
    LastUpdate = LocalNow();
}

int64_t GameClock::GameClockNow() {
    if (GameTime == 0)
        return 0;
    const int64_t now = LocalNow();
    GameTime = SaturatingAdd(GameTime, SaturatingTimesFour(now - LastUpdate));
    LastUpdate = now;
    // A clock that lands exactly on 0 would read as "not set"; it keeps running instead.
    if (GameTime == 0)
        GameTime = 1;
    return GameTime;
}

} // namespace tolmix
