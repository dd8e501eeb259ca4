#pragma once

#include "platform/KeyEvent.h"
#include "platform/MouseEvent.h"

#include <string>

namespace tolmix {

// One console input record. The console driver looks at key events; a paste carries the pasted
// text in Windows-1251, like the clipboard; the other kinds are informational.
struct InputRecord {
    enum class Kind { Key, Paste, Focus, Resize, Wheel, Mouse };

    Kind Type = Kind::Key;
    KeyEvent Key;
    std::string Text;     // Kind::Paste: Windows-1251, line ends as the terminal sent them
    uint64_t LeftOut = 0; // Kind::Paste: characters past the reader's limit, not in Text
    bool Focused = true;  // Kind::Focus
    int Wheel = 0;        // Kind::Wheel: notches, negative up (away from the user), positive down
    MouseEvent Mouse{};   // Kind::Mouse: the left button pressed, dragged or let go

    static InputRecord FromKey(const KeyEvent& key) {
        InputRecord r;
        r.Key = key;
        return r;
    }
};

} // namespace tolmix
