#include "platform/vt/KeyLayout.h"

#include "platform/VirtualKeys.h"
#include "platform/vt/Charsets.h"

#include <array>

namespace tolmix::vt {

namespace {

constexpr uint16_t VkSnapshot = 0x2C;
constexpr uint16_t VkRWin = 0x5C;

struct SymbolKey {
    char Plain;
    char Shifted;
    uint16_t VirtualKey;
};

// The US layout's keys for everything that is neither a letter nor space.
constexpr std::array<SymbolKey, 21> UsSymbols = {{
    {'`', '~', VkOem3},    {'1', '!', '1'},     {'2', '@', '2'},        {'3', '#', '3'},
    {'4', '$', '4'},       {'5', '%', '5'},     {'6', '^', '6'},        {'7', '&', '7'},
    {'8', '*', '8'},       {'9', '(', '9'},     {'0', ')', '0'},        {'-', '_', VkOemMinus},
    {'=', '+', VkOemPlus}, {'[', '{', VkOem4},  {']', '}', VkOem6},     {'\\', '|', VkOem5},
    {';', ':', VkOem1},    {'\'', '"', VkOem7}, {',', '<', VkOemComma}, {'.', '>', VkOemPeriod},
    {'/', '?', VkOem2},
}};

// JCUKEN keys of the lower-case letters U+0430 (а) to U+044F (я), in alphabetical order.
constexpr std::array<uint16_t, 32> JcukenLetters = {
    'F', VkOemComma, 'D',    'U', 'L', 'T',    VkOem1,      'P', // а б в г д е ж з
    'B', 'Q',        'R',    'K', 'V', 'Y',    'J',         'G', // и й к л м н о п
    'H', 'C',        'N',    'E', 'A', VkOem4, 'W',         'X', // р с т у ф х ц ч
    'I', 'O',        VkOem6, 'S', 'M', VkOem7, VkOemPeriod, 'Z', // ш щ ъ ы ь э ю я
};

// Letters of the neighbouring layouts that code page 866 (or the key record) can carry, as
// lower-case / upper-case pairs on their Ukrainian and Belarusian keys.
struct ExtraLetter {
    char32_t Lower;
    char32_t Upper;
    uint16_t VirtualKey;
};
constexpr std::array<ExtraLetter, 5> ExtraLetters = {{
    {0x0451, 0x0401, VkOem3}, // ё
    {0x0454, 0x0404, VkOem7}, // є
    {0x0457, 0x0407, VkOem6}, // ї
    {0x0456, 0x0406, 'S'},    // і
    {0x045E, 0x040E, 'O'},    // ў
}};

constexpr char32_t NumeroSign = 0x2116; // Shift+3 on the Russian layout

uint8_t CtrlChar(uint16_t vk, bool shift) {
    if (vk >= 'A' && vk <= 'Z')
        return static_cast<uint8_t>(vk - 0x40);
    switch (vk) {
    case VkSpace:
        return 0x20;
    case VkOem4:
        return 0x1B;
    case VkOem5:
        return 0x1C;
    case VkOem6:
        return 0x1D;
    case '2':
        return shift ? 0x00 : 0;
    case '6':
        return shift ? 0x1E : 0;
    case VkOemMinus:
        return shift ? 0x1F : 0;
    default:
        return 0;
    }
}

KeyEvent MakeKey(uint16_t vk, uint8_t ch, uint32_t state) {
    KeyEvent key;
    key.VirtualKey = vk;
    key.Char = ch;
    key.ControlKeyState = state;
    return key;
}

} // namespace

bool IsTypedCharacter(char32_t c) {
    if (c < 0x20 || (c >= 0x7F && c < 0xA0))
        return false;
    return c <= 0x10FFFF && !(c >= 0xD800 && c <= 0xDFFF);
}

KeyPosition PositionOf(char32_t c) {
    if (c >= 'a' && c <= 'z')
        return {static_cast<uint16_t>(c - 'a' + 'A'), false};
    if (c >= 'A' && c <= 'Z')
        return {static_cast<uint16_t>(c), true};
    if (c == ' ')
        return {VkSpace, false};
    if (c < 0x80) {
        for (const auto& s : UsSymbols) {
            if (static_cast<char32_t>(s.Plain) == c)
                return {s.VirtualKey, false};
            if (static_cast<char32_t>(s.Shifted) == c)
                return {s.VirtualKey, true};
        }
        return {};
    }
    if (c >= 0x0430 && c <= 0x044F)
        return {JcukenLetters[c - 0x0430], false};
    if (c >= 0x0410 && c <= 0x042F)
        return {JcukenLetters[c - 0x0410], true};
    for (const auto& e : ExtraLetters) {
        if (e.Lower == c)
            return {e.VirtualKey, false};
        if (e.Upper == c)
            return {e.VirtualKey, true};
    }
    if (c == NumeroSign)
        return {'3', true};
    return {};
}

char32_t ShiftedChar(char32_t c) {
    if (c >= 'a' && c <= 'z')
        return c - 'a' + 'A';
    if (c < 0x80) {
        for (const auto& s : UsSymbols) {
            if (static_cast<char32_t>(s.Plain) == c)
                return static_cast<char32_t>(s.Shifted);
        }
        return c;
    }
    if (c >= 0x0430 && c <= 0x044F)
        return c - 0x20;
    for (const auto& e : ExtraLetters) {
        if (e.Lower == c)
            return e.Upper;
    }
    return c;
}

uint32_t ControlStateFromModifiers(uint32_t bits) {
    uint32_t state = 0;
    if (bits & 1)
        state |= ShiftPressed;
    if (bits & 2)
        state |= LeftAltPressed;
    if (bits & 4)
        state |= LeftCtrlPressed;
    if (bits & 64)
        state |= CapsLockOn;
    if (bits & 128)
        state |= NumLockOn;
    return state;
}

KeyEvent CharKey(char32_t c, uint32_t state) {
    const KeyPosition pos = PositionOf(c);
    if (pos.Shift)
        state |= ShiftPressed;
    uint8_t ch;
    if (state & CtrlPressed)
        ch = CtrlChar(pos.VirtualKey, (state & ShiftPressed) != 0);
    else
        ch = UnicodeToConsole(c).value_or('?');
    return MakeKey(pos.VirtualKey, ch, state);
}

KeyEvent NamedKey(uint16_t vk, uint32_t state) {
    const bool ctrl = (state & CtrlPressed) != 0;
    uint8_t ch = 0;
    if (vk == VkReturn)
        ch = ctrl ? 0x0A : 0x0D;
    else if (vk == VkBack)
        ch = ctrl ? 0x7F : 0x08;
    else if (vk == VkTab)
        ch = 0x09;
    else if (vk == VkEscape)
        ch = 0x1B;
    else if (vk >= VkNumpad0 && vk <= VkNumpad0 + 9)
        ch = ctrl ? 0 : static_cast<uint8_t>('0' + (vk - VkNumpad0));
    else if (vk >= VkMultiply && vk <= VkDivide)
        ch = ctrl ? 0 : static_cast<uint8_t>("*+,-./"[vk - VkMultiply]);
    return MakeKey(vk, ch, state);
}

KeyEvent ControlByteKey(uint8_t byte) {
    switch (byte) {
    case 0x7F:
        return NamedKey(VkBack, 0);
    case 0x08:
        return NamedKey(VkBack, LeftCtrlPressed);
    case 0x09:
        return NamedKey(VkTab, 0);
    case 0x0D:
        return NamedKey(VkReturn, 0);
    case 0x0A:
        return NamedKey(VkReturn, LeftCtrlPressed);
    case 0x00:
        return MakeKey(VkSpace, 0x20, LeftCtrlPressed);
    // Terminals send these for more than one key; take the unshifted key most of them mean.
    case 0x1C:
        return MakeKey(VkOem5, byte, LeftCtrlPressed);
    case 0x1D:
        return MakeKey(VkOem6, byte, LeftCtrlPressed);
    case 0x1E:
        return MakeKey('6', byte, LeftCtrlPressed);
    case 0x1F:
        return MakeKey(VkOem2, byte, LeftCtrlPressed);
    default:
        // 0x01-0x1A: Ctrl+letter; the record keeps the control byte as Windows does.
        return MakeKey(static_cast<uint16_t>('A' + byte - 1), byte, LeftCtrlPressed);
    }
}

namespace {

// kitty's private-use numbers for keys without text.
std::optional<KeyEvent> FunctionalKey(uint32_t code, uint32_t state) {
    constexpr uint32_t F13 = 57376, KpZero = 57399;
    if (code >= F13 && code < F13 + 12)
        return NamedKey(static_cast<uint16_t>(VkF1 + 12 + (code - F13)), state);
    if (code >= KpZero && code < KpZero + 10)
        return NamedKey(static_cast<uint16_t>(VkNumpad0 + (code - KpZero)), state);
    const uint32_t e = EnhancedKey;
    switch (code) {
    case 57358:
        return NamedKey(VkCapital, state);
    case 57359:
        return NamedKey(VkScroll, state);
    case 57360:
        return NamedKey(VkNumLock, state | e);
    case 57361:
        return NamedKey(VkSnapshot, state | e);
    case 57362:
        return NamedKey(VkPause, state);
    case 57363:
        return NamedKey(VkApps, state | e);
    case 57409:
        return NamedKey(VkDecimal, state);
    case 57410:
        return NamedKey(VkDivide, state | e);
    case 57411:
        return NamedKey(VkMultiply, state);
    case 57412:
        return NamedKey(VkSubtract, state);
    case 57413:
        return NamedKey(VkAdd, state);
    case 57414:
        return NamedKey(VkReturn, state | e);
    case 57415:
        return CharKey('=', state);
    case 57416:
        return NamedKey(VkSeparator, state);
    // The keypad's cursor keys (NumLock off) are the white keys: no enhanced bit.
    case 57417:
        return NamedKey(VkLeft, state);
    case 57418:
        return NamedKey(VkRight, state);
    case 57419:
        return NamedKey(VkUp, state);
    case 57420:
        return NamedKey(VkDown, state);
    case 57421:
        return NamedKey(VkPrior, state);
    case 57422:
        return NamedKey(VkNext, state);
    case 57423:
        return NamedKey(VkHome, state);
    case 57424:
        return NamedKey(VkEnd, state);
    case 57425:
        return NamedKey(VkInsert, state);
    case 57426:
        return NamedKey(VkDelete, state);
    case 57427:
        return NamedKey(VkClear, state);
    case 57441:
    case 57447:
        return NamedKey(VkShift, state);
    case 57442:
        return NamedKey(VkControl, state);
    case 57448:
        return NamedKey(VkControl, state | e);
    case 57443:
        return NamedKey(VkMenu, state);
    case 57449:
        return NamedKey(VkMenu, state | e);
    case 57444:
        return NamedKey(VkLWin, state | e);
    case 57450:
        return NamedKey(VkRWin, state | e);
    default:
        return std::nullopt; // media keys, Hyper, Meta, F25 and up: no PC key
    }
}

} // namespace

std::optional<KeyEvent> NumberedKey(uint32_t code, uint32_t shifted, uint32_t text,
                                    uint32_t state) {
    switch (code) {
    case 0x0D:
        return NamedKey(VkReturn, state);
    case 0x09:
        return NamedKey(VkTab, state);
    case 0x1B:
        return NamedKey(VkEscape, state);
    case 0x08:
    case 0x7F:
        return NamedKey(VkBack, state);
    default:
        break;
    }
    if (code >= 0xE000 && code <= 0xF8FF)
        return FunctionalKey(code, state);
    // Key 0 means the terminal knows only the text.
    if (code == 0 && IsTypedCharacter(text))
        return CharKey(text, state);
    if (!IsTypedCharacter(code))
        return std::nullopt;
    char32_t c = code;
    if (state & ShiftPressed)
        c = IsTypedCharacter(shifted) ? shifted : ShiftedChar(c);
    // Reported text wins over the key's own character (dead keys, AltGr), but not under Ctrl,
    // whose character comes from the key.
    if (IsTypedCharacter(text) && !(state & CtrlPressed))
        c = text;
    return CharKey(c, state);
}

} // namespace tolmix::vt
