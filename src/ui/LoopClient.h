#pragma once

#include "platform/KeyEvent.h"
#include "platform/MouseEvent.h"

#include <cstdint>
#include <string>

namespace tolmix {

// What the input loop hands the client it runs: the player's input, the idle step that
// receives from the server, and the terminal's new sizes.
class LoopClient {
  public:
    virtual ~LoopClient() = default;
    // Every key event; true when consumed.
    virtual bool HandleKey(const KeyEvent& key) = 0;
    // At most one line from the server; true while another is ready at once, so that the loop
    // calls again without waiting.
    virtual bool Idle() = 0;
    // Text pasted into the terminal (console code page), and how many characters the
    // terminal's reader left out after it already.
    virtual void Paste(const std::string& text, uint64_t leftOut) = 0;
    // The mouse wheel: `rows` rows down towards the newest output or up into the scrollback.
    virtual void Wheel(bool down, int64_t rows) = 0;
    // The left mouse button pressed, dragged or let go over the screen.
    virtual void Mouse(const MouseEvent& event) = 0;
    // The screen has taken another size: it is laid out again in it and drawn whole.
    virtual void ScreenResized() = 0;
};

} // namespace tolmix
