#include "app/CommandEcho.h"

#include "text/ColourBytes.h"

namespace tolmix {

namespace {

// The colour byte that selects a console colour: console and ANSI order swap red and blue.
char ColourByteOf(uint16_t consoleColour) {
    const unsigned c = consoleColour & 0x0F;
    const unsigned ansi = (c & 0x0A) | ((c & 1) << 2) | ((c >> 2) & 1);
    return static_cast<char>(FirstColourByte + ansi);
}

} // namespace

std::vector<std::string_view> CommandLines(std::string_view command) {
    std::vector<std::string_view> lines;
    if (command.empty())
        return lines;
    for (;;) {
        const size_t end = command.find("\r\n");
        lines.push_back(command.substr(0, end));
        if (end == std::string_view::npos)
            return lines;
        command.remove_prefix(end + 2);
    }
}

std::string EchoText(std::string_view commandLine, uint16_t colour) {
    std::string text;
    text.reserve(commandLine.size() + 1);
    text += ColourByteOf(colour);
    for (size_t i = 0; i < commandLine.size(); ++i) {
        const bool setsColour =
            IsColourByte(static_cast<uint8_t>(commandLine[i])) || IsBackgroundMark(commandLine, i);
        text += setsColour ? '?' : commandLine[i];
    }
    return text;
}

uint16_t AttrAfter(std::string_view consoleText, uint16_t before) {
    uint16_t attr = before;
    for (size_t i = 0; i < consoleText.size(); ++i) {
        const auto c = static_cast<uint8_t>(consoleText[i]);
        if (IsColourByte(c))
            attr = ColourByteAttr(c);
        else if (IsBackgroundMark(consoleText, i))
            attr = static_cast<uint16_t>((attr & 0x0F) | BackgroundMarkAttr(consoleText[++i]));
    }
    return attr;
}

} // namespace tolmix
