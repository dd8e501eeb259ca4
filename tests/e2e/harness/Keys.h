#pragma once

#include <string>
#include <string_view>

// The bytes an xterm-like terminal sends for keys, so scenarios read as key presses.
// A lone Escape is only taken as Escape after a short wait (about 25 ms) in the client's key
// decoder; a key sent right behind it would read as Alt+key, so wait for the screen to change
// (or PumpFor a little) before the next key.
namespace tolmix::e2e::keys {

// Modifier bits of the xterm / kitty parameter (the parameter is 1 + these bits).
inline constexpr int kShift = 1;
inline constexpr int kAlt = 2;
inline constexpr int kCtrl = 4;

inline const std::string Escape = "\x1b";
inline const std::string Enter = "\r";
inline const std::string Tab = "\t";
inline const std::string ShiftTab = "\x1b[Z";
inline const std::string Backspace = "\x7f";

inline const std::string Up = "\x1b[A";
inline const std::string Down = "\x1b[B";
inline const std::string Right = "\x1b[C";
inline const std::string Left = "\x1b[D";
inline const std::string Home = "\x1b[H";
inline const std::string End = "\x1b[F";
inline const std::string Insert = "\x1b[2~";
inline const std::string Delete = "\x1b[3~";
inline const std::string PageUp = "\x1b[5~";
inline const std::string PageDown = "\x1b[6~";

inline const std::string F1 = "\x1bOP";
inline const std::string F2 = "\x1bOQ";
inline const std::string F3 = "\x1bOR";
inline const std::string F4 = "\x1bOS";
inline const std::string F5 = "\x1b[15~";
inline const std::string F6 = "\x1b[17~";
inline const std::string F7 = "\x1b[18~";
inline const std::string F8 = "\x1b[19~";
inline const std::string F9 = "\x1b[20~";
inline const std::string F10 = "\x1b[21~";
inline const std::string F11 = "\x1b[23~";
inline const std::string F12 = "\x1b[24~";

// Cursor keys with modifiers: CSI 1 ; m letter.
inline const std::string ShiftLeft = "\x1b[1;2D";
inline const std::string ShiftRight = "\x1b[1;2C";
inline const std::string ShiftHome = "\x1b[1;2H";
inline const std::string ShiftEnd = "\x1b[1;2F";
inline const std::string CtrlLeft = "\x1b[1;5D";
inline const std::string CtrlRight = "\x1b[1;5C";
inline const std::string CtrlUp = "\x1b[1;5A";
inline const std::string CtrlDown = "\x1b[1;5B";
inline const std::string CtrlHome = "\x1b[1;5H";
inline const std::string CtrlEnd = "\x1b[1;5F";
inline const std::string CtrlShiftLeft = "\x1b[1;6D";
inline const std::string CtrlShiftRight = "\x1b[1;6C";

// Keys that only the kitty protocol (CSI code ; m u) or modifyOtherKeys (CSI 27 ; m ; code ~)
// can tell apart from their plain form.
inline const std::string ShiftEscape = "\x1b[27;2u";
inline const std::string ShiftEscapeModifyOtherKeys = "\x1b[27;2;27~";
inline const std::string AltEscape = "\x1b[27;3u";
inline const std::string CtrlEnter = "\x1b[13;5u";
inline const std::string CtrlEnterModifyOtherKeys = "\x1b[27;5;13~";
inline const std::string ShiftEnter = "\x1b[13;2u";

// Keypad in application mode (DECKPAM).
inline const std::string KeypadEnter = "\x1bOM";
inline const std::string KeypadPlus = "\x1bOk";
inline const std::string KeypadMinus = "\x1bOm";
inline const std::string KeypadMultiply = "\x1bOj";
inline const std::string KeypadDivide = "\x1bOo";
inline std::string Keypad(int digit) {
    return std::string("\x1bO") + static_cast<char>('p' + digit);
}

// Focus reports (after CSI ?1004h).
inline const std::string FocusIn = "\x1b[I";
inline const std::string FocusOut = "\x1b[O";

// Ctrl with a letter: Ctrl('c') is 0x03.
inline std::string Ctrl(char letter) {
    return std::string(1, static_cast<char>(letter & 0x1f));
}
// Alt as the terminal sends it: ESC in front of the key.
inline std::string Alt(std::string_view key) {
    return "\x1b" + std::string(key);
}
// A key in the kitty protocol: `code` is the Unicode code point (27 Escape, 13 Enter, ...).
inline std::string Kitty(int code, int modifiers) {
    return "\x1b[" + std::to_string(code) + ";" + std::to_string(1 + modifiers) + "u";
}
// The release of a key, reported by the kitty protocol with event type 3.
inline std::string KittyRelease(int code, int modifiers) {
    return "\x1b[" + std::to_string(code) + ";" + std::to_string(1 + modifiers) + ":3u";
}
inline std::string ModifyOtherKeys(int code, int modifiers) {
    return "\x1b[27;" + std::to_string(1 + modifiers) + ";" + std::to_string(code) + "~";
}
// Text inside bracketed-paste marks.
inline std::string Paste(std::string_view text) {
    return "\x1b[200~" + std::string(text) + "\x1b[201~";
}

} // namespace tolmix::e2e::keys
