#pragma once

#include "platform/Clock.h"
#include "platform/MidiSink.h"
#include "support/ManualClock.h"

#include <cstdint>
#include <mutex>
#include <vector>

namespace tolmix::test {

// A sink that keeps every message it was sent, stamped with the time of its clock.
class RecordingMidiSink final : public MidiSink {
  public:
    struct Sent {
        TimePoint At;
        uint8_t Status = 0;
        uint8_t Data1 = 0;
        uint8_t Data2 = 0;
    };

    explicit RecordingMidiSink(const Clock& clock) : Time(clock) {}

    void Send(uint8_t status, uint8_t data1, uint8_t data2) override {
        const TimePoint now = Time.Now();
        std::lock_guard guard(Lock);
        Messages.push_back(Sent{now, status, data1, data2});
    }

    std::vector<Sent> Taken() const {
        std::lock_guard guard(Lock);
        return Messages;
    }
    void Clear() {
        std::lock_guard guard(Lock);
        Messages.clear();
    }

  private:
    const Clock& Time;
    mutable std::mutex Lock;
    std::vector<Sent> Messages;
};

} // namespace tolmix::test
