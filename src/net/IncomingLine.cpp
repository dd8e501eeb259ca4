#include "net/IncomingLine.h"
#include "net/EscapeSequences.h"
#include "text/ColourBytes.h"

#include <array>

namespace tolmix {

namespace {

constexpr char Esc = '\x1B';

// The server's own colour bytes: 0x80..0x8F, and 0x10..0x1F but ESC, which the console takes
// alike.
bool IsServerColourByte(uint8_t c) {
    return (c >= 0x80 && c <= 0x8F) || (c >= 0x10 && c <= 0x1F && c != 0x1B);
}

// The bytes that end a run of plain text: ESC, the lead of the background marks and the colour
// bytes.
constexpr std::array<bool, 256> MakeEndsTextRun() {
    std::array<bool, 256> ends{};
    for (int c = 0; c < 16; ++c) {
        ends[0x10 + c] = true;
        ends[0x80 + c] = true;
    }
    ends[static_cast<uint8_t>(Esc)] = true;
    ends[static_cast<uint8_t>(AnsiBackgroundMark)] = true;
    return ends;
}
constexpr std::array<bool, 256> EndsTextRun = MakeEndsTextRun();

uint8_t Byte(std::string_view line, std::size_t i) {
    return static_cast<uint8_t>(line[i]);
}

bool IsMarkerByte(char c) {
    return c == '\x80' || c == '\x10';
}

// Windows-1251 text without the background marks of the decoder.
std::string WithoutBackgroundMarks(std::string_view text) {
    std::string kept;
    kept.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == AnsiBackgroundMark && i + 1 < text.size() && IsBackgroundLetter(text[i + 1]))
            ++i;
        else
            kept += text[i];
    }
    return kept;
}

} // namespace

DecodedLine DecodeIncomingLine(std::string_view line, const SgrState& colours) {
    DecodedLine result;
    DecodeIncomingLine(line, colours, result);
    return result;
}

void DecodeIncomingLine(std::string_view line, const SgrState& colours, DecodedLine& result) {
    result.Text.clear();
    result.WireMarkers = 0;
    result.Consumed = 0;
    result.Colours = colours;
    // The colours as SGR alone leaves them: those of a server code, whose marker bytes look
    // like colour bytes but colour nothing.
    SgrState sgrOnly = colours;
    std::string& decoded = result.Text;
    decoded.reserve(line.size());
    // Where the first colour byte made from an SGR sequence went.
    std::size_t firstAnsiColour = std::string::npos;
    const std::size_t n = line.size();
    std::size_t i = 0;
    // Whether the line opened with two marker bytes of the server's own before the first SGR.
    bool code = false;
    while (i < n) {
        const uint8_t c = Byte(line, i);
        if (!EndsTextRun[c]) {
            // Plain text goes in as one run: most lines are nothing else.
            std::size_t end = i + 1;
            while (end < n && !EndsTextRun[Byte(line, end)])
                ++end;
            decoded.append(line.data() + i, end - i);
            i = end;
            continue;
        }
        if (c == static_cast<uint8_t>(AnsiBackgroundMark)) {
            // Unused in Windows-1251, and the lead of the marks this decoder makes.
            decoded += '?';
            ++i;
            continue;
        }
        if (IsServerColourByte(c)) {
            decoded += static_cast<char>(c);
            result.Colours = ColourByteState(c & 0x0F);
            ++i;
            continue;
        }
        if (c == static_cast<uint8_t>(Esc)) {
            const EscapeSequence sequence = RecogniseEscapeSequence(line, i);
            if (sequence.How == EscapeEnd::Cut)
                break;
            if (sequence.IsSgr(line)) {
                if (firstAnsiColour == std::string::npos) {
                    firstAnsiColour = decoded.size();
                    code =
                        decoded.size() >= 2 && IsMarkerByte(decoded[0]) && IsMarkerByte(decoded[1]);
                }
                ApplySgr(sequence.Parameters(line), result.Colours);
                if (code)
                    ApplySgr(sequence.Parameters(line), sgrOnly);
                AppendColourBytes(ShownColours(result.Colours), decoded);
            }
            i = sequence.End;
            continue;
        }
    }
    result.Consumed = i;
    while (result.WireMarkers < 2 &&
           static_cast<std::size_t>(result.WireMarkers) < decoded.size() &&
           static_cast<std::size_t>(result.WireMarkers) < firstAnsiColour &&
           IsMarkerByte(decoded[static_cast<std::size_t>(result.WireMarkers)]))
        ++result.WireMarkers;
    // A server code keeps the colour bytes it always had, but no background mark: the codes'
    // text goes to titles, the editor and the plugins, never to the screen.
    if (result.WireMarkers == 2) {
        result.Colours = sgrOnly;
        if (firstAnsiColour != std::string::npos)
            result.Text = WithoutBackgroundMarks(result.Text);
    }
}

} // namespace tolmix
