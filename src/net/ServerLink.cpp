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

namespace {

// Counts a protected block for as long as it runs.
class ProtectedBlock {
  public:
    explicit ProtectedBlock(int& depth) : Depth(depth) { ++Depth; }
    ~ProtectedBlock() { --Depth; }
    ProtectedBlock(const ProtectedBlock&) = delete;
    ProtectedBlock& operator=(const ProtectedBlock&) = delete;

  private:
    int& Depth;
};

// The longest reason of an error that is printed; a plugin's message can be anything.
constexpr std::size_t ReasonLimit = 500;

} // namespace

void ServerLink::ConnectToServer() {
    if (Socket)
        return;
    // From here on the client counts as connected, also while the attempt runs.
    Socket = std::make_unique<TTCPBlockSocket>(Net);
    const uint64_t connection = ++Connection;
    try {
        ProtectedBlock block(Protected);
        Socket->AnyLineEnd = true;
        Socket->LineLimit = ServerLineLimit;
        Socket->Waits = Waits;
        Printer.PrintLine("");
        Printer.PrintLine(ConnectingLine(Address, Port));
        Printer.PrintLine("");
        Socket->TunnelHost = ProxyAddr;
        Socket->TunnelPort = ProxyPort;
        Socket->TunnelUser = ProxyUserName;
        Socket->TunnelPassword = ProxyPassword;
        // The connecting line is on the screen before an attempt that may take long.
        if (Waits)
            Waits->ShowScreen();
        Socket->OpenConnection(Address, Port);
        if (Socket->ErrorCode != SocketError::Ok)
            ReportSocketError();
        Watch = std::make_unique<HandleWatch>(Loop, Socket->Handle());
        if (!AutoSend.empty())
            SendLine(BarsToLineBreaks(AutoSend), true);
    } catch (...) {
        DropAfterError(connection, std::current_exception());
    }
}

void ServerLink::Disconnect() {
    Watch.reset();
    if (std::unique_ptr<TTCPBlockSocket> socket = std::move(Socket))
        socket->CloseConnection();
    PrintQuietly("");
    PrintQuietly(ReconnectPrompt);
}

void ServerLink::ReportSocketError() {
    const std::string text = Socket ? Socket->ErrorText : std::string();
    Printer.PrintLine(SocketErrorLine(text));
    throw SocketFailure(text);
}

void ServerLink::PrintQuietly(const std::string& text) {
    try {
        Printer.PrintLine(text);
    } catch (...) {
        // The message about an error must not raise another (a log that keeps failing).
    }
}

void ServerLink::DropAfterError(uint64_t connection, std::exception_ptr error) {
    // A nested pass of the loop (a plugin's long work) may have dropped this connection and
    // printed the prompt already, or even opened another one.
    if (!Socket || connection != Connection)
        return;
    std::string reason;
    try {
        std::rethrow_exception(error);
    } catch (const SocketFailure&) {
        // ReportSocketError printed it.
    } catch (const std::exception& e) {
        reason = e.what();
        if (reason.empty())
            reason = "Unknown error";
    } catch (...) {
        reason = "Unknown error";
    }
    if (!reason.empty()) {
        if (reason.size() > ReasonLimit)
            reason.resize(ReasonLimit);
        PrintQuietly(SocketErrorLine(reason));
    }
    Disconnect();
}

bool ServerLink::PollSocket() {
    if (!Socket)
        return false;
    const uint64_t connection = Connection;
    try {
        ProtectedBlock block(Protected);
        std::string line = Socket->ReceiveLine(0);
        if (Socket->ErrorCode == SocketError::TimedOut)
            return false; // no whole line yet; a partial one stays buffered
        if (Socket->ErrorCode != SocketError::Ok)
            ReportSocketError();
        ProcessIncomingLine(line);
    } catch (...) {
        // Also an error while the line was printed, logged, played or given to a plugin.
        DropAfterError(connection, std::current_exception());
        return false;
    }
    // Handling the line may have dropped the connection.
    return Socket && Socket->HasCompleteLine();
}

void ServerLink::ProcessIncomingLine(std::string_view line) {
    Printer.PrintLine(DecodeIncomingLine(line, [this](std::string_view bytes) { Send(bytes); }));
}

void ServerLink::Send(std::string_view bytes) {
    if (!Socket)
        return;
    Socket->SendText(bytes);
    if (Socket->ErrorCode == SocketError::Ok)
        return;
    if (Protected > 0)
        ReportSocketError();
    // Typed, a key macro, a plugin outside the handling of a line: nobody up the stack turns
    // an error into Disconnect.
    PrintQuietly(SocketErrorLine(Socket->ErrorText));
    Disconnect();
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
    Send(wire);
}

void ServerLink::SendVersion() {
    SendLine(VersionCode(), true);
}

} // namespace tolmix
