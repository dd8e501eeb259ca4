#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// What a program wrote to its terminal, cut into the pieces a terminal sees. Tests use this to
// assert escape sequences byte for byte; the session uses it to hand libvterm only complete pieces.
namespace tolmix::e2e {

enum class TokenKind {
    Text,       // printable characters (UTF-8), possibly several
    Control,    // one C0 byte or DEL outside any sequence
    Escape,     // ESC, optional intermediates, final byte
    Csi,        // ESC [ ... final
    Osc,        // ESC ] ... BEL or ESC backslash
    String,     // DCS, SOS, PM, APC: ESC P/X/^/_ ... ESC backslash
    Incomplete, // the unfinished tail: a sequence or UTF-8 character still being written
};

struct OutputToken {
    TokenKind kind;
    std::string_view bytes;
    std::size_t offset; // where the token starts in the scanned text
};

std::vector<OutputToken> Tokenize(std::string_view output);

// Length of the leading part of `output` that ends on a whole character or sequence.
std::size_t CompletePrefixLength(std::string_view output);

// The text between "ESC ]" and the terminator.
std::string_view OscPayload(const OutputToken& osc);

// Every title set with OSC 0 or OSC 2, in order.
std::vector<std::string> TitlesIn(std::string_view output);

// Last state a DEC private mode (CSI ? n h / l) was put in, or nothing if never touched.
std::optional<bool> LastPrivateMode(std::string_view output, int mode);

// Parameters and final byte of each CSI sequence, e.g. "?1049h" or "8;25;80t", in order.
std::vector<std::string> CsiSequences(std::string_view output);

// A control character that reached the terminal as text: a C0 byte or DEL outside a sequence
// (other than those listed in `allowed`), or a C1 control (U+0080-U+009F) inside UTF-8 text.
struct StrayControl {
    std::size_t offset;
    char32_t code;
};
std::optional<StrayControl> FindStrayControl(std::string_view output,
                                             std::string_view allowed = "\r\n");

// `bytes` with ESC shown as \e and other non-printable bytes as \xNN, for failure messages.
std::string Printable(std::string_view bytes);

} // namespace tolmix::e2e
