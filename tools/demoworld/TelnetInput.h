#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// The player's side of the stream turned into lines: telnet commands taken out (the client
// answers our offer to echo with IAC DONT ECHO, without a line end), IAC IAC made one 0xFF
// (the letter "я"), CR LF, LF or a lone CR ending a line. A line longer than the limit is cut
// at the limit and the rest of it, up to its line end, is thrown away, so a player can never
// make the server hold more than the limit.
namespace tolmix::demo {

class TelnetInput {
  public:
    explicit TelnetInput(std::size_t lineLimit) : LineLimit(lineLimit) {}

    struct Line {
        std::string text; // Windows-1251, without the line end
        bool cut = false; // it was longer than the limit
    };

    // Takes the bytes just read; the lines they completed go to `lines`.
    void Feed(std::string_view bytes, std::vector<Line>& lines);

    // Bytes held of the unfinished line.
    std::size_t Pending() const { return Current.size(); }

  private:
    enum class State : uint8_t { Data, Iac, Option };

    void Add(char c);
    void EndLine(std::vector<Line>& lines);

    std::size_t LineLimit;
    std::string Current;
    bool Cut = false;
    State Now = State::Data;
    bool AfterCr = false; // the last line ended with CR: an LF right after it is its pair
};

} // namespace tolmix::demo
