#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

struct VTerm;
struct VTermScreen;

// A terminal emulator (libvterm) that the program's output is fed into, read back as cells.
namespace tolmix::e2e {

// A cell colour that is not one of the sixteen console colours.
inline constexpr int kDefaultColour = -1; // the terminal's own default (SGR 39 / 49)
inline constexpr int kOtherColour = -2;   // a 256-colour index above 15 or a direct RGB colour

struct ScreenCell {
    char32_t ch = U' ';   // first code point; U+0020 for a cell never written
    std::u32string chars; // all code points, with any combining marks
    int width = 1;        // 2 for the left half of a double-width character
    // Console colours: 0 black, 1 blue, 2 green, 3 cyan, 4 red, 5 magenta, 6 brown,
    // 7 light grey, 8 dark grey, 9-15 the bright forms of 1-7; or kDefaultColour / kOtherColour.
    int fg = kDefaultColour;
    int bg = kDefaultColour;
    bool bold = false;
    bool underline = false;
    bool italic = false;
    bool blink = false;
    bool reverse = false;

    // The console attribute byte (background * 16 + foreground), or -1 when either colour is
    // not a console colour.
    int Attribute() const;
};

struct CursorPosition {
    int x = 0;
    int y = 0;
    friend bool operator==(const CursorPosition&, const CursorPosition&) = default;
};

// Maps an ANSI colour index (0-15, as SGR 30-37 / 90-97 select them) to the console number.
int ConsoleColourFromAnsi(int ansiIndex);

class TerminalModel {
  public:
    // `reply` receives the bytes the terminal answers queries with (DA, DSR, ...).
    TerminalModel(int columns, int rows, std::function<void(std::string_view)> reply);
    ~TerminalModel();
    TerminalModel(const TerminalModel&) = delete;
    TerminalModel& operator=(const TerminalModel&) = delete;

    // Feeds program output. Bytes that end mid-character or mid-sequence wait for the rest:
    // libvterm 0.1.4 turns a UTF-8 character split between writes into U+FFFD and drops an
    // OSC string split between writes. A synchronized update (CSI ? 2026 h ... CSI ? 2026 l)
    // reaches the screen whole once it ends, as a terminal that supports it shows it: the
    // screen read meanwhile is the last whole frame.
    void Feed(std::string_view bytes);
    // Shows what an update that has not ended brought so far (the program ended mid-frame).
    void ShowUnfinishedUpdate();
    bool UpdateUnfinished() const { return updating_; }

    void Resize(int columns, int rows);
    int Columns() const { return columns_; }
    int Rows() const { return rows_; }

    // Out-of-range coordinates read as a blank cell.
    ScreenCell Cell(int x, int y) const;
    // One code point per column (the right half of a double-width character is left out).
    std::u32string Row(int y) const;
    std::string RowUtf8(int y) const;
    std::string RowTrimmed(int y) const; // without trailing blanks
    // Every row trimmed, joined with '\n'.
    std::string Text() const;
    // Column and row of the first occurrence of UTF-8 `text` within one row.
    std::optional<CursorPosition> Find(std::string_view text) const;

    CursorPosition Cursor() const;
    bool CursorVisible() const { return cursorVisible_; }
    bool AltScreen() const { return altScreen_; }
    // Last title set with OSC 0 / OSC 2, or empty.
    const std::string& Title() const { return rawTitle_ ? *rawTitle_ : vtermTitle_; }
    int Bells() const { return bells_; }

    // The rows framed with their numbers, plus cursor, title and size: for failure messages.
    std::string Dump() const;
    // Colour runs of each row ("0-79:87" = columns 0 to 79 in attribute 0x87).
    std::string ColourDump() const;

  private:
    friend struct VTermCallbacks;

    void Apply(std::string_view bytes);

    VTerm* vt_ = nullptr;
    VTermScreen* screen_ = nullptr;
    std::function<void(std::string_view)> reply_;
    std::string pending_; // the unfinished tail, held back until it completes
    std::string update_;  // a synchronized update that has not ended, from its begin marker
    bool updating_ = false;
    int columns_;
    int rows_;
    bool cursorVisible_ = true;
    bool altScreen_ = false;
    std::string vtermTitle_;              // as libvterm reported it
    std::optional<std::string> rawTitle_; // parsed from the bytes, the fallback
    int bells_ = 0;
};

std::string ToUtf8(std::u32string_view text);
std::u32string FromUtf8(std::string_view text);

} // namespace tolmix::e2e
