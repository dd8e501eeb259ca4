#pragma once

#include "platform/EventLoop.h"

namespace tolmix {

// Keeps a handle watched by the event loop for as long as it lives.
class HandleWatch {
  public:
    HandleWatch(EventLoop& loop, PollHandle handle, Readiness readiness = Readiness::Read)
        : Loop(loop), Handle(handle), For(readiness) {
        if (For == Readiness::Read)
            Loop.WatchHandle(Handle);
        else
            Loop.WatchWritable(Handle);
    }
    ~HandleWatch() {
        if (For == Readiness::Read)
            Loop.UnwatchHandle(Handle);
        else
            Loop.UnwatchWritable(Handle);
    }
    HandleWatch(const HandleWatch&) = delete;
    HandleWatch& operator=(const HandleWatch&) = delete;

  private:
    EventLoop& Loop;
    PollHandle Handle;
    Readiness For;
};

} // namespace tolmix
