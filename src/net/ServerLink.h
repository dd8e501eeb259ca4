#pragma once

#include "net/ServerConnection.h"
#include "net/TTCPBlockSocket.h"
#include "platform/EventLoop.h"
#include "platform/HandleWatch.h"
#include "platform/Network.h"
#include "text/LinePrinter.h"

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
// reconnect prompt after every failure, receiving one line per idle pass, and everything sent.
// The client is connected exactly while Socket is present.
class ServerLink final : public ServerConnection {
  public:
    // Every line received, and every message of the link, goes to `printer`.
    ServerLink(LinePrinter& printer, Network& network, EventLoop& loop);
    ~ServerLink() override;
    ServerLink(const ServerLink&) = delete;
    ServerLink& operator=(const ServerLink&) = delete;

    // Connection settings, used unchanged for every attempt. AutoSend is in the console code
    // page, its "|" separating lines.
    std::string Address;
    std::string Port = "4000";
    std::string ProxyAddr;
    std::string ProxyPort;
    std::string ProxyUserName;
    std::string ProxyPassword;
    std::string AutoSend;

    std::unique_ptr<TTCPBlockSocket> Socket;

    bool Connected() const override { return Socket != nullptr; }

    // Opens the connection unless one exists. Blocks until connected or failed (at most the
    // connect time-out, 30 s); a failure ends in Disconnect.
    void ConnectToServer() override;
    // Closes and drops the connection, then prints the reconnect prompt.
    void Disconnect() override;
    // Prints the socket's last error and raises SocketFailure with its text.
    [[noreturn]] void ReportSocketError();
    // The console's idle step: receives and handles at most one line without waiting. True
    // when another complete line is already buffered, so the loop calls again at once.
    bool PollSocket();
    // Decodes one received line, answers its telnet offers, and prints it.
    void ProcessIncomingLine(std::string_view line);

    void SendLine(std::string_view text, bool convert) override;
    // The answer to the server's version request.
    void SendVersion();

  private:
    LinePrinter& Printer;
    Network& Net;
    EventLoop& Loop;
    // Declared after Socket, so it stops watching before the socket closes.
    std::unique_ptr<HandleWatch> Watch;
};

} // namespace tolmix
