#pragma once

#include "platform/EventLoop.h"

namespace tolmix {

// The main thread's pump as code that waits inside a handler runs it (the MIDI player while
// its stream closes): the input loop's own pass over messages and console input, as long as
// the input loop runs.
class MessagePump {
  public:
    virtual ~MessagePump() = default;
    virtual EventLoop& Loop() = 0;
    // True once the input loop has ended; nothing pumps then but the waiter itself.
    virtual bool LoopEnded() const = 0;
    // Handles every message and input event that is waiting, without sleeping.
    virtual void ProcessPending() = 0;
};

} // namespace tolmix
