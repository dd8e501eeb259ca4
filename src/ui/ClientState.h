#pragma once

#include <array>
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

// The character's state as the server codes leave it, shared by the printer that writes it and
// the panel that shows it. It survives a reconnection.
struct ClientState {
    std::string CharName; // console code page
    std::array<int32_t, StatusCount> Status{};
    double Countdown = 0;
    bool EditMode = false;
    bool ActivityPending = false;
    uint8_t FlashTick = 0;
};

} // namespace tolmix
