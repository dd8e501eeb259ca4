#pragma once

#include <string_view>

namespace tolmix::demo {

// The way from a game session to its player's connection.
class PlayerLink {
  public:
    virtual ~PlayerLink() = default;
    // One line of Windows-1251 text (or a server code); the line end is added.
    virtual void SendLine(std::string_view text) = 0;
    // A prompt: the text, IAC GA and a line end.
    virtual void SendPrompt(std::string_view text) = 0;
    // Telnet command bytes, as they are.
    virtual void SendTelnet(std::string_view bytes) = 0;
    // Ends the connection once what was sent has gone out.
    virtual void Hangup() = 0;
};

} // namespace tolmix::demo
