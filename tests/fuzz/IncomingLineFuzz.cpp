// Feeds arbitrary bytes, cut into arbitrary reads, through the line transport and the
// incoming decoder, as a hostile server would send them.
#include "net/IncomingLine.h"
#include "net/TTCPBlockSocket.h"
#include "platform/SocketErrors.h"
#include "support/FakeNetwork.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tolmix;
    if (size < 2)
        return 0;
    // The first byte picks the line-end mode and the limit, the second the read size.
    const bool anyLineEnd = data[0] & 1;
    const int32_t limit = (data[0] >> 1) * 16; // 0 (no limit) up to 2032
    const std::size_t readSize = 1 + data[1] % 64;
    const std::string_view stream(reinterpret_cast<const char*>(data + 2), size - 2);

    test::FakeNetwork net;
    auto peer = net.Prepare();
    for (std::size_t at = 0; at < stream.size(); at += readSize)
        peer->Arrive(std::string(stream.substr(at, readSize)));
    peer->ReceiveError = SocketError::ConnectionReset;

    TTCPBlockSocket socket(net);
    socket.AnyLineEnd = anyLineEnd;
    socket.LineLimit = limit;
    socket.OpenConnection("server", "4000");
    std::size_t handedOut = 0;
    for (std::size_t guard = 0; guard <= stream.size() * 2 + 2; ++guard) {
        const std::string line = socket.ReceiveLine(0);
        if (socket.ErrorCode == SocketError::TimedOut)
            continue;
        if (socket.ErrorCode != 0)
            break;
        handedOut += line.size() + 1;
        if (limit > 0 && line.size() > static_cast<std::size_t>(limit))
            __builtin_trap();
        if (anyLineEnd && line.find_first_of("\r\n") != std::string::npos)
            __builtin_trap();
        std::size_t answers = 0;
        const std::string decoded = DecodeIncomingLine(line, [&](std::string_view bytes) {
            if (bytes.size() != 3 || bytes[0] != '\xFF' || bytes[1] != '\xFE')
                __builtin_trap();
            ++answers;
        });
        if (decoded.size() > line.size() || answers * 3 > line.size())
            __builtin_trap();
    }
    // Every line handed out came from the stream, each with at least one line-end byte.
    if (handedOut > stream.size())
        __builtin_trap();
    if (socket.ErrorCode == 0 || socket.ErrorCode == SocketError::TimedOut)
        __builtin_trap(); // the stream ends in a reset, which must be reported
    return 0;
}
