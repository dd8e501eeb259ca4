#include "net/TTCPBlockSocket.h"
#include "net/HttpTunnel.h"
#include "net/SocketErrorText.h"
#include "platform/SocketErrors.h"

#include <algorithm>
#include <cstring>
#include <utility>

namespace tolmix {

namespace {

// "Сжатый поток сервера повреждён"
constexpr std::string_view CorruptStreamText =
    "\xD1\xE6\xE0\xF2\xFB\xE9 \xEF\xEE\xF2\xEE\xEA \xF1\xE5\xF0\xE2\xE5\xF0\xE0 "
    "\xEF\xEE\xE2\xF0\xE5\xE6\xE4\xB8\xED";
// "Сжатый поток сервера разжимается в слишком большой объём"
constexpr std::string_view StreamTooLargeText =
    "\xD1\xE6\xE0\xF2\xFB\xE9 \xEF\xEE\xF2\xEE\xEA \xF1\xE5\xF0\xE2\xE5\xF0\xE0 "
    "\xF0\xE0\xE7\xE6\xE8\xEC\xE0\xE5\xF2\xF1\xFF \xE2 \xF1\xEB\xE8\xF8\xEA\xEE\xEC "
    "\xE1\xEE\xEB\xFC\xF8\xEE\xE9 \xEE\xE1\xFA\xB8\xEC";

// How far back a cut looks for the beginning of an escape sequence.
constexpr std::size_t EscapeReach = 64;

} // namespace

TTCPBlockSocket::TTCPBlockSocket(Network& network, NetworkWait& waits, SocketSettings settings,
                                 TelnetEvents& telnet)
    : Net(network), Waits(waits), Settings(std::move(settings)),
      Reader(telnet, Settings.Inflaters) {}

TTCPBlockSocket::~TTCPBlockSocket() = default;

void TTCPBlockSocket::Finish(int32_t code) {
    LastError = code;
    LastErrorText = code == SocketError::ConnectionAborted && !StreamFailure.empty()
                        ? StreamFailure
                        : GetErrorDesc(code);
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
    EndedByCR = EndedByLF = EndedByPrompt = false;
    PromptEnds.clear();
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
    if (Settings.Proxy.Host.empty()) {
        Finish(Connect(host, port));
        return;
    }
    int32_t result = Tunnel(host, port);
    if (result == SocketError::Ok) {
        // What followed the proxy's reply is the server's first data.
        const std::string first = Buffer.substr(Start);
        Buffer.clear();
        Start = 0;
        result = Take(first);
    }
    Finish(result);
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
        // A proxy that hangs up before its reply has failed, however politely.
        if (error == SocketError::Disconnected)
            error = SocketError::ConnectionReset;
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
    // The lines before a broken stream are handed out first; then nothing more is read.
    if (!StreamFailure.empty())
        return SocketError::ConnectionAborted;
    Raw.clear();
    const int32_t code = Sock->Receive(Raw, ReadChunk, Milliseconds(std::max(timeoutMs, 0)));
    if (code != SocketError::Ok)
        return code;
    return Take(Raw);
}

int32_t TTCPBlockSocket::Take(std::string_view raw) {
    NewPromptEnds.clear();
    const TelnetReader::Outcome outcome = Reader.Feed(raw, Buffer, NewPromptEnds);
    if (Settings.PromptLineEnd) {
        for (std::size_t at : NewPromptEnds) {
            // Several marks in one place end one prompt.
            if (PromptEnds.empty() || PromptEnds.back() != at)
                PromptEnds.push_back(at);
        }
    }
    if (outcome == TelnetReader::Outcome::Ok)
        return SocketError::Ok;
    StreamFailure = std::string(
        outcome == TelnetReader::Outcome::CorruptStream ? CorruptStreamText : StreamTooLargeText);
    return SocketError::Ok;
}

// A CR that ended the last line and an LF that starts what follows (or LF then CR) are one
// line end, also when the two arrive in different reads.
void TTCPBlockSocket::SettlePending() {
    if (Pending() == 0)
        return;
    if (std::exchange(EndedByPrompt, false)) {
        // A prompt's GA followed by a line end: the line end is the prompt's.
        const char first = Buffer[Start];
        if (Settings.AnyLineEnd && (first == '\r' || first == '\n')) {
            ++Start;
            Scanned = 0;
            EndedByCR = first == '\r';
            EndedByLF = first == '\n';
            if (Pending() == 0)
                return;
        } else if (first == '\r') {
            if (Pending() < 2) {
                EndedByPrompt = true; // its LF may still come
                return;
            }
            if (Buffer[Start + 1] == '\n') {
                Start += 2;
                Scanned = 0;
            }
        }
    }
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
    // A prompt with nothing in it ends no line.
    while (!PromptEnds.empty() && PromptEnds.front() <= Start)
        PromptEnds.pop_front();
    const std::size_t prompt = PromptEnds.empty() ? n : PromptEnds.front() - Start;
    // The next CR, looked for many bytes at a time and kept while LFs before it are passed.
    std::size_t nextCr = prompt;
    bool crKnown = false;
    for (std::size_t i = Scanned; i < prompt; ++i) {
        if (!crKnown || nextCr < i) {
            const void* cr = std::memchr(data + i, '\r', prompt - i);
            nextCr = cr ? static_cast<std::size_t>(static_cast<const char*>(cr) - data) : prompt;
            crKnown = true;
        }
        const void* lf = std::memchr(data + i, '\n', nextCr - i);
        i = lf ? static_cast<std::size_t>(static_cast<const char*>(lf) - data) : nextCr;
        if (i == prompt)
            break;
        const char c = data[i];
        // The line found stays buffered until it is taken: the search that asks whether a
        // line waits and the one that takes it read its bytes once between them.
        Scanned = i;
        if (c == '\r') {
            if (i + 1 < n && data[i + 1] == '\n')
                return {i, 2, 0};
            if (Settings.AnyLineEnd)
                return {i, 1, '\r'};
        } else if (c == '\n' && Settings.AnyLineEnd) {
            if (i + 1 < n && data[i + 1] == '\r')
                return {i, 2, 0};
            return {i, 1, '\n'};
        }
    }
    if (!PromptEnds.empty())
        return {prompt, 0, 0, true};
    // Without AnyLineEnd a CR at the very end may still get its LF.
    Scanned = (!Settings.AnyLineEnd && n > 0 && data[n - 1] == '\r') ? n - 1 : n;
    return {n, 0, 0};
}

void TTCPBlockSocket::TakeLine(LineEnd end, std::string& line) {
    line.assign(Buffer, Start, end.Length);
    EndedByCR = end.Lone == '\r';
    EndedByLF = end.Lone == '\n';
    EndedByPrompt = end.Prompt;
    LastLinePrompt = end.Prompt;
    Start += end.Length + end.Size;
    Scanned = 0;
    DropConsumed();
}

void TTCPBlockSocket::DropConsumed() {
    if (Start == Buffer.size()) {
        Buffer.clear();
        Start = 0;
    } else if (Start >= ReadChunk && Start * 2 >= Buffer.size()) {
        Buffer.erase(0, Start);
        for (std::size_t& at : PromptEnds)
            at = at > Start ? at - Start : 0;
        Start = 0;
        return;
    } else {
        return;
    }
    PromptEnds.clear();
}

std::size_t TTCPBlockSocket::PieceLength(std::size_t limit) const {
    const std::string_view data = std::string_view(Buffer).substr(Start);
    std::size_t cut = limit;
    // An escape sequence begun shortly before the cut and not ended by it goes whole into
    // the next piece.
    const std::size_t from = cut > EscapeReach ? cut - EscapeReach : 0;
    const std::size_t esc = data.substr(from, cut - from).rfind('\x1B');
    if (esc != std::string_view::npos && from + esc > 0) {
        const std::size_t at = from + esc;
        bool ended = at + 1 < cut && data[at + 1] != '[';
        for (std::size_t j = at + 2; !ended && j < cut; ++j)
            ended = data[j] >= 0x40 && data[j] <= 0x7E;
        if (!ended)
            return at;
    }
    // Nor is a UTF-8 character cut: the next piece starts at its first byte.
    for (std::size_t back = 0; back < 3 && cut > 1; ++back) {
        const auto c = static_cast<uint8_t>(data[cut]);
        if (c >= 0xC0)
            return cut;
        if (c < 0x80)
            break;
        --cut;
    }
    return limit;
}

std::string TTCPBlockSocket::ReceiveLine(int32_t timeoutMs) {
    std::string line;
    ReceiveLine(timeoutMs, line);
    return line;
}

void TTCPBlockSocket::ReceiveLine(int32_t timeoutMs, std::string& line) {
    line.clear();
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
        // A line longer than the limit goes out in pieces, the last with its line end.
        if ((end.Found() ? end.Length : Pending()) > limit) {
            end = {PieceLength(limit), 0, 0, false};
            break;
        }
        if (end.Found())
            break;
    }
    if (code == SocketError::Ok)
        TakeLine(end, line);
    Finish(code);
}

bool TTCPBlockSocket::HasCompleteLine() {
    // A broken stream is news to hand out at once too.
    return LineWaiting() || !StreamFailure.empty();
}

bool TTCPBlockSocket::LineWaiting() {
    SettlePending();
    const std::size_t limit =
        Settings.LineLimit > 0 && static_cast<std::size_t>(Settings.LineLimit) < MaxLine
            ? static_cast<std::size_t>(Settings.LineLimit)
            : MaxLine;
    return FindLineEnd().Found() || Pending() > limit;
}

std::string_view TTCPBlockSocket::UnfinishedLine() {
    if (LineWaiting())
        return {};
    return std::string_view(Buffer).substr(Start);
}

std::string TTCPBlockSocket::TakeUnfinishedLine() {
    if (LineWaiting())
        return {};
    std::string line;
    TakeLine({Pending(), 0, 0}, line);
    return line;
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
