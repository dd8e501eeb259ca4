#pragma once

namespace tolmix {

// Told when the server takes over the echo of what the player types (IAC WILL ECHO, the usual
// sign of a password prompt) and when it gives it back (IAC WONT ECHO).
class ServerEchoListener {
  public:
    virtual ~ServerEchoListener() = default;
    virtual void ServerEchoChanged(bool serverEchoes) = 0;
    // The connection ended, and with it whatever echo the server had taken over: the next
    // connection starts with the client's own. What was typed for the server's echo (half a
    // password) is meant for no other connection.
    virtual void ServerEchoLost() = 0;
};

} // namespace tolmix
