#pragma once

#include "net/TTCPBlockSocket.h"
#include "platform/EventLoop.h"
#include "platform/HandleWatch.h"
#include "platform/Network.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// One loaded plugin as the server's plugin list shows it (Windows-1251, as the plugin gives it).
struct PluginDetails {
    std::string Name;
    std::string Details;
};

// What the server link needs from the client.
class ServerLinkHost {
  public:
    virtual ~ServerLinkHost() = default;
    // The text printer: one line of Windows-1251 text with colour bytes 0x80..0x8F; it may
    // throw, which the link treats like a broken connection while a received line is handled.
    virtual void PrintLine(const std::string& ansiText) = 0;
    // The loaded plugins in load order.
    virtual std::vector<PluginDetails> PluginList() = 0;
};

// The error ReportSocketError raises; ConnectToServer and PollSocket turn it (and any other
// error raised on their way) into Disconnect.
class SocketFailure : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// The connection to the game server and its lifetime: connecting with its messages, the
// reconnect prompt after every failure, receiving one line per idle pass, and everything sent.
// The client is connected exactly while Socket is present.
class ServerLink {
  public:
    ServerLink(ServerLinkHost& host, Network& network, EventLoop& loop);
    ~ServerLink();
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

    bool Connected() const { return Socket != nullptr; }

    // Opens the connection unless one exists. Blocks until connected or failed (at most the
    // connect time-out, 30 s); a failure ends in Disconnect.
    void ConnectToServer();
    // Closes and drops the connection, then prints the reconnect prompt.
    void Disconnect();
    // Prints the socket's last error and raises SocketFailure with its text.
    [[noreturn]] void ReportSocketError();
    // The console's idle step: receives and handles at most one line without waiting. True
    // when another complete line is already buffered, so the loop calls again at once.
    bool PollSocket();
    // Decodes one received line, answers its telnet offers, and prints it.
    void ProcessIncomingLine(std::string_view line);

    // Sends `text` (which may hold CR LF) with CR LF appended: converted from the console code
    // page when `convert`, else with the bytes 0x10..0x1F raised to 0x80..0x8F; every 0xFF
    // doubled. Nothing happens while unconnected.
    void SendLine(std::string_view text, bool convert);
    // The answer to the server's version request.
    void SendVersion();
    // One line per loaded plugin, for the server's request.
    void SendPluginList();

  private:
    ServerLinkHost& Host;
    Network& Net;
    EventLoop& Loop;
    // Declared after Socket, so it stops watching before the socket closes.
    std::unique_ptr<HandleWatch> Watch;
};

} // namespace tolmix
