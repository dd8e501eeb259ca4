#include "net/EscapeSequences.h"

#include <algorithm>

namespace tolmix {

namespace {

constexpr char Esc = '\x1B';
constexpr char Bel = '\x07';

bool Between(char c, uint8_t low, uint8_t high) {
    const auto b = static_cast<uint8_t>(c);
    return b >= low && b <= high;
}

// Where a scan from `start` must stop: the limit, or the end of the text before it.
std::size_t ScanEnd(std::string_view text, std::size_t start) {
    return std::min(text.size(), start + EscapeSequenceLimit);
}

// The sequence ran into the scan's end without ending: too long, or cut by the text's end.
EscapeSequence Unended(EscapeKind kind, std::string_view text, std::size_t start) {
    if (start + EscapeSequenceLimit <= text.size())
        return {kind, EscapeEnd::TooLong, start + EscapeSequenceLimit};
    return {kind, EscapeEnd::Cut, text.size()};
}

EscapeSequence Csi(std::string_view text, std::size_t start, std::size_t from) {
    const std::size_t end = ScanEnd(text, start);
    std::size_t i = from;
    while (i < end && Between(text[i], 0x20, 0x3F))
        ++i;
    if (i == end)
        return Unended(EscapeKind::Csi, text, start);
    if (!Between(text[i], 0x40, 0x7E))
        return {EscapeKind::Csi, EscapeEnd::Broken, i};
    return {EscapeKind::Csi, EscapeEnd::Complete, i + 1, from, text[i]};
}

// A control string: everything up to ST (ESC \), or BEL too for OSC. Another ESC breaks it off
// and begins the next sequence, as terminals do, so that colours after a string whose end
// was lost still count.
EscapeSequence ControlString(EscapeKind kind, std::string_view text, std::size_t start,
                             std::size_t from) {
    const std::size_t end = ScanEnd(text, start);
    for (std::size_t i = from; i < end; ++i) {
        const char c = text[i];
        if (c == Bel && kind == EscapeKind::Osc)
            return {kind, EscapeEnd::Complete, i + 1};
        if (c != Esc)
            continue;
        // Whether an ESC is the terminator shows only with the byte after it.
        if (i + 1 == text.size())
            return {kind, EscapeEnd::Cut, text.size()};
        if (text[i + 1] == '\\')
            return {kind, EscapeEnd::Complete, i + 2};
        return {kind, EscapeEnd::Broken, i};
    }
    return Unended(kind, text, start);
}

} // namespace

bool EscapeSequence::IsSgr(std::string_view text) const {
    if (Kind != EscapeKind::Csi || How != EscapeEnd::Complete || Final != 'm')
        return false;
    for (const char c : Parameters(text)) {
        if (!Between(c, '0', ';')) // digits, ':' and ';'
            return false;
    }
    return true;
}

EscapeSequence RecogniseEscapeSequence(std::string_view text, std::size_t start) {
    const std::size_t next = start + 1;
    if (next == text.size())
        return {EscapeKind::Escape, EscapeEnd::Cut, text.size()};
    switch (text[next]) {
    case '[':
        return Csi(text, start, next + 1);
    case ']':
        return ControlString(EscapeKind::Osc, text, start, next + 1);
    case 'P':
    case 'X':
    case '^':
    case '_':
        return ControlString(EscapeKind::ControlString, text, start, next + 1);
    default:
        break;
    }
    const std::size_t end = ScanEnd(text, start);
    std::size_t i = next;
    while (i < end && Between(text[i], 0x20, 0x2F))
        ++i;
    if (i == end)
        return Unended(EscapeKind::Escape, text, start);
    if (!Between(text[i], 0x30, 0x7E))
        return {EscapeKind::Escape, EscapeEnd::Broken, i};
    return {EscapeKind::Escape, EscapeEnd::Complete, i + 1};
}

} // namespace tolmix
