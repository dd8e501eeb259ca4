#include "platform/vt/KeyLayout.h"

#include "platform/VirtualKeys.h"
#include "platform/vt/Charsets.h"

#include <array>

namespace tolmix::vt {

namespace {

constexpr uint16_t VK_SNAPSHOT = 0x2C;
constexpr uint16_t VK_RWIN = 0x5C;

struct SymbolKey {
    char Plain;
    char Shifted;
    uint16_t VirtualKey;
};

// The US layout's keys for everything that is neither a letter nor space.
constexpr std::array<SymbolKey, 21> UsSymbols = {{
    {'`', '~', VK_OEM_3},     {'1', '!', '1'},           {'2', '@', '2'},
    {'3', '#', '3'},          {'4', '$', '4'},           {'5', '%', '5'},
    {'6', '^', '6'},          {'7', '&', '7'},           {'8', '*', '8'},
    {'9', '(', '9'},          {'0', ')', '0'},           {'-', '_', VK_OEM_MINUS},
    {'=', '+', VK_OEM_PLUS},  {'[', '{', VK_OEM_4},      {']', '}', VK_OEM_6},
    {'\\', '|', VK_OEM_5},    {';', ':', VK_OEM_1},      {'\'', '"', VK_OEM_7},
    {',', '<', VK_OEM_COMMA}, {'.', '>', VK_OEM_PERIOD}, {'/', '?', VK_OEM_2},
}};

// JCUKEN keys of the lower-case letters U+0430 (а) to U+044F (я), in alphabetical order.
constexpr std::array<uint16_t, 32> JcukenLetters = {
    'F', VK_OEM_COMMA, 'D',      'U', 'L', 'T',      VK_OEM_1,      'P', // а б в г д е ж з
    'B', 'Q',          'R',      'K', 'V', 'Y',      'J',           'G', // и й к л м н о п
    'H', 'C',          'N',      'E', 'A', VK_OEM_4, 'W',           'X', // р с т у ф х ц ч
    'I', 'O',          VK_OEM_6, 'S', 'M', VK_OEM_7, VK_OEM_PERIOD, 'Z', // ш щ ъ ы ь э ю я
};

// Letters of the neighbouring layouts that code page 866 (or the key record) can carry, as
// lower-case / upper-case pairs on their Ukrainian and Belarusian keys.
struct ExtraLetter {
    char32_t Lower;
    char32_t Upper;
    uint16_t VirtualKey;
};
constexpr std::array<ExtraLetter, 5> ExtraLetters = {{
    {0x0451, 0x0401, VK_OEM_3}, // ё
    {0x0454, 0x0404, VK_OEM_7}, // є
    {0x0457, 0x0407, VK_OEM_6}, // ї
    {0x0456, 0x0406, 'S'},      // і
    {0x045E, 0x040E, 'O'},      // ў
}};

constexpr char32_t NumeroSign = 0x2116; // Shift+3 on the Russian layout

uint8_t CtrlChar(uint16_t vk, bool shift) {
    if (vk >= 'A' && vk <= 'Z')
        return static_cast<uint8_t>(vk - 0x40);
    switch (vk) {
    case VK_SPACE:
        return 0x20;
    case VK_OEM_4:
        return 0x1B;
    case VK_OEM_5:
        return 0x1C;
    case VK_OEM_6:
        return 0x1D;
    case '2':
        return shift ? 0x00 : 0;
    case '6':
        return shift ? 0x1E : 0;
    case VK_OEM_MINUS:
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
        return {VK_SPACE, false};
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
        state |= SHIFT_PRESSED;
    if (bits & 2)
        state |= LEFT_ALT_PRESSED;
    if (bits & 4)
        state |= LEFT_CTRL_PRESSED;
    if (bits & 64)
        state |= CAPSLOCK_ON;
    if (bits & 128)
        state |= NUMLOCK_ON;
    return state;
}

KeyEvent CharKey(char32_t c, uint32_t state) {
    const KeyPosition pos = PositionOf(c);
    if (pos.Shift)
        state |= SHIFT_PRESSED;
    uint8_t ch;
    if (state & CTRL_PRESSED)
        ch = CtrlChar(pos.VirtualKey, (state & SHIFT_PRESSED) != 0);
    else
        ch = UnicodeToCp866(c).value_or('?');
    return MakeKey(pos.VirtualKey, ch, state);
}

KeyEvent NamedKey(uint16_t vk, uint32_t state) {
    const bool ctrl = (state & CTRL_PRESSED) != 0;
    uint8_t ch = 0;
    if (vk == VK_RETURN)
        ch = ctrl ? 0x0A : 0x0D;
    else if (vk == VK_BACK)
        ch = ctrl ? 0x7F : 0x08;
    else if (vk == VK_TAB)
        ch = 0x09;
    else if (vk == VK_ESCAPE)
        ch = 0x1B;
    else if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD0 + 9)
        ch = ctrl ? 0 : static_cast<uint8_t>('0' + (vk - VK_NUMPAD0));
    else if (vk >= VK_MULTIPLY && vk <= VK_DIVIDE)
        ch = ctrl ? 0 : static_cast<uint8_t>("*+,-./"[vk - VK_MULTIPLY]);
    return MakeKey(vk, ch, state);
}

KeyEvent ControlByteKey(uint8_t byte) {
    switch (byte) {
    case 0x7F:
        return NamedKey(VK_BACK, 0);
    case 0x08:
        return NamedKey(VK_BACK, LEFT_CTRL_PRESSED);
    case 0x09:
        return NamedKey(VK_TAB, 0);
    case 0x0D:
        return NamedKey(VK_RETURN, 0);
    case 0x0A:
        return NamedKey(VK_RETURN, LEFT_CTRL_PRESSED);
    case 0x00:
        return MakeKey(VK_SPACE, 0x20, LEFT_CTRL_PRESSED);
    // Terminals send these for more than one key; take the unshifted key most of them mean.
    case 0x1C:
        return MakeKey(VK_OEM_5, byte, LEFT_CTRL_PRESSED);
    case 0x1D:
        return MakeKey(VK_OEM_6, byte, LEFT_CTRL_PRESSED);
    case 0x1E:
        return MakeKey('6', byte, LEFT_CTRL_PRESSED);
    case 0x1F:
        return MakeKey(VK_OEM_2, byte, LEFT_CTRL_PRESSED);
    default:
        // 0x01-0x1A: Ctrl+letter; the record keeps the control byte as Windows does.
        return MakeKey(static_cast<uint16_t>('A' + byte - 1), byte, LEFT_CTRL_PRESSED);
    }
}

namespace {

// kitty's private-use numbers for keys without text.
std::optional<KeyEvent> FunctionalKey(uint32_t code, uint32_t state) {
    constexpr uint32_t F13 = 57376, KpZero = 57399;
    if (code >= F13 && code < F13 + 12)
        return NamedKey(static_cast<uint16_t>(VK_F1 + 12 + (code - F13)), state);
    if (code >= KpZero && code < KpZero + 10)
        return NamedKey(static_cast<uint16_t>(VK_NUMPAD0 + (code - KpZero)), state);
    const uint32_t e = ENHANCED_KEY;
    switch (code) {
    case 57358:
        return NamedKey(VK_CAPITAL, state);
    case 57359:
        return NamedKey(VK_SCROLL, state);
    case 57360:
        return NamedKey(VK_NUMLOCK, state | e);
    case 57361:
        return NamedKey(VK_SNAPSHOT, state | e);
    case 57362:
        return NamedKey(VK_PAUSE, state);
    case 57363:
        return NamedKey(VK_APPS, state | e);
    case 57409:
        return NamedKey(VK_DECIMAL, state);
    case 57410:
        return NamedKey(VK_DIVIDE, state | e);
    case 57411:
        return NamedKey(VK_MULTIPLY, state);
    case 57412:
        return NamedKey(VK_SUBTRACT, state);
    case 57413:
        return NamedKey(VK_ADD, state);
    case 57414:
        return NamedKey(VK_RETURN, state | e);
    case 57415:
        return CharKey('=', state);
    case 57416:
        return NamedKey(VK_SEPARATOR, state);
    // The keypad's cursor keys (NumLock off) are the white keys: no enhanced bit.
    case 57417:
        return NamedKey(VK_LEFT, state);
    case 57418:
        return NamedKey(VK_RIGHT, state);
    case 57419:
        return NamedKey(VK_UP, state);
    case 57420:
        return NamedKey(VK_DOWN, state);
    case 57421:
        return NamedKey(VK_PRIOR, state);
    case 57422:
        return NamedKey(VK_NEXT, state);
    case 57423:
        return NamedKey(VK_HOME, state);
    case 57424:
        return NamedKey(VK_END, state);
    case 57425:
        return NamedKey(VK_INSERT, state);
    case 57426:
        return NamedKey(VK_DELETE, state);
    case 57427:
        return NamedKey(VK_CLEAR, state);
    case 57441:
    case 57447:
        return NamedKey(VK_SHIFT, state);
    case 57442:
        return NamedKey(VK_CONTROL, state);
    case 57448:
        return NamedKey(VK_CONTROL, state | e);
    case 57443:
        return NamedKey(VK_MENU, state);
    case 57449:
        return NamedKey(VK_MENU, state | e);
    case 57444:
        return NamedKey(VK_LWIN, state | e);
    case 57450:
        return NamedKey(VK_RWIN, state | e);
    default:
        return std::nullopt; // media keys, Hyper, Meta, F25 and up: no PC key
    }
}

} // namespace

std::optional<KeyEvent> NumberedKey(uint32_t code, uint32_t shifted, uint32_t text,
                                    uint32_t state) {
    switch (code) {
    case 0x0D:
        return NamedKey(VK_RETURN, state);
    case 0x09:
        return NamedKey(VK_TAB, state);
    case 0x1B:
        return NamedKey(VK_ESCAPE, state);
    case 0x08:
    case 0x7F:
        return NamedKey(VK_BACK, state);
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
    if (state & SHIFT_PRESSED)
        c = IsTypedCharacter(shifted) ? shifted : ShiftedChar(c);
    // Reported text wins over the key's own character (dead keys, AltGr), but not under Ctrl,
    // whose character comes from the key.
    if (IsTypedCharacter(text) && !(state & CTRL_PRESSED))
        c = text;
    return CharKey(c, state);
}

} // namespace tolmix::vt
