#include "util/Base64.h"

#include <array>
#include <cstdint>

namespace tolmix {

namespace {

constexpr std::string_view Alphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

constexpr int8_t NoDigit = -1;
constexpr int8_t Blank = -2;
constexpr int8_t Filler = -3;

constexpr std::array<int8_t, 256> MakeDigits() {
    std::array<int8_t, 256> digits{};
    for (auto& d : digits)
        d = NoDigit;
    for (size_t i = 0; i < Alphabet.size(); ++i)
        digits[static_cast<uint8_t>(Alphabet[i])] = static_cast<int8_t>(i);
    digits[' '] = digits['\t'] = digits['\r'] = digits['\n'] = Blank;
    digits['='] = Filler;
    return digits;
}

constexpr std::array<int8_t, 256> Digits = MakeDigits();

} // namespace

std::string EncodeBase64(std::string_view data) {
    std::string out;
    out.reserve((data.size() + 2) / 3 * 4);
    size_t i = 0;
    for (; i + 3 <= data.size(); i += 3) {
        const uint32_t group = static_cast<uint32_t>(static_cast<uint8_t>(data[i])) << 16 |
                               static_cast<uint32_t>(static_cast<uint8_t>(data[i + 1])) << 8 |
                               static_cast<uint8_t>(data[i + 2]);
        out += Alphabet[group >> 18];
        out += Alphabet[(group >> 12) & 0x3F];
        out += Alphabet[(group >> 6) & 0x3F];
        out += Alphabet[group & 0x3F];
    }
    const size_t rest = data.size() - i;
    if (rest > 0) {
        uint32_t group = static_cast<uint32_t>(static_cast<uint8_t>(data[i])) << 16;
        if (rest == 2)
            group |= static_cast<uint32_t>(static_cast<uint8_t>(data[i + 1])) << 8;
        out += Alphabet[group >> 18];
        out += Alphabet[(group >> 12) & 0x3F];
        out += rest == 2 ? Alphabet[(group >> 6) & 0x3F] : '=';
        out += '=';
    }
    return out;
}

std::optional<std::string> DecodeBase64(std::string_view text) {
    std::string out;
    out.reserve(text.size() / 4 * 3 + 2);
    uint32_t group = 0;
    int sextets = 0; // digits in the group being read
    int fillers = 0; // "=" seen so far; only blanks may follow them
    for (char ch : text) {
        const int8_t digit = Digits[static_cast<uint8_t>(ch)];
        if (digit == Blank)
            continue;
        if (digit == NoDigit)
            return std::nullopt;
        if (digit == Filler) {
            // "=" completes a group of two or three digits, never more than two of them.
            if (sextets + fillers < 2 || ++fillers > 2 || sextets + fillers > 4)
                return std::nullopt;
            continue;
        }
        if (fillers > 0)
            return std::nullopt;
        group = group << 6 | static_cast<uint32_t>(digit);
        if (++sextets == 4) {
            out += static_cast<char>(group >> 16);
            out += static_cast<char>((group >> 8) & 0xFF);
            out += static_cast<char>(group & 0xFF);
            group = 0;
            sextets = 0;
        }
    }
    if (fillers > 0 && sextets + fillers != 4)
        return std::nullopt;
    switch (sextets) {
    case 0:
        break;
    case 1:
        return std::nullopt; // six bits make no byte
    case 2:
        out += static_cast<char>(group >> 4);
        break;
    case 3:
        out += static_cast<char>(group >> 10);
        out += static_cast<char>((group >> 2) & 0xFF);
        break;
    }
    return out;
}

} // namespace tolmix
