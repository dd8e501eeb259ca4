#pragma once

#include "net/NetworkWait.h"
#include "platform/Network.h"

namespace tolmix {

// The network's waits for a program that watches nothing else meanwhile (a tool, a test): it
// sleeps on the socket alone, has no screen to show and no keys to call a wait off.
class PlainNetworkWait final : public NetworkWait {
  public:
    explicit PlainNetworkWait(Network& network) : Net(network) {}

    void ShowScreen() override {}
    // Never called off.
    bool WaitForSocket(PollHandle handle, Readiness readiness, TimePoint deadline,
                       Purpose) override {
        Net.WaitReady(handle, readiness, deadline);
        return true;
    }
    TimePoint Now() const override { return SteadyClock::now(); }
    int DiscardTypeAhead() override { return 0; }

  private:
    Network& Net;
};

} // namespace tolmix
