#include "ui/InputLoop.h"

#include "platform/HandleWatch.h"
#include "text/CodePage.h"
#include "ui/QuitPolicy.h"

#include <cstdlib>
#include <optional>

namespace tolmix {

namespace {

// While lines stream in, the screen is shown at most this often.
constexpr auto StreamingFlushInterval = Milliseconds(16);
// Rows of output one notch of the mouse wheel scrolls, as terminals commonly do.
constexpr int64_t WheelRows = 3;
// Input kept during one network wait at most; a flood beyond is read and dropped.
constexpr std::size_t HeldLimit = 4096;
// While lines stream in, one pass takes this many at most: the loop's own work (messages,
// timers, keys, the screen) is done once for them all, and a key waits no longer than a few
// lines' handling.
constexpr int IdleStepsPerPass = 32;

} // namespace

class InputLoop::Serving {
  public:
    Serving(InputLoop& loop, LoopClient& client) : Loop(loop), Before(loop.Current) {
        Loop.Current = &client;
    }
    ~Serving() { Loop.Current = Before; }
    Serving(const Serving&) = delete;
    Serving& operator=(const Serving&) = delete;

  private:
    InputLoop& Loop;
    LoopClient* Before;
};

InputLoop::InputLoop(Terminal& terminal, EventLoop& loop, ConsoleScreen& screen)
    : Term(terminal), Events(loop), Screen(screen) {}

void InputLoop::Run(LoopClient& client) {
    while (!Terminated)
        Step(client);
    Show();
}

void InputLoop::Step(LoopClient& client, bool runIdle) {
    const Serving serving(*this, client);
    ProcessPending(client);
    if (Terminated)
        return;
    if (Events.IsMainThread() && Events.RunQueuedCalls())
        return;
    Screen.RefreshViews();
    // Show the screen before sleeping; while lines keep coming, at a bounded rate.
    const TimePoint now = Events.Now();
    if (Screen.Changed() && (!IdleBusy || now - LastShown >= StreamingFlushInterval))
        Show();
    if (!IdleBusy)
        Events.Wait(Term.InputDeadline());
    IdleBusy = runIdle ? RunIdle(client) : false;
}

bool InputLoop::RunIdle(LoopClient& client) {
    for (int step = 0; step < IdleStepsPerPass; ++step) {
        if (!client.Idle())
            return false;
        // A line may end the loop (a plugin asked to quit): the rest waits for no one.
        if (Terminated)
            return false;
    }
    return true;
}

void InputLoop::Pass(LoopClient& client, bool runIdle) {
    const Serving serving(*this, client);
    // A wait that ends now looks at the terminal, the socket and the timers without sleeping.
    Events.Wait(Events.Now());
    ProcessPending(client);
    if (Terminated)
        return;
    if (Events.IsMainThread())
        Events.RunQueuedCalls();
    Screen.RefreshViews();
    if (Screen.Changed() && Events.Now() - LastShown >= StreamingFlushInterval)
        Show();
    if (runIdle)
        IdleBusy = client.Idle();
}

void InputLoop::ProcessPending(LoopClient& client) {
    while (!Terminated) {
        if (ProcessMessage())
            continue;
        if (ProcessInput(client))
            continue;
        break;
    }
}

void InputLoop::ProcessPending() {
    if (Current) {
        ProcessPending(*Current);
        return;
    }
    while (!Terminated) {
        if (ProcessMessage())
            continue;
        InputRecord record;
        if (!Term.ReadInput(record))
            break;
        if (Held.size() < HeldLimit)
            Held.push_back(std::move(record));
    }
}

bool InputLoop::ProcessMessage() {
    Message message;
    if (!Events.TakeMessage(message))
        return false;
    if (message.Id == WmQuit)
        Terminated = true;
    else
        Events.Dispatch(message);
    return true;
}

bool InputLoop::NextInput(InputRecord& record) {
    if (Held.empty())
        return Term.ReadInput(record);
    record = std::move(Held.front());
    Held.pop_front();
    return true;
}

bool InputLoop::ProcessInput(LoopClient& client) {
    InputRecord record;
    if (!NextInput(record))
        return false;
    switch (record.Type) {
    case InputRecord::Kind::Paste:
        client.Paste(AnsiToConsole(record.Text), record.LeftOut);
        return true;
    case InputRecord::Kind::Wheel:
        if (record.Wheel != 0)
            client.Wheel(record.Wheel > 0, WheelRows * std::abs(int64_t{record.Wheel}));
        return true;
    case InputRecord::Kind::Mouse:
        client.Mouse(record.Mouse);
        return true;
    case InputRecord::Kind::Resize:
        if (Screen.FollowTerminalSize()) {
            client.ScreenResized();
            // The new frame goes out at once, not at the streaming rate: the terminal shows a
            // broken screen until it comes.
            LastShown = TimePoint{};
        }
        return true;
    case InputRecord::Kind::Focus:
        return true;
    case InputRecord::Kind::Key:
        break;
    }
    if (!client.HandleKey(record.Key) && EndsLoopUnconsumed(record.Key))
        Terminated = true;
    return true;
}

void InputLoop::Show() {
    LastShown = Events.Now();
    Screen.Show();
}

void InputLoop::ShowScreen() {
    Show();
}

bool InputLoop::WaitForSocket(PollHandle handle, Readiness readiness, TimePoint deadline,
                              Purpose purpose) {
    // A key typed before the wait began calls it off as well.
    if (!TakeWaitEvents(purpose))
        return false;
    Screen.RefreshViews();
    if (Screen.Changed())
        Show();
    {
        const HandleWatch watch(Events, handle, readiness);
        std::optional<TimePoint> until = deadline;
        if (const std::optional<TimePoint> input = Term.InputDeadline(); input && *input < deadline)
            until = input;
        Events.Wait(until);
    }
    return TakeWaitEvents(purpose);
}

bool InputLoop::TakeWaitEvents(Purpose purpose) {
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
            Screen.Invalidate(); // the terminal lost what it showed
            continue;
        }
        const WaitVerdict verdict = DuringNetworkWait(record, purpose);
        // The key that ends the wait is kept whatever came before it.
        if (verdict.Kept && (Held.size() < HeldLimit || verdict.CallsOff))
            Held.push_back(std::move(record));
        if (verdict.CallsOff)
            return false;
    }
    return !Terminated;
}

int InputLoop::DiscardTypeAhead() {
    // What a wait has read but not handled, and what the terminal has not yet told: both were
    // typed before the failure could be seen.
    InputRecord record;
    while (Term.ReadInput(record))
        Held.push_back(std::move(record));
    int discarded = 0;
    std::deque<InputRecord> kept;
    for (InputRecord& held : Held) {
        switch (AfterFailedSend(held)) {
        case TypeAhead::Kept:
            kept.push_back(std::move(held));
            break;
        case TypeAhead::Discarded:
            ++discarded;
            break;
        case TypeAhead::Dropped:
            break;
        }
    }
    Held = std::move(kept);
    return discarded;
}

} // namespace tolmix
