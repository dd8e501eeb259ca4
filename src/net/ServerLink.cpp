#include "net/ServerLink.h"
#include "net/ClientCodes.h"
#include "net/ConnectionMessages.h"
#include "net/IncomingLine.h"
#include "platform/SocketErrors.h"
#include "text/CodePage.h"
#include "text/LineEnds.h"

namespace tolmix {

namespace {

constexpr int32_t ServerLineLimit = 16384;

} // namespace

ServerLink::ServerLink(LinePrinter& printer, Network& network, EventLoop& loop)
    : Printer(printer), Net(network), Loop(loop) {}

ServerLink::~ServerLink() {
    Watch.reset();
}

void ServerLink::ConnectToServer() {
    if (Socket)
        return;
    // From here on the client counts as connected, also while the attempt runs.
    Socket = std::make_unique<TTCPBlockSocket>(Net);
    try {
        Socket->AnyLineEnd = true;
        Socket->LineLimit = ServerLineLimit;
        Printer.PrintLine("");
        Printer.PrintLine(ConnectingLine(Address, Port));
        Printer.PrintLine("");
        Socket->TunnelHost = ProxyAddr;
        Socket->TunnelPort = ProxyPort;
        Socket->TunnelUser = ProxyUserName;
        Socket->TunnelPassword = ProxyPassword;
        Socket->OpenConnection(Address, Port);
        if (Socket->ErrorCode != SocketError::Ok)
            ReportSocketError();
        Watch = std::make_unique<HandleWatch>(Loop, Socket->Handle());
        if (!AutoSend.empty())
            SendLine(BarsToLineBreaks(AutoSend), true);
    } catch (...) {
        Disconnect();
    }
}

void ServerLink::Disconnect() {
    Watch.reset();
    if (std::unique_ptr<TTCPBlockSocket> socket = std::move(Socket))
        socket->CloseConnection();
    Printer.PrintLine("");
    Printer.PrintLine(ReconnectPrompt);
}

void ServerLink::ReportSocketError() {
    const std::string text = Socket ? Socket->ErrorText : std::string();
    Printer.PrintLine(SocketErrorLine(text));
    throw SocketFailure(text);
}

bool ServerLink::PollSocket() {
    if (!Socket)
        return false;
    try {
        std::string line = Socket->ReceiveLine(0);
        if (Socket->ErrorCode == SocketError::TimedOut)
            return false; // no whole line yet; a partial one stays buffered
        if (Socket->ErrorCode != SocketError::Ok)
            ReportSocketError();
        ProcessIncomingLine(line);
    } catch (...) {
        // Also an error while the line was printed, logged, played or given to a plugin.
        Disconnect();
        return false;
    }
    // Handling the line may have dropped the connection.
    return Socket && Socket->HasCompleteLine();
}

void ServerLink::ProcessIncomingLine(std::string_view line) {
    Printer.PrintLine(DecodeIncomingLine(line, [this](std::string_view bytes) {
        if (Socket)
            Socket->SendText(bytes);
    }));
}

void ServerLink::SendLine(std::string_view text, bool convert) {
    if (!Socket)
        return;
    const std::string bytes = convert ? ConsoleToAnsi(text) : std::string(text);
    std::string wire;
    wire.reserve(bytes.size() + bytes.size() / 8 + 2);
    for (char c : bytes) {
        auto b = static_cast<uint8_t>(c);
        if (!convert && b >= 0x10 && b <= 0x1F)
            b = static_cast<uint8_t>(b + 0x70);
        // 0xFF ("я") is the telnet escape: a data byte 0xFF goes out twice.
        if (b == 0xFF)
            wire += static_cast<char>(0xFF);
        wire += static_cast<char>(b);
    }
    wire += "\r\n";
    Socket->SendText(wire);
}

void ServerLink::SendVersion() {
    SendLine(VersionCode(), true);
}

} // namespace tolmix
