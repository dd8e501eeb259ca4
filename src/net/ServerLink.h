#pragma once

#include "net/CharsetChoice.h"
#include "net/IncomingLine.h"
#include "net/LinkSettings.h"
#include "net/NetworkWait.h"
#include "net/ServerConnection.h"
#include "net/ServerEchoListener.h"
#include "net/ServerLinePrinter.h"
#include "net/TTCPBlockSocket.h"
#include "net/TelnetSession.h"
#include "platform/EventLoop.h"
#include "platform/HandleWatch.h"
#include "platform/Network.h"
#include "platform/Timer.h"
#include "text/ServerCodePage.h"
#include "util/ReusedString.h"

#include <exception>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// The error ReportSocketError raises; ConnectToServer and PollSocket turn it (and any other
// error raised on their way) into Disconnect.
class SocketFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The connection to the game server and its lifetime: connecting with its messages, the
// reconnect prompt after every failure, receiving one line per idle pass, the telnet answers,
// and everything sent. The client is connected exactly while a transport is open (or being
// opened).
//
// A line the server has begun but not ended (a prompt) is shown once nothing more has come
// for UnfinishedLineWait, and replaced by the whole line when its end arrives; the telnet
// negotiations are answered as soon as they arrive. When the connection ends, what the server
// left unfinished is printed before the link's messages.
class ServerLink final : public ServerConnection,
                         private ServerEchoListener,
                         private CharsetChoice {
  public:
    static constexpr uint32_t UnfinishedLineWait = 150; // ms

    // Every line received, and every message of the link, goes to `printer`; `echo` hears
    // when the server takes over the echo and gives it back (the editor hides a password);
    // connecting and sending wait in `waits` (the console, which keeps the screen shown and
    // the keys watched). `settings` serve every attempt; `telnet` says what the server learns
    // of the client's window, terminal and code pages, and inflates its compressed stream.
    ServerLink(ServerLinePrinter& printer, ServerEchoListener& echo, NetworkWait& waits,
               Network& network, EventLoop& loop, LinkSettings settings, TelnetSetup telnet = {});
    ~ServerLink() override;
    ServerLink(const ServerLink&) = delete;
    ServerLink& operator=(const ServerLink&) = delete;

    bool Connected() const override { return Socket != nullptr; }
    // Counts the connections opened (or tried) so far: it changes when the next one begins.
    uint64_t ConnectionNumber() const { return Connection; }

    // Opens the connection unless one exists. Returns when connected or failed (at most the
    // connect time-out, 30 s), the screen shown and the keys watched meanwhile; a failure,
    // the player's F10 or Escape included, ends in Disconnect.
    void ConnectToServer() override;
    // Closes and drops the connection, then prints the reconnect prompt (an error in printing
    // it raises nothing).
    void Disconnect() override;
    // Prints the socket's last error and raises SocketFailure with its text.
    [[noreturn]] void ReportSocketError();
    // The console's idle step: receives and handles at most one line without waiting. True
    // when another complete line is already buffered, so the loop calls again at once.
    bool PollSocket();
    // Decodes one received line and prints it (as a prompt when GA or EOR ended it).
    void ProcessIncomingLine(std::string_view line, bool prompt = false);
    // The same for the line that held a prompt, printed with the command that answers it.
    void ProcessPromptLine(std::string_view line, std::string_view command);
    // The output window took another size: the server hears of it when it asked to.
    void OutputWindowResized();

    // A send that fails or runs out of time drops the connection like a receive error.
    void SendLine(std::string_view text, bool convert) override;
    // The answer to the server's version request.
    void SendVersion();

    // The code page everything received is read in and everything sent written in: the
    // Encoding setting at the start of each connection, and whatever the server and the client
    // agree on later (telnet CHARSET).
    ServerCodePage& CodePage() { return Charset; }

  private:
    // The server's offer of code pages is answered from the link's own code page.
    bool Accepts(std::string_view name) const override;
    void Use(std::string_view name) override;
    bool IsUtf8() const override;
    // The server takes over the echo, or gives it back.
    void ServerEchoChanged(bool serverEchoes) override;
    // The connection ended with the echo the server had (the session never says so; Disconnect
    // does).
    void ServerEchoLost() override;
    void SendTelnetAnswers();
    // The line the server left unfinished when the connection ends is printed as a line.
    void PrintLastWords();
    // After a receive that left part of a line: answers what came in it, and shows it once
    // nothing more has come for a while.
    void WatchUnfinishedLine();
    void ShowUnfinishedLine();
    // A command the player sends ends the line the server left unfinished, as the command's
    // line end would on a terminal that echoes it; the command is shown after it when `echo`
    // (on a row of its own when nothing was left unfinished).
    void EndPromptLine(std::string_view command, bool echo);
    // SendLine, the command shown in the output unless it is the settings' AutoSend (which
    // may hold a password).
    void SendCommand(std::string_view text, bool convert, bool echo);
    // The line being received ended (or the connection did): the shown part goes, and what
    // is known of it is forgotten.
    void EndUnfinishedLine();

    // Sends bytes as they are. Inside ConnectToServer or PollSocket a failure raises, so that
    // the rest of the line is not handled; elsewhere it drops the connection here.
    void Send(std::string_view bytes);
    // The end of a protected block: the error's reason (unless already printed), then
    // Disconnect, when the connection it happened on is still the open one.
    void DropAfterError(uint64_t connection, std::exception_ptr error);
    void PrintQuietly(const std::string& text);

    ServerLinePrinter& Printer;
    ServerEchoListener& Echo;
    NetworkWait& Waits;
    Network& Net;
    EventLoop& Loop;
    const LinkSettings Settings;
    ServerCodePage Charset;
    const TelnetSetup TelnetParts;
    // The telnet options of the connection; declared before the socket, which reports to it.
    std::unique_ptr<TelnetSession> Telnet;
    std::unique_ptr<TTCPBlockSocket> Socket;
    // Declared after Socket, so it stops watching before the socket closes.
    std::unique_ptr<HandleWatch> Watch;
    // Of the line being received: the bytes looked at so far, and whether it is on the screen.
    std::size_t UnfinishedSeen = 0;
    // The colours the server's SGR sequences set, as they stand after its last whole line.
    SgrState Colours;
    // The memory of the received line and of its decoded text, used again line after line.
    ReusedString ReceivedLine;
    ReusedString DecodedText;
    bool UnfinishedShown = false;
    Timer UnfinishedTimer;
    // The server said it echoes what is typed, and has not taken that back, nor has the line
    // typed meanwhile (the password) been sent.
    bool ServerEchoes = false;
    // Counts the connections opened, so that an error raised in an outer protected block
    // after a nested one already dropped its connection drops nothing more.
    uint64_t Connection = 0;
    // How many protected blocks are running.
    int Protected = 0;
};

} // namespace tolmix
