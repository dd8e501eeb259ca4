#pragma once

// A condition on one value of the character's status, as a "when:" entry writes it:
// "health < 30%", "голод<2", "exp >= 1000".
#include "net/CharacterStatus.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tolmix {

enum class StatusComparison { Less, LessOrEqual, Greater, GreaterOrEqual };

struct StatusCondition {
    StatusIndex Value = Level;
    // The value's maximum, for a percentage; StatusCount for a value that has none.
    StatusIndex Maximum = StatusCount;
    StatusComparison Comparison = StatusComparison::Less;
    int64_t Number = 0;
    bool Percent = false;

    // True or false once the server has sent the value (and, for a percentage, a maximum above
    // 0); nothing before.
    std::optional<bool> Holds(const CharacterStatus& status) const;
};

// Reads "<name> <op> <number>[%]" (Windows-1251; blanks around the comparison optional).
// Names, in any letter case: level, exp, health, moves, mana, hunger, thirst, fire, water,
// blood, ether, strength, and the panel's labels уровень, опыт, здор, движ, мана, голод,
// жажда, огонь, вода, кровь, эфир, сила. A percentage needs a value with a maximum and lies
// in 0..100; a plain number lies within a signed 32-bit value. On failure error holds a
// Russian description (Windows-1251).
std::optional<StatusCondition> ParseStatusCondition(std::string_view text, std::string& error);

} // namespace tolmix
