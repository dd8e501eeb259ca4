#pragma once

// Only for test programs that link the client layer.
#include "app/TextPrinter.h"
#include "net/ConnectionMessages.h"
#include "net/PlainNetworkWait.h"
#include "net/ServerLink.h"
#include "plugins/GameHost.h"
#include "plugins/PluginList.h"
#include "support/DefaultScreen.h"
#include "support/FakeClipboard.h"
#include "support/FakeEventLoop.h"
#include "support/FakeNetwork.h"
#include "support/FakeTerminal.h"
#include "support/FakeWallClock.h"
#include "support/ScriptedLoopClient.h"
#include "text/CodePage.h"
#include "text/ColourBytes.h"
#include "ui/ConsoleScreen.h"
#include "ui/InputLoop.h"

#include <algorithm>
#include <deque>
#include <exception>
#include <string>
#include <vector>

namespace tolmix::test {

// The parts of the client that the plugins meet: the real server link on a fake network, its
// receive step bound to a real console driver that takes one queued server line per idle pass,
// the real printer, which hands game codes to the plugins, and the plugins' host. The printed
// lines are kept as the log gets them; the client has no music.
class FakeGameClient final : public ServerLinePrinter,
                             public ServerEchoListener,
                             public TextOutput,
                             public HostLoop,
                             public PrintedLineTargets {
  public:
    // The reconnect prompt as it reaches the printed lines (console code page, no colours).
    static std::string ReconnectPrompt() {
        std::string plain;
        for (char c : AnsiToConsole(tolmix::ReconnectPrompt))
            if (!IsColourByte(static_cast<uint8_t>(c)))
                plain += c;
        return plain;
    }

    FakeTerminal Term;
    FakeEventLoop Loop;
    FakeClipboard Clip;
    ConsoleScreen Con{Term};
    InputLoop Input{Term, Loop, Con};
    // What the input loop serves: the idle step receives the next queued line.
    ScriptedLoopClient Player;
    FakeNetwork Net;
    FakeWallClock Wall;
    // The plain waits, as a program without a console has them.
    PlainNetworkWait Waits{Net};
    ServerLink Link{*this, *this, Waits, Net, Loop, {.Address = "mud.example", .Port = "4000"}};
    CharacterStatus State;
    std::string& CharName = State.CharName; // console code page
    GameClock Clock{Wall};
    OutputBuffer Screen{Con, 80, 100, 21};
    StatusPanel Panel{Con, Term, Loop, State, Clock, DefaultPanel()};
    TextPrinter Printer{Con, Screen, State, Clock, Panel, *this, false, '.'};
    GameHost Host{*this, Term, Link, *this, CharName};

    std::string Wire;                  // every byte sent, as the server receives it
    std::vector<std::string> Printed;  // printed lines, console code page
    std::vector<std::string> Output;   // texts written by the game codes
    std::vector<std::string> Messages; // the client's own lines among them
    std::vector<std::string> Errors;   // what ended the connection
    std::deque<std::string> Incoming;  // server lines, Windows-1251, not yet received
    int DeepestReceive = 0;            // most ProcessIdle calls running at one receive

    // What the plugin list noted in the diagnostics, one entry a line.
    struct RecordedNotes final : DiagnosticsLog {
        std::vector<std::string> Lines;
        void Note(std::string_view line) override { Lines.emplace_back(line); }
    } Notes;

    // How the plugin list told the watch of its calls into plugin code.
    struct RecordedWatch final : PluginCallWatch {
        int Depth = 0;
        int Deepest = 0;
        int Calls = 0;
        void Enter() override {
            ++Calls;
            Deepest = std::max(Deepest, ++Depth);
        }
        void Leave() override { --Depth; }
        void PassBegins() override {}
        void PassEnds() override {}
        void QuitPending() override {}
    } Watch;

    // Made after, and so gone before, everything its plugins and their unloading may use.
    GamePlugins Plugins;

    FakeGameClient(FileSystem& files, ModuleLoader& loader)
        : Plugins(files, loader, Link, *this, Notes, Watch) {
        Loop.HandleReady = [this](PollHandle h) { return Net.Ready(h); };
        Player.OnIdle = [this] { return ReceiveOne(); };
        Connect();
    }

    // A server code line on the wire: markers 0x80 0x80, then the code.
    static std::string Code(std::string_view code) { return "\x80\x80" + std::string(code); }

    void PrintLine(const std::string& text) override { Printer.PrintLine(text); }
    void PrintTextLine(const std::string& text) override { Printer.PrintTextLine(text); }
    void ShowUnfinishedLine(const std::string& text) override { Printer.ShowUnfinishedLine(text); }
    void RemoveUnfinishedLine() override { Printer.RemoveUnfinishedLine(); }
    void ConnectionEnded() override { Plugins.EndGameWithConnection(); }
    // No editor to mask.
    void ServerEchoChanged(bool) override {}
    void ServerEchoLost() override {}
    void AppendLog(const std::string& text) override { Printed.push_back(text); }
    void GameCode(char letter, const std::string& argument) override {
        try {
            Plugins.HandleGameCode(letter, argument);
        } catch (const std::exception& error) {
            Errors.push_back(error.what());
            throw;
        }
    }
    bool HasPlugins() const override { return true; }
    bool HasMusic() const override { return false; }
    void SendVersion() override { Link.SendVersion(); }
    void BeginEditMode(const std::string&) override {}
    void PlaySoundCommand(const std::string&) override {}
    void StopMusic() override {}
    void AppendOutput(std::string_view text) override { Output.emplace_back(text); }
    void AppendMessage(std::string_view text) override {
        Output.emplace_back(text);
        Messages.emplace_back(text);
    }
    void RunLoopPass(bool receive) override { Input.Pass(Player, receive); }

    // Opens a new connection, as the player's Enter does after a disconnect.
    void Connect() {
        Net.Prepare()->OnSend = [this](FakeStream&, const std::string& bytes) { Wire += bytes; };
        Link.ConnectToServer();
        Printed.clear();
    }
    // Ends the connection and forgets the lines it printed.
    void DropConnection() {
        Link.Disconnect();
        Printed.clear();
    }

    // Runs the input loop until every queued server line was received (bounded).
    void ReceiveAll() {
        for (int pass = 0; pass < 10000 && Link.Connected() && !Incoming.empty(); ++pass)
            Input.Step(Player);
    }

  private:
    // The idle step: the next queued line arrives and the link receives it.
    bool ReceiveOne() {
        if (!Link.Connected() || Incoming.empty())
            return false;
        DeepestReceive = std::max(DeepestReceive, Host.IdleDepth());
        Net.Streams.back()->Arrive(Incoming.front() + "\r\n");
        Incoming.pop_front();
        Link.PollSocket();
        return Link.Connected() && !Incoming.empty();
    }
};

} // namespace tolmix::test
