#pragma once

namespace tolmix {

// What the left mouse button does over the screen, at a cell counted from 0 at the top left.
// Other buttons, and motion with no button held, are no events of the client's.
struct MouseEvent {
    enum class Action { Press, Drag, Release };

    Action Type = Action::Press;
    int Column = 0;
    int Row = 0;

    bool operator==(const MouseEvent&) const = default;
};

} // namespace tolmix
