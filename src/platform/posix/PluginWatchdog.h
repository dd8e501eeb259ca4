#pragma once

#include "platform/PluginCallWatch.h"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <string>
#include <thread>

namespace tolmix::posix {

// A thread that keeps the program endable while the main thread runs plugin code that does not
// return (a busy loop, a long sleep, ProcessIdle called for ever):
// - main thread inside plugin code, without a pass of the client's loop for StuckAfter: the
//   watchdog reads the terminal itself, and F10 there ends the program;
// - a quit signal (SIGTERM, SIGHUP, SIGINT), or the client's loop ended from inside plugin code,
//   while plugin code is still running Grace later: the program ends.
// Ending is `End`: put the terminal back and leave the process at once (_exit). It sleeps while
// no plugin code runs, and wakes only every StuckAfter while some does.
class PluginWatchdog final : public PluginCallWatch {
  public:
    using Duration = std::chrono::milliseconds;
    static constexpr Duration DefaultStuckAfter{500};
    static constexpr Duration DefaultGrace{1000};

    // `terminalInput`: the terminal's input descriptor, read only while the main thread is
    // stuck. `end`: called on the watchdog's thread with the reason; it is meant not to return
    // (should it, the watchdog watches no more).
    PluginWatchdog(int terminalInput, std::function<void(const std::string&)> end,
                   Duration stuckAfter = DefaultStuckAfter, Duration grace = DefaultGrace);
    ~PluginWatchdog() override;
    PluginWatchdog(const PluginWatchdog&) = delete;
    PluginWatchdog& operator=(const PluginWatchdog&) = delete;

    // Whether the thread runs (false when its pipe could not be made).
    bool Active() const { return Thread.joinable(); }
    // The write end to give PosixEventLoop::SetQuitSignalWatch.
    int QuitSignalFd() const { return SignalWrite; }

    void Enter() override;
    void Leave() override;
    void PassBegins() override;
    void PassEnds() override;
    void QuitPending() override;

  private:
    void Run();
    void Wake();
    bool InsidePlugin() const { return Depth.load() > Passes.load(); }
    // Reads what the terminal sent; true when F10 was among it.
    bool ReadTerminalForF10();

    int TerminalInput;
    std::function<void(const std::string&)> End;
    Duration StuckAfter;
    Duration Grace;
    // Main thread's state: plugin calls and loop passes on its stack, and a count of every
    // change, so that the watchdog sees whether it moved.
    std::atomic<int> Depth{0};
    std::atomic<int> Passes{0};
    std::atomic<uint64_t> Beats{0};
    std::atomic<bool> Quitting{false};
    // The watchdog sleeps without a time-out and wants a byte when plugin code starts.
    std::atomic<bool> Sleeping{false};
    std::atomic<bool> Stopping{false};
    int WakeRead = -1;
    int WakeWrite = -1;
    int SignalRead = -1;
    int SignalWrite = -1;
    std::string Pending; // the terminal's bytes read while stuck, the tail kept for a split key
    std::thread Thread;
};

} // namespace tolmix::posix
