#pragma once

namespace tolmix {

// Told when the server takes over the echo of what the player types (IAC WILL ECHO, the usual
// sign of a password prompt) and when it gives it back (IAC WONT ECHO, or the connection ends).
class ServerEchoListener {
  public:
    virtual ~ServerEchoListener() = default;
    virtual void ServerEchoChanged(bool serverEchoes) = 0;
};

} // namespace tolmix
