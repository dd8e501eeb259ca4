#include "platform/vt/KeySequences.h"

#include "platform/VirtualKeys.h"
#include "platform/vt/KeyLayout.h"

#include <algorithm>
#include <array>
#include <optional>

namespace tolmix::vt {

namespace {

// Numeric parameters split at ';', each into sub-parameters at ':'. Values saturate, extra
// parameters are ignored: the keys need only the first few.
class Params {
  public:
    static constexpr size_t MaxParams = 4;
    static constexpr size_t MaxSubs = 3;

    // False for a private marker ('<' '=' '>' '?'), which only terminal replies carry.
    bool Parse(std::string_view text) {
        size_t param = 0, sub = 0;
        for (char c : text) {
            if (c >= '0' && c <= '9') {
                if (param < MaxParams && sub < MaxSubs) {
                    uint32_t& v = values_[param][sub];
                    v = v >= Saturated ? Saturated : v * 10 + static_cast<uint32_t>(c - '0');
                    present_[param][sub] = true;
                }
            } else if (c == ';') {
                ++param, sub = 0;
            } else if (c == ':') {
                ++sub;
            } else {
                return false;
            }
        }
        count_ = text.empty() ? 0 : param + 1;
        return true;
    }

    size_t Count() const { return count_; }

    uint32_t Get(size_t param, size_t sub, uint32_t fallback) const {
        if (param >= MaxParams || sub >= MaxSubs || !present_[param][sub])
            return fallback;
        return values_[param][sub];
    }

  private:
    static constexpr uint32_t Saturated = 100000000;
    std::array<std::array<uint32_t, MaxSubs>, MaxParams> values_{};
    std::array<std::array<bool, MaxSubs>, MaxParams> present_{};
    size_t count_ = 0;
};

// The modifier parameter (1 + bits, default 1) with kitty's event type as its sub-parameter.
struct Modifiers {
    uint32_t State = 0;
    bool Release = false;
};

Modifiers ModifiersAt(const Params& p, size_t param) {
    const uint32_t m = p.Get(param, 0, 1);
    Modifiers mods;
    mods.State = ControlStateFromModifiers(m > 0 ? (m - 1) & 0xFF : 0);
    mods.Release = p.Get(param, 1, 1) == 3;
    return mods;
}

SequenceMeaning Pressed(KeyEvent key, const Modifiers& mods) {
    key.KeyDown = !mods.Release;
    return SequenceMeaning::Of(key);
}

SequenceMeaning Pressed(std::optional<KeyEvent> key, const Modifiers& mods) {
    if (!key)
        return {};
    return Pressed(*key, mods);
}

// Keys named by the final letter of CSI 1;m X and SS3 X.
std::optional<KeyEvent> LetterKey(char final, uint32_t state) {
    const uint32_t grey = state | EnhancedKey;
    switch (final) {
    case 'A':
        return NamedKey(VkUp, grey);
    case 'B':
        return NamedKey(VkDown, grey);
    case 'C':
        return NamedKey(VkRight, grey);
    case 'D':
        return NamedKey(VkLeft, grey);
    case 'H':
        return NamedKey(VkHome, grey);
    case 'F':
        return NamedKey(VkEnd, grey);
    case 'E': // keypad 5 without NumLock
        return NamedKey(VkClear, state);
    case 'P':
    case 'Q':
    case 'R':
    case 'S':
        return NamedKey(static_cast<uint16_t>(VkF1 + (final - 'P')), state);
    default:
        return std::nullopt;
    }
}

// Keys of CSI n;m ~ (VT220 numbering as xterm sends it).
std::optional<KeyEvent> TildeKey(uint32_t n, uint32_t state) {
    const uint32_t grey = state | EnhancedKey;
    switch (n) {
    case 1:
    case 7:
        return NamedKey(VkHome, grey);
    case 2:
        return NamedKey(VkInsert, grey);
    case 3:
        return NamedKey(VkDelete, grey);
    case 4:
    case 8:
        return NamedKey(VkEnd, grey);
    case 5:
        return NamedKey(VkPrior, grey);
    case 6:
        return NamedKey(VkNext, grey);
    default:
        break;
    }
    // F1-F20 with the gaps of the VT220 keyboard.
    static constexpr std::array<uint8_t, 20> FKeys = {11, 12, 13, 14, 15, 17, 18, 19, 20, 21,
                                                      23, 24, 25, 26, 28, 29, 31, 32, 33, 34};
    for (size_t i = 0; i < FKeys.size(); ++i) {
        if (FKeys[i] == n)
            return NamedKey(static_cast<uint16_t>(VkF1 + i), state);
    }
    if (n >= 0xE000 && n <= 0xF8FF) // kitty: KP_BEGIN is CSI 57427 ~
        return NumberedKey(n, 0, 0, state);
    return std::nullopt;
}

} // namespace

namespace {

// An SGR mouse report: button (with modifier bits 4, 8 and 16, and 32 for motion), column and
// row from 1; M for a press or a motion, m for a release. The wheel's presses are buttons 64
// (up) and 65 (down); the left button is 0, which with button-motion tracking (mode 1002)
// moves as 32 while held.
SequenceMeaning InterpretSgrMouse(std::string_view params, char final) {
    Params p;
    if (!p.Parse(params) || p.Count() != 3)
        return {};
    const uint32_t button = p.Get(0, 0, 0) & ~uint32_t{4 | 8 | 16};
    SequenceMeaning m;
    if (button == 64 || button == 65) {
        if (final != 'M')
            return {};
        m.Type = SequenceMeaning::Kind::Wheel;
        m.Wheel = button == 64 ? -1 : 1;
        return m;
    }
    if (button != 0 && button != 32)
        return {};
    const uint32_t column = p.Get(1, 0, 0);
    const uint32_t row = p.Get(2, 0, 0);
    if (column == 0 || row == 0)
        return {};
    m.Type = SequenceMeaning::Kind::Mouse;
    if (final == 'm')
        m.Mouse.Type = MouseEvent::Action::Release;
    else
        m.Mouse.Type = button == 32 ? MouseEvent::Action::Drag : MouseEvent::Action::Press;
    // Saturated parameters stay far below int's range.
    m.Mouse.Column = static_cast<int>(column - 1);
    m.Mouse.Row = static_cast<int>(row - 1);
    return m;
}

} // namespace

SequenceMeaning InterpretCsi(std::string_view params, std::string_view intermediates, char final) {
    if (!params.empty() && params[0] == '<' && intermediates.empty() &&
        (final == 'M' || final == 'm'))
        return InterpretSgrMouse(params.substr(1), final);
    Params p;
    if (!intermediates.empty() || !p.Parse(params))
        return {};
    const Modifiers mods = ModifiersAt(p, 1);
    switch (final) {
    case 'I':
    case 'O':
        if (p.Count() != 0)
            return {};
        {
            SequenceMeaning m;
            m.Type = SequenceMeaning::Kind::Focus;
            m.Focused = final == 'I';
            return m;
        }
    case 'Z': // back-tab
        return Pressed(NamedKey(VkTab, mods.State | ShiftPressed), mods);
    case 'a': // rxvt: Shift + arrow
    case 'b':
    case 'c':
    case 'd':
        if (p.Count() != 0)
            return {};
        return Pressed(LetterKey(static_cast<char>(final - 'a' + 'A'), ShiftPressed), mods);
    case '~': {
        const uint32_t n = p.Get(0, 0, 0);
        if (n == 200)
            return {SequenceMeaning::Kind::PasteStart, {}, false};
        if (n == 201)
            return {SequenceMeaning::Kind::PasteEnd, {}, false};
        if (n == 27) { // modifyOtherKeys: CSI 27 ; m ; key ~
            if (p.Count() < 3)
                return {};
            return Pressed(NumberedKey(p.Get(2, 0, 0), 0, 0, mods.State), mods);
        }
        return Pressed(TildeKey(n, mods.State), mods);
    }
    case 'u':
        if (p.Count() == 0) // would be "restore cursor", never a key
            return {};
        return Pressed(NumberedKey(p.Get(0, 0, 0), p.Get(0, 1, 0), p.Get(2, 0, 0), mods.State),
                       mods);
    default:
        // CSI 1;m X; any other first parameter is a reply (a cursor report ends in R).
        if (p.Get(0, 0, 1) != 1)
            return {};
        return Pressed(LetterKey(final, mods.State), mods);
    }
}

SequenceMeaning InterpretSs3(std::string_view params, char final) {
    // Older xterms put the modifier right after SS3 (ESC O 5 P); take the last number.
    Params p;
    if (!p.Parse(params))
        return {};
    Modifiers mods;
    if (p.Count() > 0)
        mods = ModifiersAt(p, std::min(p.Count(), Params::MaxParams) - 1);
    const uint32_t state = mods.State;
    if (final >= 'p' && final <= 'y')
        return Pressed(NamedKey(static_cast<uint16_t>(VkNumpad0 + (final - 'p')), state), mods);
    switch (final) {
    case 'j':
        return Pressed(NamedKey(VkMultiply, state), mods);
    case 'k':
        return Pressed(NamedKey(VkAdd, state), mods);
    case 'l':
        return Pressed(NamedKey(VkSeparator, state), mods);
    case 'm':
        return Pressed(NamedKey(VkSubtract, state), mods);
    case 'n':
        return Pressed(NamedKey(VkDecimal, state), mods);
    case 'o':
        return Pressed(NamedKey(VkDivide, state | EnhancedKey), mods);
    case 'M':
        return Pressed(NamedKey(VkReturn, state | EnhancedKey), mods);
    case 'X':
        return Pressed(CharKey('=', state), mods);
    case 'I':
        return Pressed(NamedKey(VkTab, state), mods);
    case 'a': // rxvt: Ctrl + arrow
    case 'b':
    case 'c':
    case 'd':
        return Pressed(LetterKey(static_cast<char>(final - 'a' + 'A'), state | LeftCtrlPressed),
                       mods);
    default:
        return Pressed(LetterKey(final, state), mods);
    }
}

} // namespace tolmix::vt
