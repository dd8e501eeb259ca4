#include "macros/TriggerSet.h"
#include "macros/RequiredText.h"
#include "text/CodePage.h"
#include "text/ColourBytes.h"

#include <algorithm>

namespace tolmix {

namespace {

constexpr size_t ShownPatternLimit = 60;
constexpr std::chrono::seconds GuardWindow{1};

uint16_t PairAt(std::string_view text, size_t i) {
    return static_cast<uint16_t>((static_cast<uint8_t>(text[i]) << 8) |
                                 static_cast<uint8_t>(text[i + 1]));
}

uint16_t QuadKey(uint32_t bytes) {
    return static_cast<uint16_t>((bytes * 2654435761u) >> 16);
}

uint32_t QuadAt(std::string_view text, size_t i) {
    uint32_t bytes = 0;
    for (size_t k = 0; k < 4; ++k)
        bytes = (bytes << 8) | static_cast<uint8_t>(text[i + k]);
    return bytes;
}

std::vector<std::string> CutAtWildcards(std::string_view pattern) {
    std::vector<std::string> pieces;
    size_t start = 0;
    for (;;) {
        const size_t star = pattern.find('*', start);
        pieces.emplace_back(pattern.substr(start, star - start));
        if (star == std::string_view::npos)
            return pieces;
        start = star + 1;
    }
}

// An easy pattern on a line, from offset on, with the semantics of its regular expression:
// every wildcard lazy, so each piece is found at its first place after the one before; a
// whole-line pattern ends with its last piece at the line's end.
bool MatchEasy(const std::vector<std::string>& pieces, bool wholeLine, std::string_view line,
               size_t from, RegexMatch& match) {
    const size_t last = pieces.size() - 1;
    match.Count = static_cast<int>(pieces.size());
    auto group = [&](size_t g, size_t start, size_t end) {
        match.Groups[g] = {static_cast<std::ptrdiff_t>(start), static_cast<std::ptrdiff_t>(end)};
    };
    size_t start = 0;
    size_t limit = line.size(); // where the pieces between the first and the last must end
    if (wholeLine) {
        const std::string& head = pieces.front();
        const std::string& tail = pieces.back();
        if (!line.starts_with(head))
            return false;
        if (last == 0)
            return line.size() == head.size() && (group(0, 0, line.size()), true);
        if (line.size() < head.size() + tail.size() || !line.ends_with(tail))
            return false;
        limit = line.size() - tail.size();
    } else {
        start = line.find(pieces.front(), from);
        if (start == std::string_view::npos)
            return false;
    }
    size_t pos = start + pieces.front().size();
    for (size_t k = 1; k <= last; ++k) {
        if (wholeLine && k == last) {
            group(k, pos, limit);
            pos = line.size();
            break;
        }
        const size_t found = line.find(pieces[k], pos);
        if (found == std::string_view::npos || found + pieces[k].size() > limit)
            return false;
        group(k, pos, found);
        pos = found + pieces[k].size();
    }
    group(0, start, pos);
    return true;
}

std::string SilencedMessage(const TriggerEntry& entry, std::string_view why) {
    std::string shown = ConsoleToAnsi(std::string_view(entry.Pattern).substr(0, ShownPatternLimit));
    for (char& c : shown) {
        if (static_cast<uint8_t>(c) >= 0x80 && static_cast<uint8_t>(c) <= 0x8F)
            c = '?';
    }
    if (entry.Pattern.size() > ShownPatternLimit)
        shown += "...";
    std::string line = "\x89\xD2\xF0\xE8\xE3\xE3\xE5\xF0 "; // "Триггер "
    line += entry.Name;
    line += " \"" + shown + "\" \xEE\xF2\xEA\xEB\xFE\xF7\xE5\xED: "; // отключён
    line += why;
    line += "\x87";
    return line;
}

// "триггеры одной строки заняли больше 20 мс"
std::string CutOffReason() {
    return "\xF2\xF0\xE8\xE3\xE3\xE5\xF0\xFB \xEE\xE4\xED\xEE\xE9 \xF1\xF2\xF0\xEE\xEA\xE8 "
           "\xE7\xE0\xED\xFF\xEB\xE8 \xE1\xEE\xEB\xFC\xF8\xE5 " +
           std::to_string(TriggerLineTime.count()) + " \xEC\xF1";
}

// "больше 100 команд за секунду"
std::string LoopReason() {
    return "\xE1\xEE\xEB\xFC\xF8\xE5 " + std::to_string(TriggerActionsPerSecond) +
           " \xEA\xEE\xEC\xE0\xED\xE4 \xE7\xE0 \xF1\xE5\xEA\xF3\xED\xE4\xF3";
}

} // namespace

std::vector<TriggerAction> CommandActions(const std::vector<TriggerCommand>& commands) {
    std::vector<TriggerAction> actions;
    const RegexMatch none;
    for (const TriggerCommand& command : commands) {
        TriggerAction action{command.Kind, {}};
        AliasTemplate(command.Template).Substitute({}, none, action.Text);
        actions.push_back(std::move(action));
    }
    return actions;
}

TriggerSet::TriggerSet(const TriggerFileContents& source, const Clock& steadyTime,
                       const Clock& cpuTime)
    : Source(source), SteadyTime(steadyTime), CpuTime(cpuTime) {}

size_t TriggerSet::ActiveTriggers() {
    Sync();
    return static_cast<size_t>(
        std::count_if(Triggers.begin(), Triggers.end(), [](const Armed& t) { return !t.Silent; }));
}

bool TriggerSet::Empty() {
    Sync();
    return Triggers.empty();
}

void TriggerSet::Sync() {
    if (Synced == Source.Generation)
        return;
    Synced = Source.Generation;
    Triggers.clear();
    Pairs.Clear();
    Quads.Clear();
    Always.clear();
    for (const TriggerEntry& entry : Source.Triggers) {
        Armed trigger;
        trigger.Entry = &entry;
        if (entry.Regex) {
            trigger.Hints = entry.Regex->Hints();
            const std::string required = RequiredText(entry.Pattern);
            if (required.size() >= 2)
                trigger.Fixed.push_back(required);
        } else {
            trigger.Pieces = CutAtWildcards(entry.Pattern);
            trigger.Fixed = trigger.Pieces;
        }
        for (const TriggerCommand& command : entry.Commands)
            trigger.Templates.emplace_back(command.Template);
        Triggers.push_back(std::move(trigger));
        Index(static_cast<uint32_t>(Triggers.size() - 1));
    }
    WhenTrue.assign(Source.Conditions.size(), false);
    SeenAt.assign(Triggers.size(), 0);
    Pairs.SeenAt.assign(Pairs.Lists.empty() ? 0 : 65536, 0);
    Quads.SeenAt.assign(Quads.Lists.empty() ? 0 : 65536, 0);
    LineNumber = 0;
}

size_t TriggerSet::KeyIndex::Listed(uint16_t key) const {
    if (!Keys[key])
        return 0;
    return Lists.find(key)->second.size();
}

void TriggerSet::KeyIndex::Add(uint16_t key, uint32_t number) {
    Lists[key].push_back(number);
    Keys.set(key);
}

void TriggerSet::KeyIndex::Clear() {
    Lists.clear();
    Keys.reset();
    SeenAt.clear();
}

void TriggerSet::Index(uint32_t number) {
    const Armed& trigger = Triggers[number];
    // Of the keys its fixed text offers, the one with the fewest triggers so far keeps the
    // lists short; four bytes are rarer than two, and a key with a blank is common.
    uint16_t best = 0;
    bool bestIsQuad = false;
    size_t bestCost = SIZE_MAX;
    auto consider = [&](uint16_t key, bool quad, size_t cost, std::string_view bytes) {
        if (bytes.find(' ') != std::string_view::npos)
            cost += 100000;
        if (cost < bestCost) {
            bestCost = cost;
            best = key;
            bestIsQuad = quad;
        }
    };
    for (const std::string& piece : trigger.Fixed) {
        for (size_t i = 0; i + 4 <= piece.size(); ++i) {
            const uint16_t key = QuadKey(QuadAt(piece, i));
            consider(key, true, Quads.Listed(key), std::string_view(piece).substr(i, 4));
        }
        for (size_t i = 0; i + 2 <= piece.size(); ++i) {
            const uint16_t key = PairAt(piece, i);
            consider(key, false, Pairs.Listed(key) + 1000000, std::string_view(piece).substr(i, 2));
        }
    }
    if (bestCost == SIZE_MAX)
        Always.push_back(number);
    else
        (bestIsQuad ? Quads : Pairs).Add(best, number);
}

void TriggerSet::Look(KeyIndex& index, uint16_t key) {
    if (!index.Keys[key] || index.SeenAt[key] == LineNumber)
        return;
    index.SeenAt[key] = LineNumber;
    for (const uint32_t number : index.Lists.find(key)->second) {
        if (SeenAt[number] != LineNumber) {
            SeenAt[number] = LineNumber;
            Found.push_back(number);
        }
    }
}

void TriggerSet::Candidates(std::string_view line) {
    Found.clear();
    if (++LineNumber == 0) {
        std::fill(SeenAt.begin(), SeenAt.end(), 0);
        std::fill(Pairs.SeenAt.begin(), Pairs.SeenAt.end(), 0);
        std::fill(Quads.SeenAt.begin(), Quads.SeenAt.end(), 0);
        LineNumber = 1;
    }
    auto add = [&](uint32_t number) {
        if (SeenAt[number] != LineNumber) {
            SeenAt[number] = LineNumber;
            Found.push_back(number);
        }
    };
    if (!Pairs.Lists.empty()) {
        for (size_t i = 0; i + 1 < line.size(); ++i)
            Look(Pairs, PairAt(line, i));
    }
    if (!Quads.Lists.empty() && line.size() >= 4) {
        uint32_t bytes = QuadAt(line, 0);
        for (size_t i = 4;; ++i) {
            Look(Quads, QuadKey(bytes));
            if (i >= line.size())
                break;
            bytes = (bytes << 8) | static_cast<uint8_t>(line[i]);
        }
    }
    if (!Always.empty()) {
        std::bitset<256> present;
        for (const char c : line)
            present.set(static_cast<uint8_t>(c));
        for (const uint32_t number : Always) {
            const Armed& trigger = Triggers[number];
            const RegexHints& hints = trigger.Hints;
            if (!trigger.Entry->Regex ||
                (line.size() >= hints.MinLength &&
                 (hints.FirstBytes.all() || (hints.FirstBytes & present).any()) &&
                 (hints.RequiredBytes.all() || (hints.RequiredBytes & present).any())))
                add(number);
        }
    }
    std::sort(Found.begin(), Found.end());
}

void TriggerSet::Silence(Armed& trigger, std::string_view why, TriggerVerdict& verdict) {
    trigger.Silent = true;
    verdict.Reports.push_back(SilencedMessage(*trigger.Entry, why));
}

bool TriggerSet::Find(Armed& trigger, std::string_view line, size_t from, RegexMatch& match,
                      TriggerVerdict& verdict) {
    if (!trigger.Entry->Regex)
        return MatchEasy(trigger.Pieces, !trigger.Entry->Options.Part, line, from, match);
    std::string failure;
    Scratch.ResetBudget();
    const RegexSearchResult result =
        trigger.Entry->Regex->Search(line, from, Scratch, match, failure);
    if (result == RegexSearchResult::Failed) {
        OutOfTime = Scratch.OutOfTime();
        Silence(trigger, OutOfTime ? CutOffReason() : failure, verdict);
    }
    return result == RegexSearchResult::Found;
}

void TriggerSet::Fire(Armed& trigger, std::string_view line, const RegexMatch& match,
                      TriggerVerdict& verdict) {
    if (trigger.Templates.empty())
        return;
    const TimePoint now = SteadyTime.Now();
    for (size_t k = 0; k < trigger.Templates.size(); ++k) {
        if (trigger.Recent.size() < TriggerActionsPerSecond) {
            trigger.Recent.push_back(now);
        } else {
            if (now - trigger.Recent[trigger.Next] < GuardWindow) {
                Silence(trigger, LoopReason(), verdict);
                return;
            }
            trigger.Recent[trigger.Next] = now;
            trigger.Next = (trigger.Next + 1) % TriggerActionsPerSecond;
        }
        TriggerAction action{trigger.Entry->Commands[k].Kind, {}};
        trigger.Templates[k].Substitute(line, match, action.Text);
        verdict.Actions.push_back(std::move(action));
    }
}

TriggerVerdict TriggerSet::Match(std::string_view line) {
    Sync();
    TriggerVerdict verdict;
    Candidates(line);
    if (Found.empty())
        return verdict;
    // Reading the processor clock costs more than trying an easy pattern, so the line's time
    // starts at the first pure pattern or the sixteenth trigger, and the clock is read again
    // every sixteen triggers; searches read it themselves every thousand steps or so.
    bool started = false;
    TimePoint deadline{};
    size_t sinceReading = 0;
    OutOfTime = false;
    for (size_t i = 0; i < Found.size() && !OutOfTime; ++i) {
        Armed& trigger = Triggers[Found[i]];
        if (trigger.Silent)
            continue;
        if ((!started && trigger.Entry->Regex) || ++sinceReading >= 16) {
            sinceReading = 0;
            const TimePoint now = CpuTime.Now();
            if (!started) {
                started = true;
                deadline = now + TriggerLineTime;
                Scratch.StopAt(CpuTime, deadline);
            } else if (now >= deadline) {
                Silence(trigger, CutOffReason(), verdict);
                break;
            }
        }
        RegexMatch match;
        if (!Find(trigger, line, 0, match, verdict))
            continue;
        const TriggerOptions& options = trigger.Entry->Options;
        if (options.Colour >= 0) {
            const auto colour = static_cast<uint8_t>(options.Colour);
            if (!options.Part) {
                verdict.Colours.push_back({0, line.size(), colour});
            } else {
                // Every match of a part pattern is coloured, each search after the one before.
                RegexMatch next = match;
                for (;;) {
                    const auto start = static_cast<size_t>(next.Groups[0].Start);
                    const auto end = static_cast<size_t>(next.Groups[0].End);
                    if (end > start)
                        verdict.Colours.push_back({start, end - start, colour});
                    const size_t from = end > start ? end : end + 1;
                    if (from > line.size() || !Find(trigger, line, from, next, verdict))
                        break;
                }
            }
        }
        verdict.Gag = verdict.Gag || options.Gag;
        if (trigger.Silent)
            continue; // failed or cut off while colouring
        Fire(trigger, line, match, verdict);
        if (options.Once)
            trigger.Silent = true;
    }
    if (verdict.Gag)
        verdict.Colours.clear();
    return verdict;
}

std::vector<TriggerAction> TriggerSet::Evaluate(const CharacterStatus& status) {
    Sync();
    std::vector<TriggerAction> actions;
    for (size_t i = 0; i < Source.Conditions.size(); ++i) {
        const WhenEntry& entry = Source.Conditions[i];
        const std::optional<bool> holds = entry.Condition.Holds(status);
        if (!holds)
            continue;
        if (*holds && !WhenTrue[i]) {
            for (TriggerAction& action : CommandActions(entry.Commands))
                actions.push_back(std::move(action));
        }
        WhenTrue[i] = *holds;
    }
    return actions;
}

} // namespace tolmix
