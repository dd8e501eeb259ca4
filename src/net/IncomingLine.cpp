#include "net/IncomingLine.h"

namespace tolmix {

namespace {

constexpr char Esc = 0x1B;
constexpr uint8_t InitialColour = 7;

uint8_t Byte(std::string_view line, std::size_t i) {
    return static_cast<uint8_t>(line[i]);
}

bool IsMarkerByte(char c) {
    return c == '\x80' || c == '\x10';
}

} // namespace

void ApplyAnsiParameter(std::string& parameter, uint8_t& state, std::string& decoded) {
    if (parameter.size() == 1) {
        if (parameter[0] == '0')
            state = InitialColour;
        else if (parameter[0] == '1')
            state |= 8;
    } else if (parameter.size() == 2) {
        // Only the last digit counts, so 31 and 41 both give red as the foreground.
        const int digit = static_cast<int>(static_cast<uint8_t>(parameter[1])) - '0';
        state = static_cast<uint8_t>((state & 8) | (digit & 7));
    }
    decoded += static_cast<char>(0x80 | state);
    parameter.clear();
}

DecodedLine DecodeIncomingLine(std::string_view line) {
    DecodedLine result;
    std::string& decoded = result.Text;
    decoded.reserve(line.size());
    // Where the first colour byte made from an ANSI sequence went.
    std::size_t firstAnsiColour = std::string::npos;
    std::string parameter;
    uint8_t state = InitialColour;
    const std::size_t n = line.size();
    std::size_t i = 0;
    while (i < n) {
        const uint8_t c = Byte(line, i);
        if (c == Esc) {
            if (i + 1 >= n)
                break;
            if (line[i + 1] != '[') {
                decoded += line[i + 1];
                i += 2;
                continue;
            }
            if (i + 2 >= n)
                break;
            // Everything up to the next "m" belongs to the sequence, whatever it is.
            std::size_t j = i + 2;
            parameter.clear();
            if (firstAnsiColour == std::string::npos)
                firstAnsiColour = decoded.size();
            while (j < n && line[j] != 'm') {
                if (line[j] == ';')
                    ApplyAnsiParameter(parameter, state, decoded);
                else
                    parameter += line[j];
                ++j;
            }
            ApplyAnsiParameter(parameter, state, decoded);
            i = j + 1;
            continue;
        }
        // Text up to the next ESC goes in as one run: most lines are nothing else.
        std::size_t end = i + 1;
        while (end < n && line[end] != Esc)
            ++end;
        decoded.append(line.data() + i, end - i);
        i = end;
    }
    while (result.WireMarkers < 2 &&
           static_cast<std::size_t>(result.WireMarkers) < decoded.size() &&
           static_cast<std::size_t>(result.WireMarkers) < firstAnsiColour &&
           IsMarkerByte(decoded[static_cast<std::size_t>(result.WireMarkers)]))
        ++result.WireMarkers;
    return result;
}

} // namespace tolmix
