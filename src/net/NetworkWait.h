#pragma once

#include "platform/Clock.h"
#include "platform/PollHandle.h"

namespace tolmix {

// How the connection waits for a slow network: in the console's wait, which keeps the screen
// shown, keeps reading the keys and hears the quit signals, so that no wait holds the player.
class NetworkWait {
  public:
    // Which keys call a wait off: F10 and Escape while connecting, F10 alone while sending.
    enum class Purpose { Connect, Send };

    virtual ~NetworkWait() = default;

    // Puts the screen as it is now on the terminal (before an attempt that may take long).
    virtual void ShowScreen() = 0;
    // Sleeps until `handle` may be ready for `readiness`, or until the deadline; the caller
    // looks at the socket again either way. False when the wait was called off (a key, a quit
    // request): the caller gives up.
    virtual bool WaitForSocket(PollHandle handle, Readiness readiness, TimePoint deadline,
                               Purpose purpose) = 0;
    virtual TimePoint Now() const = 0;
    // Throws away what was typed during the waits and not yet handled, except the keys that
    // end the program (F10); returns how many key presses and pastes went. For a send that
    // failed: what the player typed after the command would else join the text the editor
    // keeps, and go out with it as one command after the next connection.
    virtual int DiscardTypeAhead() = 0;
};

} // namespace tolmix
