#pragma once

#include "net/HttpTunnel.h"
#include "net/NetworkWait.h"
#include "net/StreamInflater.h"
#include "net/TelnetReader.h"
#include "platform/Network.h"

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// How a TTCPBlockSocket cuts the stream into lines and reaches the server; fixed for its life.
struct SocketSettings {
    // Line ends: CR LF only, or (AnyLineEnd) CR LF, LF CR, CR and LF.
    bool AnyLineEnd = false;
    // IAC GA and IAC EOR, by which a telnet server ends a prompt, end a line as well; a line
    // end that follows one at once ends nothing more.
    bool PromptLineEnd = false;
    // Longest line, in bytes: a longer one is handed out in pieces of at most this many bytes.
    // 0: no limit of the client's own (a hard ceiling still keeps the buffer bounded).
    int32_t LineLimit = 0;
    // Inflates the server's stream once it says it compresses; empty: it is never inflated.
    InflaterFactory Inflaters{};
    HttpProxy Proxy{};
    // Limit of the whole exchange with the proxy once connected to it: the request and
    // every byte of the reply, however slowly it trickles.
    int32_t TunnelTimeout = 30000;
    // Limit of one connection attempt, and of one send.
    int32_t ConnectTimeout = 30000;
    int32_t SendTimeout = 30000;
};

// The connection to the game server: a TCP stream, opened directly or through an HTTP proxy
// tunnel (CONNECT), whose telnet commands are read as they arrive and whose data is handed out
// one line at a time. Every operation leaves its result in ErrorCode (0 = success, Winsock
// numbering) and ErrorText; none throws. One object serves one connection: reconnecting makes
// a new one.
class TTCPBlockSocket {
  public:
    // The connect, the proxy's reply and the sends wait in `waits`; a wait called off ends
    // the operation with Interrupted (10004). The telnet negotiations and sub-negotiations go
    // to `telnet` as they are read.
    TTCPBlockSocket(Network& network, NetworkWait& waits, SocketSettings settings = {},
                    TelnetEvents& telnet = IgnoredTelnetEvents::Instance());
    ~TTCPBlockSocket();
    TTCPBlockSocket(const TTCPBlockSocket&) = delete;
    TTCPBlockSocket& operator=(const TTCPBlockSocket&) = delete;

    // The result of the last operation.
    int32_t ErrorCode() const { return LastError; }
    const std::string& ErrorText() const { return LastErrorText; }

    // Connects to host:port (port decimal or a service name), through the tunnel when set.
    void OpenConnection(std::string_view host, std::string_view port);
    // Writes all of `text`; the bytes sent, 0 on failure. A send that fails or runs out of
    // time, also after part of the text went out, shuts the sending direction: nothing sent
    // later can reach the server glued to the cut text.
    std::size_t SendText(std::string_view text);
    // The next complete line without its line end (ErrorCode 0), or the next piece of a line
    // longer than the limit; TimedOut (10060) when no whole line arrived within `timeoutMs`
    // (0: do not wait); anything else: the connection is broken. Bytes of an unfinished line
    // stay buffered.
    std::string ReceiveLine(int32_t timeoutMs);
    // The same into `line`, whose memory is used again: a stream of lines costs no allocation.
    void ReceiveLine(int32_t timeoutMs, std::string& line);
    // Whether the line ReceiveLine handed out last was ended by GA or EOR: a prompt.
    bool LastLineWasPrompt() const { return LastLinePrompt; }
    // Shuts down sending, reads away what is still waiting, closes.
    void CloseConnection();

    // A complete line is buffered (or the stream broke), so the next ReceiveLine hands it out
    // without reading.
    bool HasCompleteLine();
    // The bytes received of the line not ended yet; empty while a complete line is buffered.
    // Valid until the next operation.
    std::string_view UnfinishedLine();
    // Ends the unfinished line where it stands and hands it out (a telnet command still missing
    // its last bytes is no part of it); empty while a complete line is buffered.
    std::string TakeUnfinishedLine();
    PollHandle Handle() const;

    // Most bytes taken from the socket in one read.
    static constexpr std::size_t ReadChunk = 64 * 1024;
    // The bound of the buffer whatever the line limit says, and of the proxy's whole reply.
    static constexpr std::size_t MaxLine = 16 * 1024 * 1024;
    static constexpr std::size_t MaxTunnelReply = 64 * 1024;

  private:
    struct LineEnd {
        std::size_t Length = 0; // of the line, from Start
        std::size_t Size = 0;   // of its line end; 0: none found
        char Lone = 0;          // a one-byte line end: '\r' or '\n'
        bool Prompt = false;    // ended by GA or EOR, which take no bytes
        bool Found() const { return Size != 0 || Prompt; }
    };

    std::size_t Pending() const { return Buffer.size() - Start; }
    // A line, or a piece of one too long, is buffered whole.
    bool LineWaiting();
    int32_t Read(int32_t timeoutMs);
    // Passes received bytes through the telnet reader into the buffer; a stream the reader
    // cannot read on fails the next read.
    int32_t Take(std::string_view raw);
    // Where a piece of a line too long is cut: at most `limit` bytes, but not inside an escape
    // sequence or a UTF-8 character where that is cheap to see.
    std::size_t PieceLength(std::size_t limit) const;
    void SettlePending();
    LineEnd FindLineEnd();
    void TakeLine(LineEnd end, std::string& line);
    void DropConsumed();
    void Finish(int32_t code);
    int32_t Connect(std::string_view host, std::string_view port);
    int32_t Tunnel(std::string_view host, std::string_view port);
    int32_t Send(std::string_view text, TimePoint deadline, NetworkWait::Purpose purpose);
    bool ReadTunnelLine(std::string& line, int32_t& error, TimePoint deadline,
                        std::size_t& replyBytes);
    // Waits for the socket to be ready, or for the deadline; false when called off.
    bool WaitReady(Readiness readiness, TimePoint deadline, NetworkWait::Purpose purpose);

    Network& Net;
    NetworkWait& Waits;
    const SocketSettings Settings;
    int32_t LastError = 0;
    std::string LastErrorText;
    std::unique_ptr<StreamSocket> Sock;
    // Received bytes not handed out yet are Buffer[Start, end); the first Scanned of them hold
    // no line end.
    std::string Buffer;
    std::size_t Start = 0;
    std::size_t Scanned = 0;
    bool EndedByCR = false;
    bool EndedByLF = false;
    // The last line ended with GA or EOR: a line end right after it ends nothing more.
    bool EndedByPrompt = false;
    bool LastLinePrompt = false;
    // Where the prompts end in Buffer (GA or EOR), in order.
    std::deque<std::size_t> PromptEnds;
    std::vector<std::size_t> NewPromptEnds;
    std::string Raw;
    // Why the server's stream cannot be read on (a broken compressed stream), for ErrorText.
    std::string StreamFailure;
    TelnetReader Reader;
};

} // namespace tolmix
