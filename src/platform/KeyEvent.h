#pragma once

#include <cstdint>

namespace tolmix {

// A console key record: what one key press, auto-repeat or release carries.
struct KeyEvent {
    bool KeyDown = true;
    uint16_t RepeatCount = 1;
    uint16_t VirtualKey = 0;
    uint16_t ScanCode = 0;
    uint8_t Char = 0; // code page 866; 0 for keys without a character
    uint32_t ControlKeyState = 0;

    bool operator==(const KeyEvent&) const = default;
};

// Control-key state bits.
inline constexpr uint32_t RIGHT_ALT_PRESSED = 0x01;
inline constexpr uint32_t LEFT_ALT_PRESSED = 0x02;
inline constexpr uint32_t RIGHT_CTRL_PRESSED = 0x04;
inline constexpr uint32_t LEFT_CTRL_PRESSED = 0x08;
inline constexpr uint32_t SHIFT_PRESSED = 0x10;
inline constexpr uint32_t NUMLOCK_ON = 0x20;
inline constexpr uint32_t SCROLLLOCK_ON = 0x40;
inline constexpr uint32_t CAPSLOCK_ON = 0x80;
inline constexpr uint32_t ENHANCED_KEY = 0x100;

inline constexpr uint32_t ALT_PRESSED = RIGHT_ALT_PRESSED | LEFT_ALT_PRESSED;
inline constexpr uint32_t CTRL_PRESSED = RIGHT_CTRL_PRESSED | LEFT_CTRL_PRESSED;

} // namespace tolmix
