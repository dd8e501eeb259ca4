#include "ui/TConsole.h"

#include "platform/HandleWatch.h"
#include "platform/VirtualKeys.h"
#include "text/CodePage.h"
#include "ui/SmallScreenNotice.h"

#include <algorithm>
#include <cstdlib>

namespace tolmix {

namespace {

// While lines stream in, the screen is shown at most this often.
constexpr auto StreamingFlushInterval = Milliseconds(16);
// Rows of output one notch of the mouse wheel scrolls, as terminals commonly do.
constexpr int64_t WheelRows = 3;
// Input kept during one network wait at most; a flood beyond is read and dropped.
constexpr std::size_t HeldLimit = 4096;

} // namespace

TConsole::TConsole(Terminal& terminal, EventLoop& loop, Clipboard& clipboard)
    : Term(terminal), Events(loop), Clip(clipboard) {
    const TerminalSize size = Term.Size();
    Buffer.Resize(size.Columns, size.Rows, Cell{' ', TextAttr});
}

void TConsole::Clear() {
    Dirty = true;
    std::fill(Buffer.Cells.begin(), Buffer.Cells.end(), Cell{' ', TextAttr});
    SetCursorPos(MakeCoord(0, 0));
}

void TConsole::WriteText(std::string_view text, uint16_t attr, TCoord pos) {
    Dirty = true;
    int x = pos.X;
    for (char c : text) {
        if (Buffer.Contains(x, pos.Y))
            Buffer.At(x, pos.Y) = Cell{static_cast<uint8_t>(c), attr};
        ++x;
    }
}

void TConsole::WriteColoredText(std::string_view text, uint16_t baseAttr, TCoord pos) {
    Dirty = true;
    int x = pos.X;
    uint16_t attr = baseAttr;
    for (char ch : text) {
        const auto c = static_cast<uint8_t>(ch);
        if (c < 0x10) {
            attr = static_cast<uint16_t>((baseAttr & 0xFFF0) | c);
            continue;
        }
        if (Buffer.Contains(x, pos.Y))
            Buffer.At(x, pos.Y) = Cell{c, attr};
        ++x;
    }
}

void TConsole::WriteCells(const Cell* cells, int count, TCoord pos) {
    Dirty = true;
    if (pos.Y < 0 || pos.Y >= Buffer.Height)
        return;
    // The output window is written whole after every printed line: clip once, copy the run.
    const int first = std::max(0, -static_cast<int>(pos.X));
    const int last = std::min(count, Buffer.Width - pos.X);
    if (first < last)
        std::copy(cells + first, cells + last, &Buffer.At(pos.X + first, pos.Y));
}

void TConsole::FillRect(TCoord pos, int width, int height, uint8_t ch, uint16_t attr) {
    Dirty = true;
    for (int y = pos.Y; y < pos.Y + height; ++y) {
        for (int x = pos.X; x < pos.X + width; ++x) {
            if (Buffer.Contains(x, y))
                Buffer.At(x, y) = Cell{ch, attr};
        }
    }
}

void TConsole::FillAttribute(TCoord pos, int count, uint16_t attr) {
    Dirty = true;
    if (!Buffer.Contains(pos.X, pos.Y) || count <= 0)
        return;
    const size_t start = static_cast<size_t>(pos.Y) * Buffer.Width + pos.X;
    const size_t end = std::min(Buffer.Cells.size(), start + static_cast<size_t>(count));
    for (size_t i = start; i < end; ++i)
        Buffer.Cells[i].Attr = attr;
}

void TConsole::SetTitle(std::string_view title) {
    // Shown with the next frame: a server that renames the character many times in one burst
    // costs the terminal one title, not one per line.
    Title = std::string(title.substr(0, 260));
    TitleChanged = true;
    Dirty = true;
}

TCoord TConsole::GetBufferSize() const {
    return MakeCoord(Buffer.Width, Buffer.Height);
}

void TConsole::SetBufferSize(TCoord size) {
    if (size.X <= 0 || size.Y <= 0)
        return;
    Term.RequestSize(size.X, size.Y);
    // Most terminals keep their size (tmux, tiled and maximised windows): the screen is laid
    // out in the size they have.
    const TerminalSize actual = Term.Size();
    int width = size.X;
    int height = size.Y;
    Small = false;
    if (actual.Columns > 0 && actual.Rows > 0) {
        Small = !IsUsableScreen(actual.Columns, actual.Rows);
        if (!Small) {
            width = std::min(actual.Columns, MaxColumns);
            height = std::min(actual.Rows, MaxRows);
        }
    }
    Frame resized;
    resized.Resize(width, height, Cell{' ', TextAttr});
    for (int y = 0; y < std::min(height, Buffer.Height); ++y) {
        for (int x = 0; x < std::min(width, Buffer.Width); ++x)
            resized.At(x, y) = Buffer.At(x, y);
    }
    resized.CursorX = Buffer.CursorX;
    resized.CursorY = Buffer.CursorY;
    resized.CursorVisible = Buffer.CursorVisible;
    resized.CursorSize = Buffer.CursorSize;
    Buffer = std::move(resized);
    Dirty = true;
}

void TConsole::FollowTerminalSize() {
    Dirty = true;
    const TerminalSize size = Term.Size();
    if (size.Columns <= 0 || size.Rows <= 0)
        return;
    Small = !IsUsableScreen(size.Columns, size.Rows);
    const int width = std::min(size.Columns, MaxColumns);
    const int height = std::min(size.Rows, MaxRows);
    // Below the smallest size the buffer keeps its size: what the client draws meanwhile is
    // there when the terminal grows back.
    if (Small || (width == Buffer.Width && height == Buffer.Height))
        return;
    Buffer.Resize(width, height, Cell{' ', TextAttr});
    if (ResizeWith)
        ResizeWith->ScreenResized();
    // The new frame goes out at once, not at the streaming rate: the terminal shows a broken
    // screen until it comes.
    LastFlush = TimePoint{};
}

void TConsole::SetCursorPos(TCoord pos) {
    Dirty = true;
    Buffer.CursorX = pos.X;
    Buffer.CursorY = pos.Y;
}

void TConsole::SetCursorSize(int percent) {
    Buffer.CursorSize = std::clamp(percent, 1, 100);
    Dirty = true;
}

void TConsole::SetCursorVisible(bool visible) {
    CursorWanted = visible;
    Buffer.CursorVisible = visible;
    Dirty = true;
}

void TConsole::Run() {
    while (!Terminated)
        Step();
    Flush();
}

void TConsole::Step(bool runIdle) {
    ProcessPending();
    if (Terminated)
        return;
    if (Events.IsMainThread() && Events.RunQueuedCalls())
        return;
    for (ScreenView* view : Views)
        view->Refresh();
    // Show the screen before sleeping; while lines keep coming, at a bounded rate.
    const TimePoint now = Events.Now();
    if (Dirty && (!IdleBusy || now - LastFlush >= StreamingFlushInterval))
        Flush();
    if (!IdleBusy)
        Events.Wait(Term.InputDeadline());
    IdleBusy = runIdle && OnIdle ? OnIdle() : false;
}

void TConsole::Pass(bool runIdle) {
    // A wait that ends now looks at the terminal, the socket and the timers without sleeping.
    Events.Wait(Events.Now());
    ProcessPending();
    if (Terminated)
        return;
    if (Events.IsMainThread())
        Events.RunQueuedCalls();
    for (ScreenView* view : Views)
        view->Refresh();
    if (Dirty && Events.Now() - LastFlush >= StreamingFlushInterval)
        Flush();
    if (runIdle && OnIdle)
        IdleBusy = OnIdle();
}

void TConsole::ProcessPending() {
    while (!Terminated) {
        if (ProcessMessage())
            continue;
        if (ProcessInput())
            continue;
        break;
    }
}

bool TConsole::ProcessMessage() {
    Message message;
    if (!Events.TakeMessage(message))
        return false;
    if (message.Id == WmQuit)
        Terminated = true;
    else
        Events.Dispatch(message);
    return true;
}

bool TConsole::ProcessInput() {
    InputRecord record;
    if (!Held.empty()) {
        record = std::move(Held.front());
        Held.pop_front();
    } else if (!Term.ReadInput(record)) {
        return false;
    }
    if (record.Type == InputRecord::Kind::Paste) {
        if (PasteInto)
            PasteInto->Paste(AnsiToConsole(record.Text), record.LeftOut);
        return true;
    }
    if (record.Type == InputRecord::Kind::Wheel) {
        if (ScrollWith && record.Wheel != 0)
            ScrollWith->ScrollOutput(record.Wheel > 0, WheelRows * std::abs(int64_t{record.Wheel}));
        return true;
    }
    if (record.Type == InputRecord::Kind::Resize)
        FollowTerminalSize();
    if (record.Type != InputRecord::Kind::Key)
        return true;
    const bool consumed = OnKey ? OnKey(record.Key) : false;
    if (!consumed && record.Key.KeyDown && record.Key.VirtualKey == 0x1B)
        Terminated = true;
    return true;
}

bool TConsole::WaitForSocket(PollHandle handle, Readiness readiness, TimePoint deadline,
                             Purpose purpose) {
    // A key typed before the wait began calls it off as well.
    if (!TakeWaitEvents(purpose))
        return false;
    for (ScreenView* view : Views)
        view->Refresh();
    if (Dirty)
        Flush();
    {
        const HandleWatch watch(Events, handle, readiness);
        std::optional<TimePoint> until = deadline;
        if (const std::optional<TimePoint> input = Term.InputDeadline(); input && *input < deadline)
            until = input;
        Events.Wait(until);
    }
    return TakeWaitEvents(purpose);
}

bool TConsole::TakeWaitEvents(Purpose purpose) {
    if (Terminated)
        return false;
    Message message;
    while (Events.TakeMessage(message)) {
        if (message.Id == WmQuit) {
            Terminated = true;
            return false;
        }
        Events.Dispatch(message);
        if (Terminated)
            return false;
    }
    if (Events.IsMainThread())
        Events.RunQueuedCalls();
    InputRecord record;
    while (Term.ReadInput(record)) {
        if (record.Type == InputRecord::Kind::Resize) {
            Dirty = true; // the terminal lost what it showed
            continue;
        }
        const KeyEvent& key = record.Key;
        const bool keyDown = record.Type == InputRecord::Kind::Key && key.KeyDown;
        const bool f10 = keyDown && key.VirtualKey == VkF10;
        const bool escape = keyDown && key.VirtualKey == VkEscape && purpose == Purpose::Connect;
        // A plain Escape only calls the attempt off; F10 then quits, a modified Escape does
        // what it always does.
        const bool keep =
            !escape || (key.ControlKeyState & (ShiftPressed | CtrlPressed | AltPressed)) != 0;
        // The key that ends the wait is kept whatever came before it.
        if (keep && (Held.size() < HeldLimit || f10 || escape))
            Held.push_back(std::move(record));
        if (f10 || escape)
            return false;
    }
    return !Terminated;
}

int TConsole::DiscardTypeAhead() {
    // What a wait has read but not handled, and what the terminal has not yet told: both were
    // typed before the failure could be seen.
    InputRecord record;
    while (Term.ReadInput(record))
        Held.push_back(std::move(record));
    int discarded = 0;
    std::deque<InputRecord> kept;
    for (InputRecord& held : Held) {
        const bool keyDown = held.Type == InputRecord::Kind::Key && held.Key.KeyDown;
        if (keyDown && held.Key.VirtualKey == VkF10)
            kept.push_back(std::move(held));
        else if (keyDown || held.Type == InputRecord::Kind::Paste)
            ++discarded;
        else if (held.Type != InputRecord::Kind::Key)
            kept.push_back(std::move(held)); // focus, wheel and size changes still count
    }
    Held = std::move(kept);
    return discarded;
}

bool TConsole::SetFullScreen(bool on) {
    return Term.SetFullScreen(on);
}

std::string TConsole::PasteFromClipboard() {
    const auto text = Clip.GetText();
    if (!text)
        return {};
    // The clipboard's text ends at its first zero byte.
    return AnsiToConsole(text->substr(0, text->find('\0')));
}

void TConsole::CopyToClipboard(std::string_view text) {
    Clip.SetText(ConsoleToAnsi(text));
}

void TConsole::Flush() {
    for (ScreenView* view : Views)
        view->Refresh();
    Dirty = false;
    if (TitleChanged) {
        TitleChanged = false;
        if (Title != ShownTitle) {
            ShownTitle = Title;
            Term.SetTitle(Title);
        }
    }
    LastFlush = Events.Now();
    const TerminalSize size = Term.Size();
    if (Small) {
        Term.Present(SmallScreenNotice(std::min(size.Columns, MaxColumns),
                                       std::min(size.Rows, MaxRows)));
        return;
    }
    // A cursor whose cell is off the screen is hidden rather than shown at the edge.
    const bool known = size.Columns > 0 && size.Rows > 0;
    Buffer.CursorVisible =
        CursorWanted && Buffer.Contains(Buffer.CursorX, Buffer.CursorY) &&
        (!known || (Buffer.CursorX < size.Columns && Buffer.CursorY < size.Rows));
    Term.Present(Buffer);
}

} // namespace tolmix
