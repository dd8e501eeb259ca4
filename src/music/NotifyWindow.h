#pragma once

#include "platform/EventLoop.h"

#include <cstdint>

namespace tolmix {

// A hidden window for MIDI stream notifications: the MM_MOM_* messages posted with its handle
// in WParam reach its procedure when the message pump dispatches them. Messages for a window
// that no longer exists are dropped.
class NotifyWindow {
  public:
    // What receives the window's messages.
    class Procedure {
      public:
        virtual ~Procedure() = default;
        virtual void WindowProc(const Message& message) = 0;
    };

    NotifyWindow(EventLoop& loop, Procedure& procedure);
    ~NotifyWindow();
    NotifyWindow(const NotifyWindow&) = delete;
    NotifyWindow& operator=(const NotifyWindow&) = delete;

    uint64_t Handle() const { return WindowHandle; }

  private:
    static void Route(const Message& message);

    uint64_t WindowHandle;
    Procedure& WindowProc;
};

} // namespace tolmix
