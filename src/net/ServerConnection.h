#pragma once

#include <string_view>

namespace tolmix {

// The connection to the game server as the other parts see it: the editor, the keys, the
// macro step and the plugins' host hold one, never the link itself.
class ServerConnection {
  public:
    virtual ~ServerConnection() = default;

    // True while a connection is open (also while an attempt to open one runs).
    virtual bool Connected() const = 0;
    // Opens the connection unless one exists; a failure ends in the reconnect prompt.
    virtual void ConnectToServer() = 0;
    // Closes the connection and prints the reconnect prompt.
    virtual void Disconnect() = 0;
    // Sends `text` (which may hold CR LF) with CR LF appended: converted from the console code
    // page when `convert`, else as Windows-1251 with the marker and colour bytes 0x10..0x1F
    // raised to 0x80..0x8F; every 0xFF doubled. Nothing happens while unconnected.
    virtual void SendLine(std::string_view text, bool convert) = 0;
};

} // namespace tolmix
