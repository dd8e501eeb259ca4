#pragma once

#include "WorldClock.h"

#include <algorithm>
#include <string>
#include <vector>

namespace tolmix::demo {

// A gauge of the status panel: the value and its maximum.
struct Gauge {
    int now = 0;
    int max = 0;

    void Add(int amount) { now = std::max(0, std::min(max, now + amount)); }
    void Fill() { now = max; }
};

// One player's character, kept in memory from its first login until the server ends.
struct Character {
    std::string name;     // Windows-1251, capitalised
    std::string password; // as typed
    int level = 1;
    int experience = 0;
    int experienceMax = 1000;
    Gauge health{100, 100};
    Gauge moves{80, 80};
    Gauge mana{40, 40};
    int hunger = 4; // 0 starving .. 6 full; the panel shows it less 4
    int thirst = 4;
    Gauge blood{100, 100};
    Gauge ether{20, 50};
    Gauge strength{30, 30};
    int room = 0;
    std::vector<std::string> diary; // the lines written with the server's text editor
    int steps = 0;                  // moves walked, for hunger and thirst
    Clock::time_point lastSeen{};   // when it was created or last left the game
};

} // namespace tolmix::demo
