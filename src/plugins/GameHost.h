#pragma once

#include "plugins/uPluginIntf.h"
#include "ui/TConsole.h"

#include <functional>
#include <string>

namespace tolmix {

// The host operations that plugins call, built on the few things they need from the client.
// The client either derives from it (filling the hooks in its constructor) or keeps one and
// forwards its own host operations to it.
class GameHost : public TTolmixHost {
  public:
    // Nested ProcessIdle calls beyond this depth run the input loop without receiving, so that
    // a plugin that runs the loop inside every ReceiveData cannot exhaust the stack with a
    // stream of game data; the lines wait until the nested calls return.
    static constexpr int MaxReceivingDepth = 32;

    explicit GameHost(TConsole& console) : Con(console) {}
    GameHost(const GameHost&) = delete;
    GameHost& operator=(const GameHost&) = delete;
    virtual ~GameHost() = default;

    // Whether a connection to the server exists.
    std::function<bool()> Connected;
    // Sends one text to the server; with convert off, as plugin codes are sent.
    std::function<void(const std::string& text, bool convert)> SendLine;
    // Prints or dispatches one Windows-1251 line exactly like a line from the server.
    std::function<void(const std::string& text)> PrintLine;
    // The character name, in the console code page.
    std::function<std::string()> CharName;

    uint64_t GetWindowHandle() override;
    std::string GetCharName() override;
    void ProcessIdle() override;
    void SendGameData(const std::string& data) override;
    void SendGameText(uint8_t channel, const std::string& text) override;
    void SendGameFinish() override;

    // How many ProcessIdle calls are running now.
    int IdleDepth() const { return Depth; }

  private:
    bool IsConnected() const { return Connected && Connected(); }
    void SendCode(const std::string& code);

    TConsole& Con;
    int Depth = 0;
};

} // namespace tolmix
