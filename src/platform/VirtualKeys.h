#pragma once

#include <cstdint>

namespace tolmix {

// Virtual-key codes of a PC keyboard. Letters and digits use their ASCII upper-case codes.
inline constexpr uint16_t VkBack = 0x08;
inline constexpr uint16_t VkTab = 0x09;
inline constexpr uint16_t VkClear = 0x0C;
inline constexpr uint16_t VkReturn = 0x0D;
inline constexpr uint16_t VkShift = 0x10;
inline constexpr uint16_t VkControl = 0x11;
inline constexpr uint16_t VkMenu = 0x12;
inline constexpr uint16_t VkPause = 0x13;
inline constexpr uint16_t VkCapital = 0x14;
inline constexpr uint16_t VkEscape = 0x1B;
inline constexpr uint16_t VkSpace = 0x20;
inline constexpr uint16_t VkPrior = 0x21;
inline constexpr uint16_t VkNext = 0x22;
inline constexpr uint16_t VkEnd = 0x23;
inline constexpr uint16_t VkHome = 0x24;
inline constexpr uint16_t VkLeft = 0x25;
inline constexpr uint16_t VkUp = 0x26;
inline constexpr uint16_t VkRight = 0x27;
inline constexpr uint16_t VkDown = 0x28;
inline constexpr uint16_t VkInsert = 0x2D;
inline constexpr uint16_t VkDelete = 0x2E;
inline constexpr uint16_t VkLWin = 0x5B;
inline constexpr uint16_t VkApps = 0x5D;
inline constexpr uint16_t VkNumpad0 = 0x60; // to VkNumpad9 = 0x69
inline constexpr uint16_t VkMultiply = 0x6A;
inline constexpr uint16_t VkAdd = 0x6B;
inline constexpr uint16_t VkSeparator = 0x6C;
inline constexpr uint16_t VkSubtract = 0x6D;
inline constexpr uint16_t VkDecimal = 0x6E;
inline constexpr uint16_t VkDivide = 0x6F;
inline constexpr uint16_t VkF1 = 0x70; // to VkF24 = 0x87
inline constexpr uint16_t VkF10 = 0x79;
inline constexpr uint16_t VkF12 = 0x7B;
inline constexpr uint16_t VkNumLock = 0x90;
inline constexpr uint16_t VkScroll = 0x91;
inline constexpr uint16_t VkOem1 = 0xBA;      // ;:
inline constexpr uint16_t VkOemPlus = 0xBB;   // =+
inline constexpr uint16_t VkOemComma = 0xBC;  // ,<
inline constexpr uint16_t VkOemMinus = 0xBD;  // -_
inline constexpr uint16_t VkOemPeriod = 0xBE; // .>
inline constexpr uint16_t VkOem2 = 0xBF;      // /?
inline constexpr uint16_t VkOem3 = 0xC0;      // `~
inline constexpr uint16_t VkOem4 = 0xDB;      // [{
inline constexpr uint16_t VkOem5 = 0xDC;      // \|
inline constexpr uint16_t VkOem6 = 0xDD;      // ]}
inline constexpr uint16_t VkOem7 = 0xDE;      // '"

} // namespace tolmix
