#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tolmix {

// Escape sequences in server text, recognised by their syntax alone: whatever they mean, each
// ends at its final byte or its terminator, so that dropping one loses nothing after it.
//
// Every sequence begins with ESC. The wire is Windows-1251, where the bytes 0x80..0x9F are
// letters or the server's colour bytes, so none of them is taken for a C1 control; nor is 0x98,
// the one byte Windows-1251 leaves unused: a UTF-8 server read as Windows-1251 sends it inside
// common letters (D0 98, the capital I), and taken for SOS it would swallow the rest of a line.

// The longest sequence waited for: a longer one without its end is dropped this far, and what
// follows is text again.
inline constexpr std::size_t EscapeSequenceLimit = 4096;

enum class EscapeKind : uint8_t {
    Escape,        // ESC, intermediates 0x20..0x2F, a final byte 0x30..0x7E
    Csi,           // ESC [, parameters and intermediates 0x20..0x3F, a final byte 0x40..0x7E
    Osc,           // ESC ], ended by BEL or ST (ESC \)
    ControlString, // DCS (ESC P), SOS (ESC X), PM (ESC ^), APC (ESC _), ended by ST
};

enum class EscapeEnd : uint8_t {
    Complete, // ended by its final byte or terminator
    Broken,   // a byte that cannot belong to it came first: it ends before that byte
    TooLong,  // no end within EscapeSequenceLimit bytes: it ends there
    Cut,      // the text ends before the sequence could: more may follow
};

struct EscapeSequence {
    EscapeKind Kind = EscapeKind::Escape;
    EscapeEnd How = EscapeEnd::Complete;
    // The byte after the sequence; for Cut, the end of the text.
    std::size_t End = 0;
    // For a complete CSI: where its parameters begin, and its final byte.
    std::size_t ParametersBegin = 0;
    char Final = 0;

    // A complete "CSI ... m" whose parameters are digits, ";" and ":" only.
    bool IsSgr(std::string_view text) const;
    // Its parameters (between CSI and the final byte).
    std::string_view Parameters(std::string_view text) const {
        return text.substr(ParametersBegin, End - 1 - ParametersBegin);
    }
};

// The sequence that opens at text[start], an ESC.
EscapeSequence RecogniseEscapeSequence(std::string_view text, std::size_t start);

} // namespace tolmix
