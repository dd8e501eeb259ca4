#pragma once

#include "net/NetworkWait.h"

#include <algorithm>
#include <functional>
#include <utility>
#include <vector>

namespace tolmix::test {

// The network waits on a manual clock: every wait moves the clock on by Step (never past its
// deadline) and returns at once, so a 30 s limit runs out without real time passing.
class FakeNetworkWait final : public NetworkWait {
  public:
    struct Call {
        PollHandle Handle;
        Readiness For = Readiness::Read;
        TimePoint Deadline;
        Purpose Why = Purpose::Connect;
    };

    TimePoint Clock{};
    Milliseconds Step{1000};
    std::vector<Call> Calls;
    int Shown = 0;
    // Runs at each wait, after the clock moved (a test makes bytes arrive or the peer read);
    // false calls the wait off.
    std::function<bool(const Call&)> OnWait;

    void ShowScreen() override { ++Shown; }
    bool WaitForSocket(PollHandle handle, Readiness readiness, TimePoint deadline,
                       Purpose purpose) override {
        Calls.push_back({handle, readiness, deadline, purpose});
        Clock = std::max(Clock, std::min(Clock + Step, deadline));
        return OnWait ? OnWait(Calls.back()) : true;
    }
    TimePoint Now() const override { return Clock; }
    // Key presses typed meanwhile, as a console would hold them; all thrown away when asked.
    int TypeAhead = 0;
    int Discards = 0;
    int DiscardTypeAhead() override {
        ++Discards;
        return std::exchange(TypeAhead, 0);
    }
};

} // namespace tolmix::test
