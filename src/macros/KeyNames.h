#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tolmix {

// Modifier words of a key string with their bits, searched in this order.
struct ModifierName {
    std::string_view Name;
    uint8_t Bit;
};
inline constexpr std::array<ModifierName, 4> ModifierNames = {{
    {"ALT", 1},
    {"CTRL", 2},
    {"SHIFT", 4},
    {"WIN", 8},
}};

// The upper-case name of every virtual-key code that can carry a macro; empty for the others
// (code 0 among them, so a key of 0 always means "no key named").
extern const std::array<std::string_view, 256> KeyNames;

// A modifier combination (the OR of the modifier bits, 0 to 15) and a virtual-key code.
struct KeyCombination {
    uint8_t Modifiers = 0;
    uint8_t Key = 0; // 0: the string names no key
    bool operator==(const KeyCombination&) const = default;
};

// Reads a key string such as F1, ctrl-F1, ALT-SHIFT-N5 or WIN-UP: modifier words each ended
// by "-", then a key name, in any letter case. Empty parts and words that are no modifier are
// skipped without a message; a repeated modifier counts once.
KeyCombination ParseKeyString(std::string_view text);

} // namespace tolmix
