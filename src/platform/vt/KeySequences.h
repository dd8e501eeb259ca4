#pragma once

#include "platform/KeyEvent.h"
#include "platform/MouseEvent.h"

#include <string_view>

// What a complete control sequence from the terminal means. The byte-level framing (where a
// sequence starts and ends) is the key decoder's; this part only interprets.
namespace tolmix::vt {

struct SequenceMeaning {
    enum class Kind { Nothing, Key, Focus, PasteStart, PasteEnd, Wheel, Mouse };

    Kind Type = Kind::Nothing;
    KeyEvent Key;
    bool Focused = false;
    int Wheel = 0; // Kind::Wheel: -1 one notch up (away from the user), +1 down
    MouseEvent Mouse{}; // Kind::Mouse

    static SequenceMeaning Of(const KeyEvent& key) {
        SequenceMeaning m;
        m.Type = Kind::Key;
        m.Key = key;
        return m;
    }
};

// CSI params intermediates final: xterm / ECMA-48 keys with modifiers, modifyOtherKeys
// (CSI 27;m;k~), kitty (CSI k:shifted:base;m:event;text u), focus reports and the paste
// markers, and SGR mouse reports (CSI < b;x;y M, m for a release): the wheel, and the left
// button's press, drag and release. Terminal replies (other private markers, intermediates),
// other buttons, motion without a button and unknown reports mean nothing.
SequenceMeaning InterpretCsi(std::string_view params, std::string_view intermediates, char final);

// SS3 [modifier digits] final: cursor keys in application mode, F1-F4, the application keypad.
SequenceMeaning InterpretSs3(std::string_view params, char final);

} // namespace tolmix::vt
