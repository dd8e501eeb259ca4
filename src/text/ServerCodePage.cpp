#include "text/ServerCodePage.h"

#include "platform/vt/Charsets.h"
#include "platform/vt/Composition.h"

#include <algorithm>
#include <array>
#include <cstdint>

namespace tolmix {

namespace {

constexpr uint8_t FirstColour = 0x80;
constexpr uint8_t LastColour = 0x8F;
constexpr uint8_t ColourToControl = 0x70; // 0x80..0x8F <-> 0x10..0x1F

// clang-format off
constexpr std::array<char32_t, 128> Koi8RUpper = {{
    0x2500, 0x2502, 0x250C, 0x2510, 0x2514, 0x2518, 0x251C, 0x2524, 0x252C, 0x2534, 0x253C, 0x2580,
    0x2584, 0x2588, 0x258C, 0x2590, 0x2591, 0x2592, 0x2593, 0x2320, 0x25A0, 0x2219, 0x221A, 0x2248,
    0x2264, 0x2265, 0x00A0, 0x2321, 0x00B0, 0x00B2, 0x00B7, 0x00F7, 0x2550, 0x2551, 0x2552, 0x0451,
    0x2553, 0x2554, 0x2555, 0x2556, 0x2557, 0x2558, 0x2559, 0x255A, 0x255B, 0x255C, 0x255D, 0x255E,
    0x255F, 0x2560, 0x2561, 0x0401, 0x2562, 0x2563, 0x2564, 0x2565, 0x2566, 0x2567, 0x2568, 0x2569,
    0x256A, 0x256B, 0x256C, 0x00A9, 0x044E, 0x0430, 0x0431, 0x0446, 0x0434, 0x0435, 0x0444, 0x0433,
    0x0445, 0x0438, 0x0439, 0x043A, 0x043B, 0x043C, 0x043D, 0x043E, 0x043F, 0x044F, 0x0440, 0x0441,
    0x0442, 0x0443, 0x0436, 0x0432, 0x044C, 0x044B, 0x0437, 0x0448, 0x044D, 0x0449, 0x0447, 0x044A,
    0x042E, 0x0410, 0x0411, 0x0426, 0x0414, 0x0415, 0x0424, 0x0413, 0x0425, 0x0418, 0x0419, 0x041A,
    0x041B, 0x041C, 0x041D, 0x041E, 0x041F, 0x042F, 0x0420, 0x0421, 0x0422, 0x0423, 0x0416, 0x0412,
    0x042C, 0x042B, 0x0417, 0x0428, 0x042D, 0x0429, 0x0427, 0x042A,
}};
// clang-format on

char32_t SingleByteChar(ServerEncoding encoding, uint8_t b) {
    if (b < 0x80)
        return b;
    return encoding == ServerEncoding::Koi8R ? Koi8RUpper[b - 0x80] : vt::Cp866Glyph(b);
}

// The Windows-1251 byte of a character read from a server that does not speak Windows-1251:
// "?" for what the screen cannot show, and for what would be a colour byte.
uint8_t ReadableByte(char32_t c) {
    // The Russian alphabet but Ё and ё, in Unicode's order and Windows-1251's: nearly every
    // letter a server sends, without a look-up.
    if (c >= 0x0410 && c <= 0x044F)
        return static_cast<uint8_t>(c - 0x0410 + 0xC0);
    const std::optional<uint8_t> ansi = vt::UnicodeToCp1251(c);
    if (!ansi || (*ansi >= FirstColour && *ansi <= LastColour))
        return '?';
    return *ansi;
}

struct SingleByteTables {
    std::array<uint8_t, 256> FromServer{};
    std::array<uint8_t, 256> ToServer{};
};

SingleByteTables MakeTables(ServerEncoding encoding) {
    SingleByteTables t;
    t.ToServer.fill('?');
    for (int b = 0; b < 256; ++b) {
        const auto byte = static_cast<uint8_t>(b);
        t.FromServer[b] = b < 0x80 ? byte : ReadableByte(SingleByteChar(encoding, byte));
        if (b < 0x80)
            t.ToServer[b] = byte;
    }
    for (int b = 0x80; b < 256; ++b) {
        const uint8_t ansi = t.FromServer[b];
        if (ansi != '?')
            t.ToServer[ansi] = static_cast<uint8_t>(b);
    }
    for (int b = FirstColour; b <= LastColour; ++b)
        t.ToServer[b] = static_cast<uint8_t>(b - ColourToControl);
    return t;
}

const SingleByteTables& TablesOf(ServerEncoding encoding) {
    static const SingleByteTables koi8r = MakeTables(ServerEncoding::Koi8R);
    static const SingleByteTables cp866 = MakeTables(ServerEncoding::Cp866);
    return encoding == ServerEncoding::Koi8R ? koi8r : cp866;
}

char Lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool SameName(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (Lower(a[i]) != Lower(b[i]))
            return false;
    }
    return true;
}

struct NamedEncoding {
    std::string_view Name;
    ServerEncoding Encoding;
};

constexpr std::array<NamedEncoding, 6> CharsetNames = {{
    {"UTF-8", ServerEncoding::Utf8},
    {"WINDOWS-1251", ServerEncoding::Windows1251},
    {"CP1251", ServerEncoding::Windows1251},
    {"KOI8-R", ServerEncoding::Koi8R},
    {"CP866", ServerEncoding::Cp866},
    {"IBM866", ServerEncoding::Cp866},
}};

std::optional<ServerEncoding> FromCharsetName(std::string_view name) {
    for (const NamedEncoding& named : CharsetNames) {
        if (SameName(name, named.Name))
            return named.Encoding;
    }
    return std::nullopt;
}

void AppendAnsi(std::string& out, uint8_t ansi) {
    out += static_cast<char>(ansi);
}

} // namespace

std::optional<ServerEncoding> EncodingFromSetting(std::string_view value) {
    for (const ServerEncoding encoding : {ServerEncoding::Windows1251, ServerEncoding::Utf8,
                                          ServerEncoding::Koi8R, ServerEncoding::Cp866}) {
        if (SameName(value, EncodingSettingName(encoding)))
            return encoding;
    }
    return std::nullopt;
}

std::string_view EncodingSettingName(ServerEncoding encoding) {
    switch (encoding) {
    case ServerEncoding::Utf8:
        return "utf-8";
    case ServerEncoding::Koi8R:
        return "koi8-r";
    case ServerEncoding::Cp866:
        return "cp866";
    case ServerEncoding::Windows1251:
        break;
    }
    return "windows-1251";
}

bool ServerCodePage::Accepts(std::string_view name) const {
    return FromCharsetName(name).has_value();
}

void ServerCodePage::Use(std::string_view name) {
    if (const std::optional<ServerEncoding> encoding = FromCharsetName(name))
        Current = *encoding;
}

std::string_view ServerCodePage::DecodeReceived(std::string_view raw, bool complete,
                                                std::string& storage) const {
    if (Current == ServerEncoding::Windows1251)
        return raw;
    std::string& out = storage;
    out.clear();
    out.reserve(raw.size());
    const SingleByteTables* tables = Current == ServerEncoding::Utf8 ? nullptr : &TablesOf(Current);
    // Where the last character read went, and what it was: a combining mark after it may
    // change it.
    std::size_t lastAt = std::string::npos;
    char32_t last = 0;
    const std::size_t n = raw.size();
    std::size_t i = 0;
    while (i < n) {
        const auto b = static_cast<uint8_t>(raw[i]);
        if (b < 0x80) {
            out += static_cast<char>(b);
            lastAt = std::string::npos;
            ++i;
            continue;
        }
        if (tables) {
            // No single-byte code page has combining marks.
            AppendAnsi(out, tables->FromServer[b]);
            ++i;
            continue;
        }
        char32_t c;
        if (b == 0xFF) {
            c = 0xFFFD; // no UTF-8 text has the byte
            ++i;
        } else {
            const std::size_t used = vt::DecodeUtf8(raw.substr(i), c);
            if (used == 0 && !complete)
                break; // the rest of the character is on its way
            if (used == 0) {
                out += '?';
                break;
            }
            i += used;
        }
        if (vt::IsCombiningMark(c) && lastAt != std::string::npos) {
            if (const std::optional<char32_t> composed = vt::Compose(last, c)) {
                if (const uint8_t ansi = ReadableByte(*composed); ansi != '?') {
                    out.resize(lastAt);
                    AppendAnsi(out, ansi);
                    last = *composed;
                    continue;
                }
            }
        }
        lastAt = out.size();
        last = c;
        if (c >= FirstColour && c <= LastColour)
            out += static_cast<char>(c); // the colour bytes' own characters
        else
            AppendAnsi(out, ReadableByte(c));
    }
    return out;
}

std::string ServerCodePage::EncodeForServer(std::string_view ansi) const {
    if (Current == ServerEncoding::Windows1251)
        return std::string(ansi);
    std::string out;
    out.reserve(ansi.size() * (Current == ServerEncoding::Utf8 ? 2 : 1));
    if (Current != ServerEncoding::Utf8) {
        const SingleByteTables& tables = TablesOf(Current);
        for (const char ch : ansi)
            out += static_cast<char>(tables.ToServer[static_cast<uint8_t>(ch)]);
        return out;
    }
    for (const char ch : ansi) {
        const auto b = static_cast<uint8_t>(ch);
        const char32_t c = b >= FirstColour && b <= LastColour ? b : vt::Cp1251ToUnicode(b);
        if (c == 0xFFFD)
            out += '?';
        else
            vt::AppendUtf8(out, c);
    }
    return out;
}

} // namespace tolmix
