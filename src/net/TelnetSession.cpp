#include "net/TelnetSession.h"
#include "net/TelnetBytes.h"

#include <algorithm>
#include <utility>

namespace tolmix {

namespace {

using Side = TelnetOptions::Side;

constexpr std::string_view ClientName = "TOLMIX-CLIENT";
constexpr std::string_view DefaultTerminal = "XTERM-256COLOR";
// The longest terminal type passed on from the environment.
constexpr std::size_t TerminalTypeLimit = 40;

// TTYPE's sub-commands.
constexpr char TypeIs = 0;
constexpr char TypeSend = 1;
// CHARSET's.
constexpr char CharsetRequest = 1;
constexpr char CharsetAccepted = 2;
constexpr char CharsetRejected = 3;
constexpr std::string_view TranslationTable = "[TTABLE]";

// The MTTS bits the client can claim.
constexpr int MttsAnsi = 1;
constexpr int MttsUtf8 = 4;
constexpr int Mtts256Colours = 8;
constexpr int MttsProxy = 128;

} // namespace

const StandardTerminal& StandardTerminal::Instance() {
    static const StandardTerminal terminal;
    return terminal;
}

TelnetSession::TelnetSession(const TelnetTerminal& terminal, CharsetChoice& charsets,
                             ServerEchoListener& echo, Identity identity)
    : Terminal(terminal), Charsets(charsets), Echo(echo), Ident(std::move(identity)),
      Options(*this) {}

bool TelnetSession::Agrees(Side side, uint8_t option) const {
    if (side == Side::Server) {
        switch (option) {
        case telnet::SuppressGoAhead:
        case telnet::EndOfRecord:
        case telnet::Charset:
            return true;
        case telnet::Compress2:
            return Ident.Compression;
        default:
            return false;
        }
    }
    switch (option) {
    case telnet::SuppressGoAhead:
    case telnet::WindowSize:
    case telnet::TerminalType:
    case telnet::Charset:
        return true;
    default:
        return false;
    }
}

std::string TelnetSession::TakeAnswers() {
    return std::exchange(Answers, std::string());
}

void TelnetSession::Command(uint8_t command, uint8_t option) {
    Answers += static_cast<char>(telnet::Iac);
    Answers += static_cast<char>(command);
    Answers += static_cast<char>(option);
}

void TelnetSession::Sub(uint8_t option, std::string_view payload) {
    Answers += static_cast<char>(telnet::Iac);
    Answers += static_cast<char>(telnet::Sb);
    Answers += static_cast<char>(option);
    for (char c : payload) {
        if (static_cast<uint8_t>(c) == telnet::Iac)
            Answers += c;
        Answers += c;
    }
    Answers += static_cast<char>(telnet::Iac);
    Answers += static_cast<char>(telnet::Se);
}

void TelnetSession::Negotiation(uint8_t command, uint8_t option) {
    const TelnetOptions::Step step = Options.Receive(command, option);
    if (step.Reply != 0)
        Command(step.Reply, option);
    // Every offer counts, also a repeated one that changes no state: the editor ends its
    // masking itself when the line is sent, and the next password prompt offers again.
    if (option == telnet::EchoOption && (command == telnet::Will || command == telnet::Wont))
        Echo.ServerEchoChanged(command == telnet::Will);
    if (!step.Changed)
        return;
    if (command == telnet::Do && option == telnet::WindowSize && step.Enabled) {
        SentSize = {-1, -1};
        SendWindowSize();
    }
    if (option == telnet::TerminalType && !step.Enabled)
        TerminalTypeStep = 0;
}

void TelnetSession::WindowResized() {
    if (Options.Enabled(Side::Client, telnet::WindowSize))
        SendWindowSize();
}

void TelnetSession::SendWindowSize() {
    const WindowSize size = Terminal.OutputWindowSize();
    if (size == SentSize)
        return;
    SentSize = size;
    const auto clamp = [](int v) { return static_cast<uint16_t>(std::clamp(v, 0, 0xFFFF)); };
    const uint16_t w = clamp(size.Width);
    const uint16_t h = clamp(size.Height);
    const char payload[4] = {static_cast<char>(w >> 8), static_cast<char>(w & 0xFF),
                             static_cast<char>(h >> 8), static_cast<char>(h & 0xFF)};
    Sub(telnet::WindowSize, std::string_view(payload, 4));
}

std::string TelnetSession::TerminalTypeName(std::string_view environmentTerm) {
    std::string name;
    for (char c : environmentTerm.substr(0, TerminalTypeLimit)) {
        // Printable ASCII only, in capitals as the option wants its names.
        if (c <= ' ' || c > '~')
            return std::string(DefaultTerminal);
        name += (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
    }
    return name.empty() ? std::string(DefaultTerminal) : name;
}

std::string TelnetSession::MttsName() const {
    int bits = MttsAnsi | Mtts256Colours;
    if (Charsets.IsUtf8())
        bits |= MttsUtf8;
    if (Ident.Proxy)
        bits |= MttsProxy;
    return "MTTS " + std::to_string(bits);
}

// Each SEND gets the next name: the client, the terminal, MTTS, MTTS once more to mark the
// end of the list, and then the round starts again.
void TelnetSession::AnswerTerminalType() {
    std::string name;
    switch (TerminalTypeStep) {
    case 0:
        name = ClientName;
        break;
    case 1:
        name = TerminalTypeName(Ident.TerminalType);
        break;
    default:
        name = MttsName();
        break;
    }
    TerminalTypeStep = (TerminalTypeStep + 1) % 4;
    Sub(telnet::TerminalType, std::string(1, TypeIs) + name);
}

void TelnetSession::AnswerCharsetRequest(std::string_view names, bool cut) {
    if (names.substr(0, TranslationTable.size()) == TranslationTable)
        names.remove_prefix(std::min(names.size(), TranslationTable.size() + 1));
    // A list the bound cut may end in half a name: no choice from it.
    if (!cut && names.size() >= 2) {
        const char separator = names[0];
        names.remove_prefix(1);
        while (!names.empty()) {
            const std::size_t end = std::min(names.find(separator), names.size());
            const std::string_view name = names.substr(0, end);
            if (!name.empty() && Charsets.Accepts(name)) {
                Charsets.Use(name);
                std::string reply(1, CharsetAccepted);
                reply.append(name);
                Sub(telnet::Charset, reply);
                return;
            }
            names.remove_prefix(std::min(end + 1, names.size()));
        }
    }
    Sub(telnet::Charset, std::string(1, CharsetRejected));
}

void TelnetSession::Subnegotiation(uint8_t option, std::string_view payload, bool cut) {
    if (payload.empty())
        return;
    if (option == telnet::TerminalType && payload[0] == TypeSend &&
        Options.Enabled(Side::Client, telnet::TerminalType)) {
        AnswerTerminalType();
    } else if (option == telnet::Charset && payload[0] == CharsetRequest &&
               (Options.Enabled(Side::Client, telnet::Charset) ||
                Options.Enabled(Side::Server, telnet::Charset))) {
        AnswerCharsetRequest(payload.substr(1), cut);
    }
    // The rest (GMCP, MSDP, MSSP...) is the server's to say and nobody's to read.
}

} // namespace tolmix
