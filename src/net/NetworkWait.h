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
};

} // namespace tolmix
