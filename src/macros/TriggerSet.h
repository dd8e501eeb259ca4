#pragma once

// The triggers of the running client: what a line of server text sets off, and the status
// conditions.
#include "macros/CompiledAlias.h"
#include "macros/TriggerFile.h"
#include "net/CharacterStatus.h"
#include "platform/Clock.h"

#include <bitset>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace tolmix {

// A command to send as if typed, a line to print locally or a music string to play; console
// code page (an echo keeps its colour bytes 0x10..0x1F).
struct TriggerAction {
    TriggerActionKind Kind = TriggerActionKind::Send;
    std::string Text;
    bool operator==(const TriggerAction&) const = default;
};

// A stretch of the line drawn in console colour Colour (0..15).
struct TriggerColourSpan {
    size_t Start = 0;
    size_t Length = 0;
    uint8_t Colour = 0;
    bool operator==(const TriggerColourSpan&) const = default;
};

// What one line sets off.
struct TriggerVerdict {
    bool Gag = false; // the line stays out of the output window (never with colours)
    // In file order; a later span is drawn over an earlier one.
    std::vector<TriggerColourSpan> Colours;
    std::vector<TriggerAction> Actions;
    // Red Windows-1251 lines for the output window: a trigger cut off, stopped or failing.
    std::vector<std::string> Reports;
};

// The processor time the triggers of one line may spend together.
inline constexpr Milliseconds TriggerLineTime{20};
// A trigger that sets off more actions than this within one second is stopped.
inline constexpr size_t TriggerActionsPerSecond = 100;

// The actions of commands without a match ($1 and the like insert nothing): for timers.
std::vector<TriggerAction> CommandActions(const std::vector<TriggerCommand>& commands);

// The engine over the entries that MacroSet loads. It takes them anew, with fresh state,
// whenever their Generation changes (a reload).
class TriggerSet {
  public:
    // steadyTime measures the loop guard's second; cpuTime the processor time of the client's
    // thread, for TriggerLineTime.
    TriggerSet(const TriggerFileContents& source, const Clock& steadyTime, const Clock& cpuTime);

    // A line of server text, colours taken off, console code page. Every trigger that matches
    // fires, in file order: its commands expanded with the match ($1..$14, ${n}, $& as in alias
    // texts; the captures never break a command into two).
    //
    // A pure pattern that fails (a search limit) is told once and stays silent until the next
    // load. Once the line's triggers have spent TriggerLineTime, the trigger being tried is cut
    // off (told once and silent until the next load) and the rest wait for the next line. A
    // trigger that fires more than TriggerActionsPerSecond actions within a second is stopped
    // the same way, its actions from there on dropped.
    TriggerVerdict Match(std::string_view line);
    // Whether the entries hold no trigger at all: then Match finds nothing in any line.
    bool Empty();

    // The actions of the conditions that have become true since the last call; a condition
    // fires again only after a call has found it false. A value the server never sent leaves
    // its conditions as they were.
    std::vector<TriggerAction> Evaluate(const CharacterStatus& status);

    // The timers of the entries, to schedule from the connection on.
    const std::vector<TimerEntry>& Timers() const { return Source.Timers; }
    // Changes with every load of the entries (the timers' schedule is then made anew).
    uint64_t Generation() const { return Source.Generation; }

    size_t ActiveTriggers();

  private:
    struct KeyIndex;
    struct Armed {
        const TriggerEntry* Entry = nullptr;
        std::vector<std::string> Pieces; // an easy pattern cut at its wildcards
        std::vector<std::string> Fixed;  // texts every matching line holds
        std::vector<AliasTemplate> Templates;
        RegexHints Hints;
        bool Silent = false; // removed (once), stopped, failed or cut off
        // The times of its latest actions, oldest first from Next once full.
        std::vector<TimePoint> Recent;
        size_t Next = 0;
    };

    void Sync();
    void Index(uint32_t number);
    void Candidates(std::string_view line);
    void Look(KeyIndex& index, uint16_t key);
    bool Find(Armed& trigger, std::string_view line, size_t from, RegexMatch& match,
              TriggerVerdict& verdict);
    void Fire(Armed& trigger, std::string_view line, const RegexMatch& match,
              TriggerVerdict& verdict);
    void Silence(Armed& trigger, std::string_view why, TriggerVerdict& verdict);

    const TriggerFileContents& Source;
    const Clock& SteadyTime;
    const Clock& CpuTime;
    uint64_t Synced = ~uint64_t{0};
    std::vector<Armed> Triggers;
    std::vector<bool> WhenTrue;

    // Triggers listed under a short key made from bytes every line they match holds: two bytes
    // as they stand, or four hashed. A line looks up the keys of its own bytes.
    struct KeyIndex {
        std::unordered_map<uint16_t, std::vector<uint32_t>> Lists;
        std::bitset<65536> Keys;
        std::vector<uint32_t> SeenAt; // per key: the line it was last looked up
        size_t Listed(uint16_t key) const;
        void Add(uint16_t key, uint32_t number);
        void Clear();
    };
    // Where to look for a trigger: by two or four bytes of its fixed text, or, with no such
    // text, on every line its hints allow.
    KeyIndex Pairs;
    KeyIndex Quads;
    std::vector<uint32_t> Always;
    std::vector<uint32_t> Found;  // the candidates of the current line
    std::vector<uint32_t> SeenAt; // per trigger: the line it was last made a candidate
    uint32_t LineNumber = 0;
    RegexScratch Scratch;
    bool OutOfTime = false; // the line's time ran out in a search
};

} // namespace tolmix
