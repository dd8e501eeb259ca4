#pragma once

#include "platform/Terminal.h"
#include "platform/posix/PosixEventLoop.h"
#include "platform/vt/KeyDecoder.h"

#include <array>
#include <memory>
#include <optional>
#include <string>
#include <termios.h>

namespace tolmix::posix {

// The controlling terminal: raw mode, the alternate screen and the key protocols while the
// client runs, and everything put back on every way out, a crash signal included.
class PosixTerminal final : public Terminal {
  public:
    // Takes over the terminal on the given descriptors; throws when they are no terminal.
    PosixTerminal(PosixEventLoop& loop, int inputFd = 0, int outputFd = 1);
    ~PosixTerminal() override;
    PosixTerminal(const PosixTerminal&) = delete;
    PosixTerminal& operator=(const PosixTerminal&) = delete;

    TerminalSize Size() const override { return CurrentSize; }
    void RequestSize(int columns, int rows) override;
    void SetTitle(std::string_view title) override;
    bool SetFullScreen(bool on) override;
    void SetPalette(int consoleColour, uint32_t rgb) override;
    void ResetPalette() override;
    void Present(const Frame& frame) override;
    void Flash() override;
    void SetMouseReporting(bool on) override;
    uint64_t WindowId() const override;
    bool HasFocus() const override { return Focused; }
    void WriteRaw(std::string_view bytes) override;
    bool ReadInput(InputRecord& record) override;
    std::optional<TimePoint> InputDeadline() const override;

    // Puts the terminal back as it was; safe to call more than once.
    void Restore();
    // The terminal's modes and line discipline back, from any thread, with async-signal-safe
    // calls only: for ending the process at once while the main thread is stuck. The size and
    // the title are left as they are.
    static void RestoreFromAnyThread();

  private:
    std::string PaletteRestoreSequence() const;
    void EnterModes();
    void LeaveModes();
    // Job control: the terminal is the shell's while the process is stopped, and the client's
    // again, drawn whole, once it is continued.
    bool FollowJobControl();
    // `now` is read from the loop's clock when bytes come and it was not read yet.
    bool ReadAvailable(std::optional<TimePoint>& now);
    void QuerySize();
    // Takes the terminal's answer to the cursor style query once it has come.
    void NoteCursorStyle();
    void WriteAll(std::string_view bytes);
    void SetUpCharset();

    PosixEventLoop& Loop;
    int InputFd;
    int OutputFd;
    termios Saved{};
    bool Active = false;
    bool PaletteChanged = false;
    // The terminal has answered the cursor style query; the shape is the client's from then.
    bool CursorStyleKnown = false;
    bool FullScreen = false;
    bool Focused = true;
    bool Mouse = true;
    bool InputClosed = false;
    // 0 x 0 until the terminal tells its size.
    TerminalSize CurrentSize{0, 0};
    // A resize was taken while drawing and is yet to be reported as input.
    bool ResizePending = false;
    // What the terminal was before the client asked for a size, to ask for it back at the end.
    TerminalSize OriginalSize;
    bool SizeRequested = false;
    termios Raw{};
    std::string Title;
    // Palette entries the client set, to set again after the process was stopped.
    std::array<std::optional<uint32_t>, 16> Palette;
    Frame Shown; // what the terminal shows now; empty when unknown
    vt::KeyDecoder Decoder;
    // Glyph bytes for a terminal whose character set is not UTF-8.
    std::unique_ptr<std::array<std::string, 256>> GlyphBytes;
    // While the loop streams lines without sleeping, the terminal is looked at only every
    // other pass (a pass takes up to 32 lines): each look is a system call, and a burst of
    // thousands of server lines would otherwise pay one per line. Keys still arrive within
    // microseconds.
    static constexpr int StreamingProbeInterval = 2;
    uint64_t ProbedAtWait = ~uint64_t{0};
    int PassesSinceProbe = 0;
};

// The terminal's type as the environment names it (TERM); empty when unset.
std::string TerminalTypeFromEnvironment();

} // namespace tolmix::posix
