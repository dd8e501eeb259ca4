#pragma once

#include "platform/EventLoop.h"

namespace tolmix {

// Keeps a handle watched by the event loop for as long as it lives.
class HandleWatch {
  public:
    HandleWatch(EventLoop& loop, PollHandle handle) : Loop(loop), Handle(handle) {
        Loop.WatchHandle(Handle);
    }
    ~HandleWatch() { Loop.UnwatchHandle(Handle); }
    HandleWatch(const HandleWatch&) = delete;
    HandleWatch& operator=(const HandleWatch&) = delete;

  private:
    EventLoop& Loop;
    PollHandle Handle;
};

} // namespace tolmix
