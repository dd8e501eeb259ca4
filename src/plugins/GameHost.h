#pragma once

#include "net/ServerConnection.h"
#include "platform/TerminalWindow.h"
#include "plugins/uPluginIntf.h"
#include "text/LinePrinter.h"

#include <cstdint>
#include <string>

namespace tolmix {

// The client's input loop as the plugins' host runs it from inside a plugin's call.
class HostLoop {
  public:
    virtual ~HostLoop() = default;
    // One pass of the input loop: messages, keys and, when `receive`, the idle step that
    // receives from the server.
    virtual void RunLoopPass(bool receive) = 0;
};

// The host operations that plugins call, built on the few things they need from the client.
class GameHost final : public TTolmixHost {
  public:
    // Nested ProcessIdle calls beyond this depth run the input loop without receiving, so that
    // a plugin that runs the loop inside every ReceiveData cannot exhaust the stack with a
    // stream of game data; the lines wait until the nested calls return.
    static constexpr int MaxReceivingDepth = 32;

    // `charName` is the character's name as the server codes leave it (console code page).
    GameHost(HostLoop& loop, const TerminalWindow& window, ServerConnection& link,
             LinePrinter& printer, const std::string& charName)
        : Loop(loop), Window(window), Link(link), Printer(printer), CharName(charName) {}
    GameHost(const GameHost&) = delete;
    GameHost& operator=(const GameHost&) = delete;

    uint64_t GetWindowHandle() override;
    std::string GetCharName() override;
    void ProcessIdle() override;
    void SendGameData(const std::string& data) override;
    void SendGameText(uint8_t channel, const std::string& text) override;
    void SendGameFinish() override;

    // How many ProcessIdle calls are running now.
    int IdleDepth() const { return Depth; }

  private:
    HostLoop& Loop;
    // The window of the client's console (0 when none is known).
    const TerminalWindow& Window;
    ServerConnection& Link;
    LinePrinter& Printer;
    const std::string& CharName;
    int Depth = 0;
};

} // namespace tolmix
