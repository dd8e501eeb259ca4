#include "net/ServerLink.h"
#include "net/ClientCodes.h"
#include "net/ConnectionMessages.h"
#include "platform/SocketErrors.h"
#include "text/CodeMarker.h"
#include "text/CodePage.h"
#include "text/LineEnds.h"

#include <algorithm>
#include <new>
#include <utility>

namespace tolmix {

namespace {

constexpr int32_t ServerLineLimit = 16384;

// Whether an unfinished line may be shown, or ended by the player: not when it is empty or may
// yet turn out to be a server code.
bool MayShowUnfinished(const DecodedLine& decoded) {
    const std::size_t size = decoded.Text.size();
    return size > 0 &&
           static_cast<std::size_t>(decoded.WireMarkers) < std::min<std::size_t>(size, 2);
}

// A client code (the version, the server editor's result): two marker bytes of console text.
bool IsClientCode(std::string_view consoleText) {
    return consoleText.size() >= 2 && consoleText[0] == CodeMarker && consoleText[1] == CodeMarker;
}

} // namespace

ServerLink::ServerLink(ServerLinePrinter& printer, ServerEchoListener& echo, NetworkWait& waits,
                       Network& network, EventLoop& loop, LinkSettings settings, TelnetSetup telnet)
    : Printer(printer), Echo(echo), Waits(waits), Net(network), Loop(loop),
      Settings(std::move(settings)), Charset(Settings.Encoding), TelnetParts(std::move(telnet)),
      UnfinishedTimer(loop, Milliseconds(UnfinishedLineWait), [this] { ShowUnfinishedLine(); }) {}

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
    SocketSettings transport;
    transport.AnyLineEnd = true;
    transport.PromptLineEnd = true;
    transport.LineLimit = ServerLineLimit;
    transport.Proxy = Settings.Proxy;
    transport.Inflaters = TelnetParts.Inflaters;
    Charset.Use(Settings.Encoding);
    ServerEchoListener& echo = *this;
    CharsetChoice& charsets = *this;
    Telnet = std::make_unique<TelnetSession>(
        TelnetParts.Terminal, charsets, echo,
        TelnetSession::Identity{.TerminalType = TelnetParts.TerminalType,
                                .Proxy = !Settings.Proxy.Host.empty(),
                                .Compression = static_cast<bool>(TelnetParts.Inflaters)});
    Socket = std::make_unique<TTCPBlockSocket>(Net, Waits, std::move(transport), *Telnet);
    const uint64_t connection = ++Connection;
    try {
        ProtectedBlock block(Protected);
        Printer.PrintLine("");
        Printer.PrintLine(ConnectingLine(Settings.Address, Settings.Port));
        Printer.PrintLine("");
        // The connecting line is on the screen before an attempt that may take long.
        Waits.ShowScreen();
        Socket->OpenConnection(Settings.Address, Settings.Port);
        if (Socket->ErrorCode() != SocketError::Ok)
            ReportSocketError();
        Watch = std::make_unique<HandleWatch>(Loop, Socket->Handle());
        Printer.ConnectionStarted();
        // The proxy's reply may have brought the server's first negotiations.
        SendTelnetAnswers();
        if (!Settings.AutoSend.empty())
            SendCommand(BarsToLineBreaks(Settings.AutoSend), true, false);
    } catch (...) {
        DropAfterError(connection, std::current_exception());
    }
}

void ServerLink::Disconnect() {
    const bool connected = Socket != nullptr;
    PrintLastWords();
    // Handling the last words may have dropped the connection already.
    if (connected && !Socket)
        return;
    EndUnfinishedLine();
    // Whatever the server said, the next connection starts with the client's own echo.
    ServerEchoLost();
    Colours = SgrState{};
    Watch.reset();
    if (std::unique_ptr<TTCPBlockSocket> socket = std::move(Socket))
        socket->CloseConnection();
    Printer.ConnectionEnded();
    PrintQuietly("");
    PrintQuietly(ReconnectPrompt);
}

void ServerLink::ReportSocketError() {
    const std::string text = Socket ? Socket->ErrorText() : std::string();
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
    } catch (const std::bad_alloc&) {
        reason = std::string(OutOfMemoryText);
    } catch (const std::exception& e) {
        reason = e.what();
        if (reason.empty())
            reason = std::string(UnknownErrorText);
    } catch (...) {
        reason = std::string(UnknownErrorText);
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
        ReusedString::Loan line = ReceivedLine.Borrow();
        Socket->ReceiveLine(0, *line);
        const int32_t code = Socket->ErrorCode();
        const std::string error = Socket->ErrorText();
        if (code != SocketError::Ok && code != SocketError::TimedOut) {
            // The server's last words come before the message of the link's end.
            PrintLastWords();
            if (!Socket)
                return false;
            // The server's goodbye is no error of the link.
            Printer.PrintLine(code == SocketError::Disconnected ? ServerClosedLine
                                                                : SocketErrorLine(error));
            throw SocketFailure(error);
        }
        SendTelnetAnswers();
        if (code == SocketError::TimedOut) {
            WatchUnfinishedLine(); // no whole line yet; a partial one stays buffered
            return false;
        }
        EndUnfinishedLine();
        ProcessIncomingLine(*line, Socket->LastLineWasPrompt());
        // Handling the line may have dropped the connection.
        if (!Socket)
            return false;
        if (Socket->HasCompleteLine())
            return true;
        WatchUnfinishedLine();
    } catch (...) {
        // Also an error while the line was printed, logged, played or given to a plugin.
        DropAfterError(connection, std::current_exception());
        return false;
    }
    return false;
}

void ServerLink::ProcessIncomingLine(std::string_view line, bool prompt) {
    std::string storage;
    ReusedString::Loan text = DecodedText.Borrow();
    DecodedLine decoded;
    decoded.Text = std::move(*text);
    DecodeIncomingLine(Charset.DecodeReceived(line, true, storage), Colours, decoded);
    Colours = decoded.Colours;
    // Only marker bytes that came as such make a server code; colour bytes made from ANSI
    // sequences (black on black) merely look like them.
    if (prompt)
        Printer.PrintPromptLine(decoded.Text, decoded.WireMarkers == 2);
    else
        Printer.PrintReceivedLine(decoded.Text, decoded.WireMarkers == 2);
    *text = std::move(decoded.Text);
}

void ServerLink::ProcessPromptLine(std::string_view line, std::string_view command) {
    std::string storage;
    const DecodedLine decoded =
        DecodeIncomingLine(Charset.DecodeReceived(line, true, storage), Colours);
    Colours = decoded.Colours;
    Printer.PrintAnsweredPrompt(decoded.Text, decoded.WireMarkers == 2, command);
}

void ServerLink::ServerEchoChanged(bool serverEchoes) {
    ServerEchoes = serverEchoes;
    Echo.ServerEchoChanged(serverEchoes);
}

void ServerLink::ServerEchoLost() {
    ServerEchoes = false;
    Echo.ServerEchoLost();
}

void ServerLink::SendTelnetAnswers() {
    if (!Telnet || !Socket)
        return;
    const std::string answers = Telnet->TakeAnswers();
    if (!answers.empty())
        Send(answers);
}

bool ServerLink::Accepts(std::string_view name) const {
    return Charset.Accepts(name);
}

void ServerLink::Use(std::string_view name) {
    Charset.Use(name);
}

bool ServerLink::IsUtf8() const {
    return Charset.Encoding() == ServerEncoding::Utf8;
}

void ServerLink::OutputWindowResized() {
    if (!Telnet || !Socket)
        return;
    Telnet->WindowResized();
    SendTelnetAnswers();
}

void ServerLink::PrintLastWords() {
    if (!Socket)
        return;
    const std::string rest = Socket->TakeUnfinishedLine();
    // Half a server code is no words.
    if (!MayShowUnfinished(DecodeIncomingLine(rest)))
        return;
    EndUnfinishedLine();
    try {
        ProcessIncomingLine(rest);
    } catch (...) {
        // The connection ends anyway; its messages still follow.
    }
}

void ServerLink::WatchUnfinishedLine() {
    const std::string_view received = Socket->UnfinishedLine();
    if (received.size() == UnfinishedSeen)
        return;
    UnfinishedSeen = received.size();
    // Shown once nothing more has come for a while: each arrival starts the wait again.
    if (received.empty())
        UnfinishedTimer.Stop();
    else
        UnfinishedTimer.Start();
}

void ServerLink::ShowUnfinishedLine() {
    UnfinishedTimer.Stop();
    if (!Socket)
        return;
    std::string storage;
    const DecodedLine decoded = DecodeIncomingLine(
        Charset.DecodeReceived(Socket->UnfinishedLine(), false, storage), Colours);
    if (!MayShowUnfinished(decoded))
        return;
    const uint64_t connection = Connection;
    try {
        ProtectedBlock block(Protected);
        UnfinishedShown = true;
        Printer.ShowUnfinishedLine(decoded.Text);
    } catch (...) {
        DropAfterError(connection, std::current_exception());
    }
}

void ServerLink::EndPromptLine(std::string_view command, bool echo) {
    std::string storage;
    if (!MayShowUnfinished(
            DecodeIncomingLine(Charset.DecodeReceived(Socket->UnfinishedLine(), false, storage)))) {
        if (echo)
            Printer.EchoCommand(command);
        return;
    }
    const uint64_t connection = Connection;
    try {
        ProtectedBlock block(Protected);
        const std::string line = Socket->TakeUnfinishedLine();
        EndUnfinishedLine();
        if (echo)
            ProcessPromptLine(line, command);
        else
            ProcessIncomingLine(line);
    } catch (...) {
        DropAfterError(connection, std::current_exception());
    }
}

void ServerLink::EndUnfinishedLine() {
    UnfinishedTimer.Stop();
    UnfinishedSeen = 0;
    if (UnfinishedShown) {
        UnfinishedShown = false;
        Printer.RemoveUnfinishedLine();
    }
}

void ServerLink::Send(std::string_view bytes) {
    if (!Socket)
        return;
    Socket->SendText(bytes);
    if (Socket->ErrorCode() == SocketError::Ok)
        return;
    const std::string error = Socket->ErrorText();
    PrintQuietly(SocketErrorLine(error));
    // What was typed after the command that did not go out is not typed into the text the
    // editor keeps: the next connection would send both as one command.
    if (const int discarded = Waits.DiscardTypeAhead(); discarded > 0)
        PrintQuietly(TypeAheadDiscardedLine(discarded));
    // Handling a received line: the protected block turns the error into Disconnect.
    if (Protected > 0)
        throw SocketFailure(error);
    // Typed, a key macro, a plugin outside the handling of a line: nobody up the stack turns
    // an error into Disconnect.
    Disconnect();
}

void ServerLink::SendLine(std::string_view text, bool convert) {
    SendCommand(text, convert, true);
}

void ServerLink::SendCommand(std::string_view text, bool convert, bool echo) {
    if (!Socket)
        return;
    // Not while the server echoes (it ends the line itself), nor for the client's codes and
    // the plugins' texts, which the player does not type. The same holds for the command's
    // echo in the output: a password is never shown.
    if (convert && !IsClientCode(text)) {
        if (ServerEchoes) {
            // The line typed while the server echoes (the password) ends that state: a server
            // that takes the client's refusal for the end of its echo never says WONT ECHO.
            ServerEchoChanged(false);
        } else {
            EndPromptLine(text, echo);
            if (!Socket)
                return;
        }
    }
    std::string ansi = convert ? ConsoleToAnsi(text) : std::string(text);
    // The plugins' texts are Windows-1251 already, with console colour bytes.
    if (!convert) {
        for (char& c : ansi) {
            if (const auto b = static_cast<uint8_t>(c); b >= 0x10 && b <= 0x1F)
                c = static_cast<char>(b + 0x70);
        }
    }
    const std::string bytes = Charset.EncodeForServer(ansi);
    std::string wire;
    wire.reserve(bytes.size() + bytes.size() / 8 + 2);
    for (const char c : bytes) {
        // A data byte 0xFF is the telnet escape and goes out twice: "я" in Windows-1251, "Ъ"
        // in KOI8-R, the no-break space in code page 866; UTF-8 has none.
        if (static_cast<uint8_t>(c) == 0xFF)
            wire += c;
        wire += c;
    }
    wire += "\r\n";
    Send(wire);
}

void ServerLink::SendVersion() {
    SendLine(VersionCode(), true);
}

} // namespace tolmix
