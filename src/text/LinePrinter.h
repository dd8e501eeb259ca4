#pragma once

#include <string>
#include <string_view>

namespace tolmix {

// The one way in for text: prints or dispatches one line of Windows-1251 text with colour
// bytes 0x80..0x8F, exactly like a line from the server. It may throw; while a received line
// is handled, the server link treats that like a broken connection.
class LinePrinter {
  public:
    virtual ~LinePrinter() = default;
    virtual void PrintLine(const std::string& ansiText) = 0;
};

// Prints nowhere: for a part whose lines nobody reads (a tool that only renders the music).
class NoLinePrinter final : public LinePrinter {
  public:
    void PrintLine(const std::string&) override {}
};

// The output window's scrollback as the parts that write into it directly see it: a line of
// console text, neither logged nor counted as new text.
class TextOutput {
  public:
    virtual ~TextOutput() = default;
    virtual void AppendOutput(std::string_view consoleText) = 0;
    // Like AppendOutput, for a message of the client's own in colours of its own: the server's
    // next line goes on in the colour that was in force before the message.
    virtual void AppendMessage(std::string_view consoleText) = 0;
};

} // namespace tolmix
