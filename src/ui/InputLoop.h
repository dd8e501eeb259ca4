#pragma once

#include "net/NetworkWait.h"
#include "platform/EventLoop.h"
#include "platform/MessagePump.h"
#include "platform/Terminal.h"
#include "ui/ConsoleScreen.h"
#include "ui/LoopClient.h"
#include "ui/LoopExit.h"

#include <deque>

namespace tolmix {

// The client's one input loop: posted messages, due timers, calls from other threads, the
// terminal's input and the idle step, with the screen shown before every sleep. It is also
// where the connection waits for the network; a wait needs no client, because it only keeps
// the input it reads for the loop to hand to the client afterwards. The client is given to
// the passes that dispatch to it.
class InputLoop final : public MessagePump, public NetworkWait, public LoopExit {
  public:
    InputLoop(Terminal& terminal, EventLoop& loop, ConsoleScreen& screen);
    InputLoop(const InputLoop&) = delete;
    InputLoop& operator=(const InputLoop&) = delete;

    // Passes until the loop ends, then shows the screen once more.
    void Run(LoopClient& client);
    // One pass of the loop; the idle step (which receives from the server) only when
    // `runIdle`.
    void Step(LoopClient& client, bool runIdle = true);
    // One pass that handles whatever is pending (messages, due timers, keys, the screen at the
    // streaming rate and, when `runIdle`, the idle step) and never sleeps: what a plugin's long
    // work runs between its chunks.
    void Pass(LoopClient& client, bool runIdle = true);
    // Every message and input record that is waiting, without sleeping.
    void ProcessPending(LoopClient& client);

    // The pump as code that waits inside a handler runs it: the input goes to the client of the
    // pass in progress; outside a pass (before the loop starts, after it ends) it is kept for
    // the loop.
    void ProcessPending() override;
    EventLoop& Loop() override { return Events; }
    void EndLoop() override { Terminated = true; }
    bool LoopEnded() const override { return Terminated; }

    void ShowScreen() override;
    // A wait for the network: timers and messages run, the screen is kept shown, and input
    // is read and held for the loop to handle afterwards; the quit policy says which keys
    // call the wait off. A quit request ends the loop.
    bool WaitForSocket(PollHandle handle, Readiness readiness, TimePoint deadline,
                       Purpose purpose) override;
    TimePoint Now() const override { return Events.Now(); }
    int DiscardTypeAhead() override;

  private:
    // The client a pass dispatches to, for as long as the pass runs.
    class Serving;

    bool ProcessMessage();
    // The idle step again while it has more at once, a bounded number of times; true when
    // more is still waiting.
    bool RunIdle(LoopClient& client);
    bool ProcessInput(LoopClient& client);
    // Reads the next record: what a wait held first, then the terminal.
    bool NextInput(InputRecord& record);
    // Takes what arrived during a network wait; false when it calls the wait off.
    bool TakeWaitEvents(Purpose purpose);
    void Show();

    Terminal& Term;
    EventLoop& Events;
    ConsoleScreen& Screen;
    bool Terminated = false;
    bool IdleBusy = false;
    LoopClient* Current = nullptr; // set by Serving only
    // Input read during a network wait, handled by the loop afterwards.
    std::deque<InputRecord> Held;
    TimePoint LastShown{};
};

} // namespace tolmix
