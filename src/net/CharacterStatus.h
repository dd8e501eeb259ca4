#pragma once

#include <array>
#include <bitset>
#include <cstdint>
#include <string>

namespace tolmix {

// The status values the server reports, in their order of declaration.
enum StatusIndex : int {
    Level,
    Experience,
    ExperienceMax,
    Health,
    HealthMax,
    Moves,
    MovesMax,
    Mana,
    ManaMax,
    Hunger,
    Thirst,
    Load1,
    Load2,
    Load3,
    LoadCapacity,
    FreeHands,
    Fire,
    FireMax,
    Water,
    WaterMax,
    Blood,
    BloodMax,
    Ether,
    EtherMax,
    Strength,
    StrengthMax,
    StatusCount
};

// The character's status as the server codes leave it: written by the printer, shown by the
// panel, read by the plugins' host. It survives a reconnection.
struct CharacterStatus {
    std::string CharName; // console code page
    std::array<int32_t, StatusCount> Status{};
    // The values the server has sent at least once: conditions on the status wait for them.
    std::bitset<StatusCount> Received;
    // The server's countdown in seconds; it runs down by a tenth every 100 ms to 0.
    double Countdown = 0;

    void CountDown() {
        const double next = Countdown - 0.1;
        Countdown = next > 0 ? next : 0;
    }
};

} // namespace tolmix
