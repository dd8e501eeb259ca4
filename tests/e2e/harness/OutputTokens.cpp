#include "e2e/harness/OutputTokens.h"

#include <charconv>

namespace tolmix::e2e {

namespace {

constexpr char kEsc = '\x1b';

bool IsControl(unsigned char b) {
    return b < 0x20 || b == 0x7f;
}
bool IsContinuation(unsigned char b) {
    return (b & 0xc0) == 0x80;
}
bool IsCancel(unsigned char b) {
    return b == 0x18 || b == 0x1a;
}

// Bytes a UTF-8 character takes, judged from its first byte; invalid bytes count as one.
std::size_t Utf8Length(unsigned char lead) {
    if (lead >= 0xc2 && lead <= 0xdf)
        return 2;
    if (lead >= 0xe0 && lead <= 0xef)
        return 3;
    if (lead >= 0xf0 && lead <= 0xf4)
        return 4;
    return 1;
}

struct Scan {
    TokenKind kind;
    std::size_t end; // one past the token's last byte
};

// Reads the sequence that starts with the ESC at `start`.
Scan ScanEscape(std::string_view s, std::size_t start) {
    const std::size_t n = s.size();
    std::size_t i = start + 1;
    if (i >= n)
        return {TokenKind::Incomplete, n};
    const unsigned char intro = s[i];
    if (intro == '[') {
        for (i = start + 2; i < n; ++i) {
            const unsigned char b = s[i];
            if (b >= 0x40 && b <= 0x7e)
                return {TokenKind::Csi, i + 1};
            // A new ESC or a cancel abandons the sequence, as a terminal does.
            if (b == kEsc || IsCancel(b))
                return {TokenKind::Csi, i};
        }
        return {TokenKind::Incomplete, n};
    }
    if (intro == ']' || intro == 'P' || intro == 'X' || intro == '^' || intro == '_') {
        const TokenKind kind = intro == ']' ? TokenKind::Osc : TokenKind::String;
        for (i = start + 2; i < n; ++i) {
            const unsigned char b = s[i];
            if (b == 0x07)
                return {kind, i + 1};
            if (IsCancel(b))
                return {kind, i};
            if (b == kEsc) {
                if (i + 1 >= n)
                    return {TokenKind::Incomplete, n};
                // ESC \ is the terminator; any other ESC ends the string and starts anew.
                return {kind, s[i + 1] == '\\' ? i + 2 : i};
            }
        }
        return {TokenKind::Incomplete, n};
    }
    for (; i < n; ++i) {
        const unsigned char b = s[i];
        if (b >= 0x20 && b <= 0x2f)
            continue; // intermediate
        if (b >= 0x30 && b <= 0x7e)
            return {TokenKind::Escape, i + 1};
        return {TokenKind::Escape, i}; // malformed: the lone ESC is the token
    }
    return {TokenKind::Incomplete, n};
}

// Reads printable text from `start`; stops before a control, an ESC, or an unfinished character.
Scan ScanText(std::string_view s, std::size_t start) {
    const std::size_t n = s.size();
    std::size_t i = start;
    while (i < n) {
        const unsigned char b = s[i];
        if (IsControl(b))
            break;
        if (b < 0x80) {
            ++i;
            continue;
        }
        const std::size_t len = Utf8Length(b);
        std::size_t k = 1;
        while (k < len && i + k < n && IsContinuation(s[i + k]))
            ++k;
        if (k < len && i + k == n)
            break; // the rest of the character is still to come
        i += k;    // a whole character, or an invalid run that the terminal shows as U+FFFD
    }
    return {TokenKind::Text, i};
}

} // namespace

std::vector<OutputToken> Tokenize(std::string_view s) {
    std::vector<OutputToken> tokens;
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char b = s[i];
        Scan scan{TokenKind::Control, i + 1};
        if (b == kEsc) {
            scan = ScanEscape(s, i);
        } else if (!IsControl(b)) {
            scan = ScanText(s, i);
            if (scan.end == i)
                scan = {TokenKind::Incomplete, s.size()};
        }
        tokens.push_back({scan.kind, s.substr(i, scan.end - i), i});
        i = scan.end;
    }
    return tokens;
}

std::size_t CompletePrefixLength(std::string_view output) {
    const auto tokens = Tokenize(output);
    if (!tokens.empty() && tokens.back().kind == TokenKind::Incomplete)
        return tokens.back().offset;
    return output.size();
}

std::string_view OscPayload(const OutputToken& osc) {
    std::string_view body = osc.bytes.substr(2);
    if (body.ends_with("\x1b\\"))
        body.remove_suffix(2);
    else if (!body.empty() && (body.back() == '\x07' || IsCancel(body.back())))
        body.remove_suffix(1);
    return body;
}

std::vector<std::string> TitlesIn(std::string_view output) {
    std::vector<std::string> titles;
    for (const auto& token : Tokenize(output)) {
        if (token.kind != TokenKind::Osc)
            continue;
        const std::string_view payload = OscPayload(token);
        if (payload.starts_with("0;") || payload.starts_with("2;"))
            titles.emplace_back(payload.substr(2));
    }
    return titles;
}

std::optional<bool> LastPrivateMode(std::string_view output, int mode) {
    std::optional<bool> state;
    for (const auto& token : Tokenize(output)) {
        if (token.kind != TokenKind::Csi || token.bytes.size() < 4 || token.bytes[2] != '?')
            continue;
        const char final = token.bytes.back();
        if (final != 'h' && final != 'l')
            continue;
        // Modes may be combined: CSI ? 1049 ; 25 h.
        std::string_view params = token.bytes.substr(3, token.bytes.size() - 4);
        while (!params.empty()) {
            const std::size_t semi = params.find(';');
            const std::string_view param = params.substr(0, semi);
            int value = -1;
            std::from_chars(param.data(), param.data() + param.size(), value);
            if (value == mode)
                state = final == 'h';
            params = semi == std::string_view::npos ? std::string_view{} : params.substr(semi + 1);
        }
    }
    return state;
}

std::vector<std::string> CsiSequences(std::string_view output) {
    std::vector<std::string> sequences;
    for (const auto& token : Tokenize(output))
        if (token.kind == TokenKind::Csi)
            sequences.emplace_back(token.bytes.substr(2));
    return sequences;
}

std::optional<StrayControl> FindStrayControl(std::string_view output, std::string_view allowed) {
    for (const auto& token : Tokenize(output)) {
        if (token.kind == TokenKind::Control) {
            if (allowed.find(token.bytes[0]) == std::string_view::npos)
                return StrayControl{token.offset, static_cast<unsigned char>(token.bytes[0])};
        } else if (token.kind == TokenKind::Text) {
            // U+0080-U+009F are encoded as C2 80 .. C2 9F.
            const std::string_view text = token.bytes;
            for (std::size_t i = 0; i + 1 < text.size(); ++i) {
                const auto lead = static_cast<unsigned char>(text[i]);
                const auto next = static_cast<unsigned char>(text[i + 1]);
                if (lead == 0xc2 && next >= 0x80 && next <= 0x9f)
                    return StrayControl{token.offset + i, next};
            }
        }
    }
    return std::nullopt;
}

std::string Printable(std::string_view bytes) {
    static constexpr char kHex[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size());
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (b == 0x1b) {
            out += "\\e";
        } else if (b == '\\') {
            out += "\\\\";
        } else if (b == '\n') {
            out += "\\n";
        } else if (b == '\r') {
            out += "\\r";
        } else if (IsControl(b)) {
            out += "\\x";
            out += kHex[b >> 4];
            out += kHex[b & 15];
        } else {
            out += c; // UTF-8 text stays readable
        }
    }
    return out;
}

} // namespace tolmix::e2e
