// Reads arbitrary server bytes in every code page, whole and cut at every length as an
// unfinished line is, and writes arbitrary Windows-1251 text back. The reading of a cut line
// keeps every byte of its telnet commands where the whole line's reading has them, no letter
// becomes a colour byte, and nothing written for UTF-8 holds a byte 0xFF.
#include "text/ServerCodePage.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using tolmix::ServerEncoding;

bool IsColourByte(char c) {
    return static_cast<uint8_t>(c) >= 0x80 && static_cast<uint8_t>(c) <= 0x8F;
}

void CheckReading(const tolmix::ServerCodePage& page, std::string_view raw) {
    std::string wholeStorage;
    const std::string whole(page.DecodeReceived(raw, true, wholeStorage));
    // At most "я" doubled for each byte.
    if (whole.size() > 2 * raw.size())
        __builtin_trap();
    // Telnet commands go as they are, whatever their bytes; without them, only a UTF-8 C1
    // control (C2 80..C2 8F) gives a colour byte.
    if (page.Encoding() != ServerEncoding::Windows1251 && raw.find('\xFF') == raw.npos) {
        std::size_t controls = 0;
        for (const char c : raw)
            controls += c == '\xC2';
        for (const char c : whole)
            if (IsColourByte(c) && (page.Encoding() != ServerEncoding::Utf8 || controls-- == 0))
                __builtin_trap();
    }
    for (std::size_t cut = 0; cut <= raw.size(); ++cut) {
        std::string storage;
        const std::string_view part = page.DecodeReceived(raw.substr(0, cut), false, storage);
        if (part.size() > whole.size())
            __builtin_trap();
        // Telnet command bytes (and the ASCII) are where they will be in the whole line; only a
        // letter a later mark composes may differ.
        for (std::size_t i = 0; i < part.size(); ++i)
            if (static_cast<uint8_t>(part[i]) < 0x80 && part[i] != whole[i])
                __builtin_trap();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1 || size > 4096)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data + 1), size - 1);
    const auto encoding = static_cast<ServerEncoding>(data[0] % 4);
    tolmix::ServerCodePage page(encoding);
    // The cuts are quadratic: only short lines are cut everywhere.
    if (bytes.size() <= 512) {
        CheckReading(page, bytes);
    } else {
        std::string storage;
        if (page.DecodeReceived(bytes, true, storage).size() > 2 * bytes.size())
            __builtin_trap();
    }
    const std::string written = page.EncodeForServer(bytes);
    if (written.size() > 3 * bytes.size())
        __builtin_trap();
    if (encoding == ServerEncoding::Utf8 && written.find('\xFF') != std::string::npos)
        __builtin_trap();
    if (encoding == ServerEncoding::Windows1251 && written != bytes)
        __builtin_trap();
    return 0;
}
