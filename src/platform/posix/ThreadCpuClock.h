#pragma once

#include "platform/Clock.h"

namespace tolmix::posix {

// The processor time the calling thread has spent, as a clock: it stands still while the
// thread waits, so a limit measured on it is not used up by a busy machine.
class ThreadCpuClock final : public Clock {
  public:
    TimePoint Now() const override;
};

} // namespace tolmix::posix
