#pragma once

#include "net/CharsetChoice.h"
#include "net/ServerEchoListener.h"
#include "net/TelnetOptions.h"
#include "net/TelnetReader.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace tolmix {

// The size of the output window, in columns and rows.
struct WindowSize {
    int Width = 0;
    int Height = 0;
    bool operator==(const WindowSize&) const = default;
};

// What the server may learn of the client's terminal.
class TelnetTerminal {
  public:
    virtual ~TelnetTerminal() = default;
    virtual WindowSize OutputWindowSize() const = 0;
};

// A terminal of 80 by 24, for a link that has no window of its own.
class StandardTerminal final : public TelnetTerminal {
  public:
    WindowSize OutputWindowSize() const override { return {80, 24}; }
    static const StandardTerminal& Instance();
};

// What the client tells the server over telnet, and how it reads the server's compressed
// stream: the link gets it at construction. The defaults serve a link without a window.
struct TelnetSetup {
    const TelnetTerminal& Terminal = StandardTerminal::Instance();
    // The terminal's type as its environment names it; empty: XTERM-256COLOR.
    std::string TerminalType{};
    InflaterFactory Inflaters{};
};

// The client's side of one telnet connection: which options it agrees to, and what it says
// in their sub-negotiations. The answers gather until the link takes them to send.
//
// Agreed: the server's SGA and EOR (prompts marked by GA or EOR), CHARSET both ways, MCCP2
// when compression is on; the client's NAWS (the output window's size at once and after every
// change), TTYPE (the client's name, the terminal type, then "MTTS n"), SGA. The server's
// ECHO is refused, but that it wants to echo is told to the echo listener. Everything else is
// refused and its sub-negotiations dropped.
class TelnetSession final : public TelnetEvents, private TelnetOptions::Policy {
  public:
    struct Identity {
        // The terminal's type as its environment names it; empty: XTERM-256COLOR.
        std::string TerminalType{};
        // The connection goes through a proxy.
        bool Proxy = false;
        // The server's stream can be inflated.
        bool Compression = false;
    };

    // Answers to the echo and the code pages go to `echo` and `charsets`.
    TelnetSession(const TelnetTerminal& terminal, CharsetChoice& charsets, ServerEchoListener& echo,
                  Identity identity);

    void Negotiation(uint8_t command, uint8_t option) override;
    void Subnegotiation(uint8_t option, std::string_view payload, bool cut) override;
    // The output window took another size.
    void WindowResized();
    // The bytes to send to the server, taken out.
    std::string TakeAnswers();
    bool Enabled(TelnetOptions::Side side, uint8_t option) const {
        return Options.Enabled(side, option);
    }

    // The names the client gives for its terminal type, in the order it gives them.
    static std::string TerminalTypeName(std::string_view environmentTerm);
    std::string MttsName() const;

  private:
    bool Agrees(TelnetOptions::Side side, uint8_t option) const override;
    void SendWindowSize();
    void AnswerTerminalType();
    void AnswerCharsetRequest(std::string_view payload, bool cut);
    void Command(uint8_t command, uint8_t option);
    // IAC SB option payload IAC SE, the payload's IACs doubled.
    void Sub(uint8_t option, std::string_view payload);

    const TelnetTerminal& Terminal;
    CharsetChoice& Charsets;
    ServerEchoListener& Echo;
    const Identity Ident;
    TelnetOptions Options;
    std::string Answers;
    // The terminal type's answers given so far in this round.
    int TerminalTypeStep = 0;
    WindowSize SentSize{-1, -1};
};

} // namespace tolmix
