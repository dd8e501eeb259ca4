#pragma once

#include "net/ServerConnection.h"

#include <string>
#include <vector>

namespace tolmix::test {

// A connection that keeps what is sent through it, as given, while it counts as connected.
class RecordingConnection final : public ServerConnection {
  public:
    bool IsConnected = true;
    std::vector<std::string> Sent;
    int ConnectAttempts = 0;

    bool Connected() const override { return IsConnected; }
    void ConnectToServer() override { ++ConnectAttempts; }
    void Disconnect() override { IsConnected = false; }
    void SendLine(std::string_view text, bool) override {
        if (IsConnected)
            Sent.emplace_back(text);
    }
};

} // namespace tolmix::test
