#include "net/TTCPBlockSocket.h"
#include "net/HttpTunnel.h"
#include "net/SocketErrorText.h"
#include "net/TelnetBytes.h"
#include "platform/SocketErrors.h"

#include <algorithm>
#include <utility>

namespace tolmix {

TTCPBlockSocket::TTCPBlockSocket(Network& network, NetworkWait& waits, SocketSettings settings)
    : Net(network), Waits(waits), Settings(std::move(settings)) {}

TTCPBlockSocket::~TTCPBlockSocket() = default;

void TTCPBlockSocket::Finish(int32_t code) {
    LastError = code;
    LastErrorText = GetErrorDesc(code);
}

PollHandle TTCPBlockSocket::Handle() const {
    return Sock ? Sock->Handle() : PollHandle{};
}

bool TTCPBlockSocket::WaitReady(Readiness readiness, TimePoint deadline,
                                NetworkWait::Purpose purpose) {
    return Waits.WaitForSocket(Sock->Handle(), readiness, deadline, purpose);
}

void TTCPBlockSocket::OpenConnection(std::string_view host, std::string_view port) {
    Buffer.clear();
    Start = Scanned = 0;
    EndedByCR = EndedByLF = false;
    // The resolvers wrap a number past 65535 round to some other port, and the proxy would be
    // told port 0: say so instead.
    const std::string_view tunnelPort =
        Settings.Proxy.Host.empty() ? std::string_view() : std::string_view(Settings.Proxy.Port);
    for (std::string_view p : {port, tunnelPort}) {
        if (PortOutOfRange(p)) {
            Finish(SocketError::InvalidArgument);
            // "Порт N вне диапазона 1-65535"
            LastErrorText = "\xCF\xEE\xF0\xF2 " + std::string(p) +
                            " \xE2\xED\xE5 \xE4\xE8\xE0\xEF\xE0\xE7\xEE\xED\xE0 1-65535";
            return;
        }
    }
    if (!Sock)
        Sock = Net.CreateSocket();
    if (Settings.Proxy.Host.empty())
        Finish(Connect(host, port));
    else
        Finish(Tunnel(host, port));
}

int32_t TTCPBlockSocket::Connect(std::string_view host, std::string_view port) {
    // One limit for the host's lookup and the connect.
    const TimePoint deadline = Waits.Now() + Milliseconds(Settings.ConnectTimeout);
    int32_t result = Sock->StartConnect(host, port);
    while (result == SocketError::InProgress) {
        const StreamSocket::ReadyWait wait = Sock->ConnectWait();
        if (Waits.Now() >= deadline) {
            result = SocketError::TimedOut;
        } else if (!Waits.WaitForSocket(wait.Handle, wait.For, deadline,
                                        NetworkWait::Purpose::Connect)) {
            // An attempt that ended meanwhile (refused at once, say) ends as it did; the key
            // that called the wait off still does its own work afterwards.
            result = Sock->ConnectOutcome();
            if (result == SocketError::InProgress)
                result = SocketError::Interrupted;
        } else {
            result = Sock->ConnectOutcome();
        }
    }
    if (result != SocketError::Ok)
        Sock->Close();
    return result;
}

int32_t TTCPBlockSocket::Tunnel(std::string_view host, std::string_view port) {
    // The proxy is told the port's number, also when the setting names a service.
    const uint16_t number = Net.ResolvePort(port).value_or(0);
    if (int32_t error = Connect(Settings.Proxy.Host, Settings.Proxy.Port))
        return error;
    // One limit for the whole exchange, so that a proxy trickling its reply a byte at a time
    // cannot hold the client for longer.
    const TimePoint deadline = Waits.Now() + Milliseconds(Settings.TunnelTimeout);
    const std::string request =
        TunnelRequest(host, number, Settings.Proxy.UserName, Settings.Proxy.Password);
    if (int32_t error = Send(request, deadline, NetworkWait::Purpose::Connect))
        return error;

    TunnelReply reply;
    std::string line;
    std::size_t replyBytes = 0;
    int32_t error = SocketError::Ok;
    while (ReadTunnelLine(line, error, deadline, replyBytes)) {
        if (!reply.TakeLine(line))
            break;
    }
    if (error != SocketError::Ok)
        return error;
    // Whatever followed the blank line stays buffered: it is the server's first data.
    return reply.Success() ? SocketError::Ok : SocketError::SystemNotReady;
}

bool TTCPBlockSocket::ReadTunnelLine(std::string& line, int32_t& error, TimePoint deadline,
                                     std::size_t& replyBytes) {
    for (;;) {
        const std::size_t at = Buffer.find('\n', Start);
        if (at != std::string::npos) {
            line.assign(Buffer, Start, at - Start);
            replyBytes += at + 1 - Start;
            Start = at + 1;
            DropConsumed();
            // A reply that never reaches its blank line is no tunnel.
            if (replyBytes > MaxTunnelReply) {
                error = SocketError::SystemNotReady;
                return false;
            }
            return true;
        }
        if (replyBytes + Pending() > MaxTunnelReply) {
            error = SocketError::SystemNotReady;
            return false;
        }
        error = Sock->Receive(Buffer, ReadChunk, Milliseconds(0));
        if (error == SocketError::Ok)
            continue;
        if (error != SocketError::TimedOut)
            return false;
        if (Waits.Now() >= deadline)
            return false; // TimedOut
        if (!WaitReady(Readiness::Read, deadline, NetworkWait::Purpose::Connect)) {
            error = SocketError::Interrupted;
            return false;
        }
    }
}

int32_t TTCPBlockSocket::Send(std::string_view text, TimePoint deadline,
                              NetworkWait::Purpose purpose) {
    while (!text.empty()) {
        std::size_t sent = 0;
        const int32_t result = Sock->SendSome(text, sent);
        text.remove_prefix(std::min(sent, text.size()));
        if (result == SocketError::Ok)
            continue;
        if (result != SocketError::WouldBlock)
            return result;
        if (Waits.Now() >= deadline)
            return SocketError::TimedOut;
        if (!WaitReady(Readiness::Write, deadline, purpose))
            return SocketError::Interrupted;
    }
    return SocketError::Ok;
}

std::size_t TTCPBlockSocket::SendText(std::string_view text) {
    if (!Sock) {
        Finish(SocketError::NotASocket);
        return 0;
    }
    Finish(
        Send(text, Waits.Now() + Milliseconds(Settings.SendTimeout), NetworkWait::Purpose::Send));
    if (LastError == SocketError::Ok)
        return text.size();
    Sock->ShutdownSend();
    return 0;
}

int32_t TTCPBlockSocket::Read(int32_t timeoutMs) {
    if (!Sock)
        return SocketError::NotASocket;
    return Sock->Receive(Buffer, ReadChunk, Milliseconds(std::max(timeoutMs, 0)));
}

// A CR that ended the last line and an LF that starts what follows (or LF then CR) are one
// line end, also when the two arrive in different reads.
void TTCPBlockSocket::SettlePending() {
    if (!Settings.AnyLineEnd || Pending() == 0)
        return;
    const char first = Buffer[Start];
    if ((EndedByCR && first == '\n') || (EndedByLF && first == '\r')) {
        ++Start;
        Scanned = 0;
    }
    EndedByCR = EndedByLF = false;
}

TTCPBlockSocket::LineEnd TTCPBlockSocket::FindLineEnd() {
    const char* data = Buffer.data() + Start;
    const std::size_t n = Pending();
    const auto isLineEndByte = [](char c) { return c == '\r' || c == '\n'; };
    for (std::size_t i = Scanned; i < n; ++i) {
        const char c = data[i];
        if (c == '\r') {
            if (i + 1 < n && data[i + 1] == '\n')
                return {i, 2, 0};
            if (Settings.AnyLineEnd)
                return {i, 1, '\r'};
        } else if (c == '\n' && Settings.AnyLineEnd) {
            if (i + 1 < n && data[i + 1] == '\r')
                return {i, 2, 0};
            return {i, 1, '\n'};
        } else if (Settings.PromptLineEnd && static_cast<uint8_t>(c) == telnet::Iac) {
            // A telnet command is read whole, so that neither a doubled IAC (the letter "я")
            // nor a negotiation's option byte is taken for GA or EOR; a CR or LF inside one is
            // still a line end.
            if (i + 1 >= n) {
                Scanned = i;
                return {n, 0, 0};
            }
            const auto command = static_cast<uint8_t>(data[i + 1]);
            if (command == telnet::Ga || command == telnet::Eor)
                return {i, 2, 0};
            if (isLineEndByte(data[i + 1]))
                continue;
            if (telnet::IsNegotiation(command)) {
                if (i + 2 >= n) {
                    Scanned = i;
                    return {n, 0, 0};
                }
                i += isLineEndByte(data[i + 2]) ? 1 : 2;
                continue;
            }
            ++i;
        }
    }
    // Without AnyLineEnd a CR at the very end may still get its LF.
    Scanned = (!Settings.AnyLineEnd && n > 0 && data[n - 1] == '\r') ? n - 1 : n;
    return {n, 0, 0};
}

std::string TTCPBlockSocket::TakeLine(LineEnd end) {
    std::string line(Buffer, Start, end.Length);
    EndedByCR = end.Lone == '\r';
    EndedByLF = end.Lone == '\n';
    Start += end.Length + end.Size;
    Scanned = 0;
    DropConsumed();
    return line;
}

void TTCPBlockSocket::DropConsumed() {
    if (Start == Buffer.size()) {
        Buffer.clear();
        Start = 0;
    } else if (Start >= ReadChunk && Start * 2 >= Buffer.size()) {
        Buffer.erase(0, Start);
        Start = 0;
    }
}

std::string TTCPBlockSocket::ReceiveLine(int32_t timeoutMs) {
    // The limit applies to each line, complete or not, however the stream was cut into
    // reads: a burst of many short lines is no overflow.
    const std::size_t limit =
        Settings.LineLimit > 0 && static_cast<std::size_t>(Settings.LineLimit) < MaxLine
            ? static_cast<std::size_t>(Settings.LineLimit)
            : MaxLine;
    int32_t code = SocketError::Ok;
    bool fromBuffer = Pending() > 0;
    LineEnd end;
    for (;;) {
        if (!fromBuffer) {
            code = Read(timeoutMs);
            if (code != SocketError::Ok)
                break;
        }
        fromBuffer = false;
        SettlePending();
        end = FindLineEnd();
        if ((end.Size != 0 ? end.Length : Pending()) > limit) {
            code = SocketError::NoBufferSpace;
            break;
        }
        if (end.Size != 0)
            break;
    }
    std::string line;
    if (code == SocketError::Ok)
        line = TakeLine(end);
    Finish(code);
    return line;
}

bool TTCPBlockSocket::HasCompleteLine() {
    SettlePending();
    return FindLineEnd().Size != 0;
}

std::string_view TTCPBlockSocket::UnfinishedLine() {
    if (HasCompleteLine())
        return {};
    return std::string_view(Buffer).substr(Start);
}

std::string TTCPBlockSocket::TakeUnfinishedLine() {
    if (HasCompleteLine())
        return {};
    // The scan stopped before a command it could not read whole.
    return TakeLine({Scanned, 0, 0});
}

void TTCPBlockSocket::CloseConnection() {
    if (Sock) {
        Sock->ShutdownSend();
        // What the server still sends is read away, a bounded amount, without waiting.
        std::string discard;
        for (int reads = 0; reads < 64; ++reads) {
            discard.clear();
            if (Sock->Receive(discard, ReadChunk, Milliseconds(0)) != SocketError::Ok)
                break;
        }
        Sock->Close();
        Sock.reset();
    }
    Finish(SocketError::Ok);
}

} // namespace tolmix
