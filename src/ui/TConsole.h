#pragma once

#include "net/NetworkWait.h"
#include "platform/Clipboard.h"
#include "platform/EventLoop.h"
#include "platform/Frame.h"
#include "platform/MessagePump.h"
#include "platform/Terminal.h"
#include "ui/Coord.h"
#include "ui/ScreenViews.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// The console driver: the client's only contact with the screen, the keyboard and the
// clipboard, and the one input loop. Writes go into a screen buffer of cells that the terminal
// shows once per loop pass. It is also where the connection waits for the network.
class TConsole final : public MessagePump, public TextClipboard, public NetworkWait {
  public:
    using KeyHandler = std::function<bool(const KeyEvent&)>;
    // Returns true while it has more work ready at once (a complete received line), so that the
    // loop calls it again without waiting.
    using IdleHandler = std::function<bool()>;

    TConsole(Terminal& terminal, EventLoop& loop, Clipboard& clipboard);

    bool Terminated = false;
    KeyHandler OnKey;
    IdleHandler OnIdle;
    // Where a terminal paste goes; none drops it.
    PasteTarget* PasteInto = nullptr;
    // What the mouse wheel scrolls: the output window, three rows a notch.
    OutputView* ScrollWith = nullptr;
    // What lays the screen out again when the terminal takes another size.
    ScreenResizeTarget* ResizeWith = nullptr;

    // The largest screen laid out; a larger terminal shows black beyond it.
    static constexpr int MaxColumns = 1024;
    static constexpr int MaxRows = 1024;

    void Clear();
    void WriteText(std::string_view text, uint16_t attr, TCoord pos);
    // A byte below 0x10 is no character: it replaces the foreground colour of what follows.
    void WriteColoredText(std::string_view text, uint16_t baseAttr, TCoord pos);
    // A block of cells on one row, as they are.
    void WriteCells(const Cell* cells, int count, TCoord pos);
    void FillRect(TCoord pos, int width, int height, uint8_t ch, uint16_t attr);
    // Continues on the next row past the end of a row.
    void FillAttribute(TCoord pos, int count, uint16_t attr);
    std::string GetTitle() const { return Title; }
    // The terminal gets the title with the next frame, once however often it changed.
    void SetTitle(std::string_view title);
    TCoord GetBufferSize() const;
    // Asks the terminal for this size. The screen buffer takes the terminal's actual size where
    // the terminal tells it and it is large enough, else this size.
    void SetBufferSize(TCoord size);
    // The terminal is below the smallest usable size: it shows a notice instead of the screen
    // buffer, which keeps its last size and contents until the terminal grows again.
    bool TooSmall() const { return Small; }
    void SetCursorPos(TCoord pos);
    void SetCursorSize(int percent);
    void SetCursorVisible(bool visible);
    void SetTextAttr(uint16_t attr) { TextAttr = attr; }

    void Run();
    // One pass of the loop; the idle step (which receives from the server) only when
    // `runIdle`.
    void Step(bool runIdle = true);
    // One pass that handles whatever is pending (messages, due timers, keys, the screen at the
    // streaming rate and, when `runIdle`, the idle step) and never sleeps: what a plugin's long
    // work runs between its chunks.
    void Pass(bool runIdle = true);
    void ProcessPending() override;
    bool LoopEnded() const override { return Terminated; }
    bool ProcessInput();
    bool ProcessMessage();

    bool SetFullScreen(bool on);
    // Mouse reports for the wheel (on unless the player turned them off).
    void SetMouseReporting(bool on) { Term.SetMouseReporting(on); }
    std::string PasteFromClipboard() override;
    void CopyToClipboard(std::string_view text) override;
    // Views are refreshed before the screen is shown, in the order they were added; a view
    // is removed before it goes.
    void AddView(ScreenView& view) { Views.push_back(&view); }
    void RemoveView(ScreenView& view) { std::erase(Views, &view); }

    uint64_t FindConsoleWindow() const { return Term.WindowId(); }
    // Whether the player looks at this window (focus reports; in front until told otherwise).
    bool IsInFront() const { return Term.HasFocus(); }
    // Draws the player's attention to the window once.
    void FlashWindow() { Term.Flash(); }
    // The terminal's colour for a console colour (0 to 15) as 0xRRGGBB; the terminal puts its
    // own colours back when the program ends.
    void SetPaletteColor(int consoleColor, uint32_t rgb) { Term.SetPalette(consoleColor, rgb); }

    // Shows the screen buffer now, its views refreshed first.
    void Flush();
    void ShowScreen() override { Flush(); }
    // A wait for the network: timers and messages run, the screen is kept shown, and input
    // is read but kept for the loop to handle afterwards, except the keys that call the wait
    // off (F10, and while connecting also Escape). F10 and a modified Escape are kept too, so
    // that they then do what they always do; a quit request ends the loop.
    bool WaitForSocket(PollHandle handle, Readiness readiness, TimePoint deadline,
                       Purpose purpose) override;
    TimePoint Now() const override { return Events.Now(); }
    int DiscardTypeAhead() override;
    const Frame& Screen() const { return Buffer; }
    EventLoop& Loop() override { return Events; }

  private:
    // The terminal reported a new size (or lost what it showed): the screen buffer follows it
    // and everything is drawn again.
    void FollowTerminalSize();

    Terminal& Term;
    EventLoop& Events;
    Clipboard& Clip;
    Frame Buffer;
    std::vector<ScreenView*> Views;
    std::string Title;
    std::string ShownTitle; // as the terminal last got it
    bool TitleChanged = false;
    uint16_t TextAttr = 7;
    // Takes what arrived during a network wait; false when it calls the wait off.
    bool TakeWaitEvents(Purpose purpose);

    bool IdleBusy = false;
    bool Small = false;
    // The cursor as the client wants it; the terminal shows it only where its cell is on screen.
    bool CursorWanted = true;
    // Input read during a network wait, handled by the loop afterwards.
    std::deque<InputRecord> Held;
    bool Dirty = true; // the buffer changed since the terminal last showed it
    TimePoint LastFlush{};
};

} // namespace tolmix
