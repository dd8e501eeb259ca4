// Feeds arbitrary bytes, cut into arbitrary reads, through the telnet reader and the client's
// option session, as a hostile server would send them; the same bytes also go through a real
// zlib stream (whole or damaged at a chosen byte) to the compressed path. Checked: every bound
// holds, the answers stay in proportion to what came, and an undamaged compressed stream reads
// exactly as the plain bytes do.
#include "net/TelnetReader.h"
#include "net/TelnetSession.h"
#include "support/ZlibStreams.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace {

using namespace tolmix;

struct Window final : TelnetTerminal {
    WindowSize OutputWindowSize() const override { return {80, 24}; }
};

struct Echo final : ServerEchoListener {
    void ServerEchoChanged(bool) override {}
    void ServerEchoLost() override {}
};

// Passes every event on to the session and keeps them, their payloads' sizes checked.
struct Recorder final : TelnetEvents {
    explicit Recorder(TelnetSession& session) : Session(session) {}
    TelnetSession& Session;
    std::string Events;
    void Negotiation(uint8_t command, uint8_t option) override {
        if (command < 0xFB)
            __builtin_trap();
        Events += 'N';
        Events += static_cast<char>(command);
        Events += static_cast<char>(option);
        Session.Negotiation(command, option);
    }
    void Subnegotiation(uint8_t option, std::string_view payload, bool cut) override {
        if (payload.size() > TelnetReader::MaxSubnegotiation)
            __builtin_trap();
        Events += 'S';
        Events += static_cast<char>(option);
        Events += std::to_string(payload.size()) + (cut ? "c" : "") + ";";
        Session.Subnegotiation(option, payload, cut);
    }
};

struct Result {
    std::string Data;
    std::vector<std::size_t> PromptEnds;
    std::string Events;
    std::string Answers;
    TelnetReader::Outcome Outcome = TelnetReader::Outcome::Ok;
};

Result Run(std::string_view stream, std::size_t readSize, bool compression) {
    Window window;
    Windows1251Only charsets;
    Echo echo;
    TelnetSession session(window, charsets, echo,
                          {.TerminalType = "xterm", .Proxy = false, .Compression = compression});
    Recorder recorder(session);
    TelnetReader reader(recorder, compression ? ZlibInflaters() : InflaterFactory{});
    Result r;
    for (std::size_t at = 0; at < stream.size(); at += readSize) {
        const std::size_t before = r.Data.size();
        r.Outcome = reader.Feed(stream.substr(at, readSize), r.Data, r.PromptEnds);
        if (r.Data.size() - before > TelnetReader::MaxInflatedPerRead + 64 * 1024)
            __builtin_trap();
        if (r.Outcome != TelnetReader::Outcome::Ok)
            break;
        r.Answers += session.TakeAnswers();
    }
    for (std::size_t i = 0; i < r.PromptEnds.size(); ++i)
        if (r.PromptEnds[i] > r.Data.size() || (i > 0 && r.PromptEnds[i] < r.PromptEnds[i - 1]))
            __builtin_trap();
    r.Events = recorder.Events;
    return r;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    const std::size_t readSize = 1 + (data[0] & 0x3F);
    const bool damage = data[0] & 0x40;
    const std::string_view payload(reinterpret_cast<const char*>(data + 2), size - 2);

    // Plain: every data byte came from the stream, and no answer is out of proportion (the
    // largest, NAWS's or TTYPE's, follow a request of at least three bytes).
    const Result plain = Run(payload, readSize, false);
    if (plain.Data.size() > payload.size() || plain.Answers.size() > 16 * payload.size() + 64)
        __builtin_trap();

    // The same bytes as a compressed stream after the start of compression.
    std::string packed = "\xFF\xFA\x56\xFF\xF0" + test::Deflate(payload);
    if (damage && packed.size() > 5)
        packed[5 + data[1] % (packed.size() - 5)] ^= static_cast<char>(data[1] | 1);
    const Result inflated = Run(packed, readSize, true);
    const std::string StartEvent = "S\x56"
                                   "0;";
    if (!damage) {
        if (inflated.Outcome != TelnetReader::Outcome::Ok)
            __builtin_trap();
        // Inside the stream a request to compress again changes nothing, so the plain run,
        // which has no inflater, reads the same; the stream's own start is its first event.
        if (inflated.Data != plain.Data || inflated.PromptEnds != plain.PromptEnds ||
            inflated.Events.substr(0, 4) != StartEvent || inflated.Events.substr(4) != plain.Events)
            __builtin_trap();
    }
    return 0;
}
