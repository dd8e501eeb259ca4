#pragma once

#include <cstdint>

namespace tolmix {

// A console key record: what one key press, auto-repeat or release carries.
struct KeyEvent {
    bool KeyDown = true;
    uint16_t RepeatCount = 1;
    uint16_t VirtualKey = 0;
    uint16_t ScanCode = 0;
    uint8_t Char = 0; // console code page; 0 for keys without a character
    uint32_t ControlKeyState = 0;

    bool operator==(const KeyEvent&) const = default;
};

// Control-key state bits.
inline constexpr uint32_t RightAltPressed = 0x01;
inline constexpr uint32_t LeftAltPressed = 0x02;
inline constexpr uint32_t RightCtrlPressed = 0x04;
inline constexpr uint32_t LeftCtrlPressed = 0x08;
inline constexpr uint32_t ShiftPressed = 0x10;
inline constexpr uint32_t NumLockOn = 0x20;
inline constexpr uint32_t ScrollLockOn = 0x40;
inline constexpr uint32_t CapsLockOn = 0x80;
inline constexpr uint32_t EnhancedKey = 0x100;

inline constexpr uint32_t AltPressed = RightAltPressed | LeftAltPressed;
inline constexpr uint32_t CtrlPressed = RightCtrlPressed | LeftCtrlPressed;

} // namespace tolmix
