#pragma once

// Only for test programs that link the plugin layer.
#include "plugins/GameHost.h"
#include "plugins/PluginList.h"
#include "support/FakeClipboard.h"
#include "support/FakeEventLoop.h"
#include "support/FakeTerminal.h"
#include "text/CodePage.h"

#include <algorithm>
#include <deque>
#include <exception>
#include <string>
#include <vector>

namespace tolmix::test {

// The parts of the client that the plugins meet, as small as they can be: the text printer's
// dispatch of game codes, the sending of client codes with their wire form, and a receive step
// bound to a real console driver that takes one queued server line per idle pass, turning any
// error raised while the line is handled into a disconnect.
class FakeGameClient {
  public:
    static constexpr std::string_view ReconnectPrompt = "<reconnect prompt>";

    FakeTerminal Term;
    FakeEventLoop Loop;
    FakeClipboard Clip;
    TConsole Con{Term, Loop, Clip};
    GameHost Host{Con};
    GamePlugins& Plugins;

    bool Connected = true;
    std::string Wire;                 // every byte sent, as the server receives it
    std::vector<std::string> Printed; // printed lines, console code page
    std::vector<std::string> Output;  // texts written by the game codes
    std::vector<std::string> Errors;  // what ended the connection
    std::deque<std::string> Incoming; // server lines, Windows-1251, not yet received
    std::string CharName;             // console code page
    int DeepestReceive = 0;           // most ProcessIdle calls running at one receive

    explicit FakeGameClient(GamePlugins& plugins) : Plugins(plugins) {
        Host.Connected = [this] { return Connected; };
        Host.SendLine = [this](const std::string& text, bool convert) { SendLine(text, convert); };
        Host.PrintLine = [this](const std::string& text) { PrintLine(text); };
        Host.CharName = [this] { return CharName; };
        Plugins.AppendOutput = [this](const std::string& text) { Output.push_back(text); };
        Plugins.SendPluginList = [this] {
            if (!Connected)
                return;
            for (const std::string& line : Plugins.PluginListLines())
                SendLine(line, false);
        };
        Con.OnIdle = [this] { return PollSocket(); };
    }

    // A server code line on the wire: markers 0x80 0x80, then the code.
    static std::string Code(std::string_view code) { return "\x80\x80" + std::string(code); }

    void PrintLine(const std::string& text) {
        const std::string line = AnsiToConsole(text);
        if (line.size() > 2 && line[0] == '\x10' && line[1] == '\x10') {
            const std::string payload = line.substr(3);
            if (line[2] == 'g' && !payload.empty())
                Plugins.HandleGameCode(payload[0], std::string_view(payload).substr(1));
            return;
        }
        Printed.push_back(line);
    }

    void SendLine(const std::string& text, bool convert) {
        if (!Connected)
            return;
        for (char ch : convert ? ConsoleToAnsi(text) : text) {
            auto c = static_cast<uint8_t>(ch);
            if (!convert && c >= 0x10 && c <= 0x1F)
                c = static_cast<uint8_t>(c + 0x70);
            if (c == 0xFF)
                Wire += '\xFF';
            Wire += static_cast<char>(c);
        }
        Wire += "\r\n";
    }

    bool PollSocket() {
        if (!Connected || Incoming.empty())
            return false;
        DeepestReceive = std::max(DeepestReceive, Host.IdleDepth());
        const std::string line = Incoming.front();
        Incoming.pop_front();
        try {
            PrintLine(line);
        } catch (const std::exception& error) {
            Errors.push_back(error.what());
            Disconnect();
        }
        return Connected && !Incoming.empty();
    }

    void Disconnect() {
        Connected = false;
        Printed.emplace_back(ReconnectPrompt);
    }

    // Runs the input loop until every queued server line was received (bounded).
    void ReceiveAll() {
        for (int pass = 0; pass < 10000 && Connected && !Incoming.empty(); ++pass)
            Con.Step();
    }
};

} // namespace tolmix::test
