#pragma once

#include "platform/KeyEvent.h"

#include <cstdint>
#include <optional>

// Turning what a terminal reports (a character, a control byte, a key number) into the key
// record a PC keyboard would have produced: the physical key's virtual-key code, the character
// byte in code page 866 and the control-key state.
namespace tolmix::vt {

// The physical key that types a character: US layout for ASCII, the Russian JCUKEN layout for
// Cyrillic. VirtualKey 0 when no key of these layouts types it.
struct KeyPosition {
    uint16_t VirtualKey = 0;
    bool Shift = false;
};
KeyPosition PositionOf(char32_t c);

// The character the same key types with Shift ('a' -> 'A', '1' -> '!', 'ж' -> 'Ж'); characters
// that are already shifted or have no key come back unchanged.
char32_t ShiftedChar(char32_t c);

// Terminal modifier bits (the reported parameter minus one: 1 Shift, 2 Alt, 4 Ctrl, 8 Super,
// 16 Hyper, 32 Meta, 64 CapsLock, 128 NumLock) as control-key state. The key record has no bit
// for Super, Hyper or Meta, so those are left out.
uint32_t ControlStateFromModifiers(uint32_t bits);

// The key that types c, with the given modifiers. Shift is added when c needs it. The character
// byte is the console code page's byte when Windows-1251 carries the character, else '?' (so
// that nothing typed reaches the server as another letter), or with Ctrl the control code of the
// key (Ctrl+A 0x01), 0 when the key has none.
KeyEvent CharKey(char32_t c, uint32_t state);

// A key without a character of its own (arrows, F keys) or one whose character is implied by the
// key: Enter 0x0D (Ctrl: 0x0A), Backspace 0x08 (Ctrl: 0x7F), Tab, Escape, the keypad digits and
// operators (Ctrl: 0). state may carry EnhancedKey.
KeyEvent NamedKey(uint16_t vk, uint32_t state);

// The key a C0 control byte or DEL stands for, as terminals send them: 0x7F and 0x08
// Backspace and Ctrl+Backspace, 0x0A Ctrl+Enter, 0x01-0x1A Ctrl+letter, 0x00 Ctrl+Space,
// 0x1C-0x1F Ctrl+\ ] 6 /. Not for ESC.
KeyEvent ControlByteKey(uint8_t byte);

// A key reported by number (kitty CSI u, xterm modifyOtherKeys): a Unicode code point of the
// unshifted key, or one of kitty's private-use numbers for keys without text. shifted is the
// shifted key when the terminal reports it, text the typed character when reported; 0 when
// absent. Nothing for numbers no key has.
std::optional<KeyEvent> NumberedKey(uint32_t code, uint32_t shifted, uint32_t text, uint32_t state);

// Whether a code point is a character one can type (not a control, surrogate or beyond Unicode).
bool IsTypedCharacter(char32_t c);

} // namespace tolmix::vt
