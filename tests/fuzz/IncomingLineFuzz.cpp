// Feeds arbitrary bytes, cut into arbitrary reads, through the line transport (its telnet
// reader included) and the incoming decoder, as a hostile server would send them. After every
// read the unfinished line is decoded as the server link does to show it. The colours of each
// whole line go on to the next, as the link keeps them; the unfinished line's decoded text must
// begin the whole line's, and no decoded text holds an ESC, or a background mark that does not
// follow a colour byte.
#include "net/IncomingLine.h"
#include "net/PlainNetworkWait.h"
#include "net/TTCPBlockSocket.h"
#include "platform/SocketErrors.h"
#include "support/FakeNetwork.h"
#include "text/ColourBytes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

void CheckDecoded(const tolmix::DecodedLine& decoded, std::string_view line) {
    if (decoded.Text.size() > line.size())
        __builtin_trap();
    if (decoded.WireMarkers < 0 || decoded.WireMarkers > 2 ||
        static_cast<std::size_t>(decoded.WireMarkers) > decoded.Text.size())
        __builtin_trap();
    const std::string& text = decoded.Text;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\x1B')
            __builtin_trap();
        if (text[i] != tolmix::AnsiBackgroundMark)
            continue;
        const auto before = static_cast<uint8_t>(i > 0 ? text[i - 1] : 0);
        if (i + 1 == text.size() || !tolmix::IsBackgroundLetter(text[i + 1]) || before < 0x80 ||
            before > 0x8F || decoded.WireMarkers == 2)
            __builtin_trap();
        ++i;
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tolmix;
    if (size < 2)
        return 0;
    // The first byte picks the line-end mode and the limit, the second the read size and
    // whether GA and EOR end lines.
    const bool anyLineEnd = data[0] & 1;
    const int32_t limit = (data[0] >> 1) * 16; // 0 (no limit) up to 2032
    const std::size_t readSize = 1 + (data[1] & 0x3F);
    const bool promptLineEnd = data[1] & 0x40;
    const std::string_view stream(reinterpret_cast<const char*>(data + 2), size - 2);

    test::FakeNetwork net;
    auto peer = net.Prepare();
    PlainNetworkWait waits(net);
    SocketSettings settings;
    settings.AnyLineEnd = anyLineEnd;
    settings.PromptLineEnd = promptLineEnd;
    settings.LineLimit = limit;
    TTCPBlockSocket socket(net, waits, settings);
    socket.OpenConnection("server", "4000");

    std::size_t handedOut = 0;
    SgrState colours;
    std::string unfinishedLine;    // the unfinished line as last decoded
    std::string unfinishedDecoded; // and its text
    // Takes every line there is; false once the connection is broken.
    const auto receive = [&]() {
        for (std::size_t guard = 0; guard <= stream.size() + 2; ++guard) {
            const std::string line = socket.ReceiveLine(0);
            if (socket.ErrorCode() == SocketError::TimedOut)
                break;
            if (socket.ErrorCode() != 0)
                return false;
            handedOut += line.size();
            if (limit > 0 && line.size() > static_cast<std::size_t>(limit))
                __builtin_trap();
            if (anyLineEnd && line.find_first_of("\r\n") != std::string::npos)
                __builtin_trap();
            const DecodedLine decoded = DecodeIncomingLine(line, colours);
            CheckDecoded(decoded, line);
            if (line.starts_with(unfinishedLine) && !decoded.Text.starts_with(unfinishedDecoded))
                __builtin_trap();
            unfinishedLine.clear();
            unfinishedDecoded.clear();
            colours = decoded.Colours;
        }
        const std::string unfinished(socket.UnfinishedLine());
        const DecodedLine decoded = DecodeIncomingLine(unfinished, colours);
        CheckDecoded(decoded, unfinished);
        unfinishedLine = unfinished;
        unfinishedDecoded = decoded.Text;
        return true;
    };

    bool open = true;
    for (std::size_t at = 0; open && at < stream.size(); at += readSize) {
        peer->Arrive(std::string(stream.substr(at, readSize)));
        open = receive();
    }
    if (open) {
        peer->ReceiveError = SocketError::ConnectionReset;
        if (receive())
            __builtin_trap(); // the stream ends in a reset, which must be reported
    }
    // Every line handed out came from the stream.
    if (handedOut > stream.size())
        __builtin_trap();
    return 0;
}
