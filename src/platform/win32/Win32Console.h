#pragma once

#include "platform/Terminal.h"
#include "platform/win32/Win32EventLoop.h"

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <vector>

namespace tolmix::win32 {

struct ConsoleKeyRecord;

// The process's console: an input mode where every key, Ctrl+C included, arrives as a key
// record, QuickEdit is off, size changes and (unless turned off) the wheel and the left
// button's drags are reported,
// a screen buffer of its own made active while the client runs (the user's buffer comes back
// untouched), cells written with WriteConsoleOutputW as the glyphs of the console code page, and
// the title, cursor, palette and input mode put back as they were on the way out.
class Win32Console final : public Terminal {
  public:
    // Throws when the process has no console.
    explicit Win32Console(Win32EventLoop& loop);
    ~Win32Console() override;
    Win32Console(const Win32Console&) = delete;
    Win32Console& operator=(const Win32Console&) = delete;

    TerminalSize Size() const override { return CurrentSize; }
    void RequestSize(int columns, int rows) override;
    void SetTitle(std::string_view title) override;
    bool SetFullScreen(bool on) override;
    void SetPalette(int consoleColour, uint32_t rgb) override;
    void ResetPalette() override;
    void Present(const Frame& frame) override;
    void Flash() override;
    uint64_t WindowId() const override;
    bool HasFocus() const override { return Focused; }
    // A console has no escape sequences to pass through: nothing is written.
    void WriteRaw(std::string_view) override {}
    void SetMouseReporting(bool on) override;
    bool ReadInput(InputRecord& record) override;
    std::optional<TimePoint> InputDeadline() const override { return std::nullopt; }

    // Puts the console back as it was; safe to call more than once.
    void Restore();

  private:
    bool QuerySize();
    void WritePalette(const std::array<uint32_t, 16>& table);
    // Joins a combining mark waiting right behind a typed character to it (ComposeWithFollowing)
    // and takes the mark's records out of the input.
    void FoldCombiningMark(ConsoleKeyRecord& key);

    Win32EventLoop& Loop;
    void* Input = nullptr;
    void* UserOutput = nullptr; // the buffer the user had; active again at the end
    void* Output = nullptr;     // the client's own buffer
    unsigned long SavedInputMode = 0;
    std::wstring SavedTitle;
    std::array<uint32_t, 16> SavedPalette{}; // COLORREF values
    bool PaletteChanged = false;
    bool FullScreen = false;
    bool Mouse = true;
    // The left button is down, as the mouse records so far tell.
    bool LeftHeld = false;
    bool Focused = true;
    bool Active = false;
    bool SizeChanged = false;
    TerminalSize CurrentSize;
    Frame Shown; // what the buffer shows now; empty when unknown
    // While the loop streams lines without sleeping, the input is looked at every other pass
    // (a pass takes up to 32 lines).
    static constexpr int StreamingProbeInterval = 2;
    uint64_t ProbedAtWait = ~uint64_t{0};
    int PassesSinceProbe = 0;
};

// A key record of the console as the client's key event.
struct ConsoleKeyRecord {
    bool KeyDown;
    uint16_t RepeatCount;
    uint16_t VirtualKey;
    uint16_t ScanCode;
    wchar_t Char;
    uint32_t ControlKeyState;
};
// AltGr (reported as Ctrl+Alt) with a character is that character without the modifiers, and
// the release of Alt that carries an Alt+Numpad character is that character typed.
KeyEvent KeyEventFromConsole(const ConsoleKeyRecord& key);

// A typed character and a combining mark typed right after it (an input method's decomposed
// letter, и + U+0306) are one character, й. Returns how many of the records after `typed`,
// read as they wait, belong to it: the mark and the key releases before it; 0 when the next
// key is no mark that makes a letter with `typed`, which then stays as it is.
std::size_t ComposeWithFollowing(ConsoleKeyRecord& typed,
                                 const std::vector<ConsoleKeyRecord>& following);

// The console input mode while the client runs, with or without the wheel.
unsigned long ClientInputMode(bool mouse);
// Wheel notches of a mouse record's button state: negative up (away from the user).
int WheelNotches(uint32_t buttonState);
// The left button's part of a mouse record (its event flags, button state and cell): a press
// when it goes down, a drag when it moves held, a release when it comes up; nothing for the
// wheel, the other buttons and motion without it. `leftHeld` is the button's state before the
// record, and is brought up to date.
std::optional<MouseEvent> LeftButtonEvent(uint32_t eventFlags, uint32_t buttonState, int column,
                                          int row, bool& leftHeld);

// The rectangle of cells that differ between two frames of one size, as [left, right) x
// [top, bottom); empty (left == right) when none differ.
struct CellRect {
    int Left = 0, Top = 0, Right = 0, Bottom = 0;
    bool Empty() const { return Left >= Right || Top >= Bottom; }
};
CellRect ChangedCells(const Frame& before, const Frame& after);

} // namespace tolmix::win32
