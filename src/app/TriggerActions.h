#pragma once

// What the triggers set off in the running client: the colours and gags of a received line,
// the commands they send through the aliases, the lines they print, the music they play, and
// the timers that run while connected.
#include "macros/MacroSet.h"
#include "macros/TriggerSet.h"
#include "music/SoundCommands.h"
#include "net/ServerConnection.h"
#include "net/ServerLinePrinter.h"
#include "platform/EventLoop.h"
#include "platform/Timer.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// The event loop's clock as a Clock: the triggers' loop guard counts its second on it.
class LoopTime final : public Clock {
  public:
    explicit LoopTime(const EventLoop& loop) : Loop(loop) {}
    TimePoint Now() const override { return Loop.Now(); }

  private:
    const EventLoop& Loop;
};

// The longest music string a trigger may play; a longer one is refused with one red line.
inline constexpr size_t TriggerMusicLimit = size_t{64} << 10;

// The console text of a line (colour bytes and background marks as the server's colours made
// them) with the spans drawn in their console colours over the server's foreground; spans
// count the bytes of the line without its colours. `attrBefore` is the attribute in force
// before the line. The attribute in force after the line stays what the line alone leaves.
std::string ColourLine(std::string_view consoleText, const std::vector<TriggerColourSpan>& spans,
                       uint16_t attrBefore);

// Where the actions go: commands through the aliases to the link, lines and reports to the
// printer (never taken for server text), music to the player's queue; timers on the loop.
struct TriggerTargets {
    CommandRewriter& Aliases;
    ServerConnection& Link;
    ServerLinePrinter& Printer;
    SoundCommands& Sound;
    EventLoop& Loop;
};

class TriggerActions {
  public:
    TriggerActions(TriggerSet& triggers, TriggerTargets targets);
    ~TriggerActions();
    TriggerActions(const TriggerActions&) = delete;
    TriggerActions& operator=(const TriggerActions&) = delete;

    // A line of server text in the console code page, colours included.
    TriggerVerdict Match(std::string_view consoleText);
    // A verdict's reports, then its actions, in order.
    void Run(const TriggerVerdict& verdict);
    void Run(const std::vector<TriggerAction>& actions);
    // The status changed: the conditions that became true fire.
    void StatusChanged(const CharacterStatus& status);

    // The timers run from a connection's start to its end, and start anew with every reload of
    // the trigger files while connected.
    void Connected();
    void Disconnected();
    void Reloaded();
    size_t RunningTimers() const;

  private:
    void StopTimers();

    TriggerSet& Triggers;
    TriggerTargets Targets;
    std::vector<std::unique_ptr<Timer>> Timers;
    uint64_t Scheduled = 0; // the generation the timers were made for
    bool Online = false;
};

// The key step of the macros, telling the triggers when Tab has read the files anew.
class TriggerReloads final : public KeyMacroStep {
  public:
    TriggerReloads(KeyMacroStep& macros, TriggerActions& actions)
        : Macros(macros), Actions(actions) {}
    KeyMacroResult RunKeyMacro(const KeyEvent& key) override { return Macros.RunKeyMacro(key); }
    void LoadMacrosAndAliases() override {
        Macros.LoadMacrosAndAliases();
        Actions.Reloaded();
    }

  private:
    KeyMacroStep& Macros;
    TriggerActions& Actions;
};

} // namespace tolmix
