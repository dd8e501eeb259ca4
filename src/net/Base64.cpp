#include "net/Base64.h"

#include <cstdint>

namespace tolmix {

std::string Base64Encode(std::string_view bytes) {
    static constexpr char Alphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const uint32_t group = static_cast<uint8_t>(bytes[i]) << 16 |
                               static_cast<uint8_t>(bytes[i + 1]) << 8 |
                               static_cast<uint8_t>(bytes[i + 2]);
        out += Alphabet[group >> 18 & 63];
        out += Alphabet[group >> 12 & 63];
        out += Alphabet[group >> 6 & 63];
        out += Alphabet[group & 63];
    }
    const std::size_t left = bytes.size() - i;
    if (left > 0) {
        uint32_t group = static_cast<uint8_t>(bytes[i]) << 16;
        if (left == 2)
            group |= static_cast<uint8_t>(bytes[i + 1]) << 8;
        out += Alphabet[group >> 18 & 63];
        out += Alphabet[group >> 12 & 63];
        out += left == 2 ? Alphabet[group >> 6 & 63] : '=';
        out += '=';
    }
    return out;
}

} // namespace tolmix
