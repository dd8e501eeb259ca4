#pragma once

#include "platform/Clock.h"

#include <array>
#include <bitset>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

namespace tolmix {

// Capture groups an alias pattern may hold; group 0 is the whole match.
inline constexpr int MaxAliasGroups = 14;

// Every search stops after this many backtracking steps from one start position (about a
// millisecond), nests at most this deep and uses at most this much heap, so a pattern that
// backtracks catastrophically fails instead of freezing the client.
inline constexpr uint32_t AliasMatchLimit = 100000;
inline constexpr uint32_t AliasDepthLimit = 50000;
inline constexpr uint32_t AliasHeapLimitKiB = 32768;
// The limits above hold for each start position, so on a long line a pattern could stay under
// them at every position and still take seconds. All searches of one pattern on one line
// together stop after this many pattern items tried (some 15 ms); a lazy wildcard over a line
// costs about two per byte.
inline constexpr uint64_t AliasStepBudget = 1000000;
// Longer patterns are refused when compiled.
inline constexpr size_t AliasPatternLimit = 65536;

// The groups of one match as byte offsets into the subject; Start < 0 marks a group that took
// no part in the match.
struct RegexMatch {
    struct Group {
        std::ptrdiff_t Start = -1;
        std::ptrdiff_t End = -1;
    };
    std::array<Group, MaxAliasGroups + 1> Groups;
    int Count = 0; // groups filled in, the whole match included
};

enum class RegexSearchResult { Found, NotFound, Failed };

// Working memory of the engine, reused from one search to the next, with the step budget
// that the searches share until ResetBudget; one per expansion.
class RegexScratch {
  public:
    RegexScratch();
    ~RegexScratch();
    RegexScratch(const RegexScratch&) = delete;
    RegexScratch& operator=(const RegexScratch&) = delete;

    // Gives the following searches AliasStepBudget steps together.
    void ResetBudget();
    // Every search from now on also stops once cpuTime reaches deadline (looked at every few
    // thousand steps), until the scratch is dropped.
    void StopAt(const Clock& cpuTime, TimePoint deadline);
    // Whether the last failed search was stopped by that deadline.
    bool OutOfTime() const;

    struct Data;
    Data& Get() { return *Impl; }

  private:
    std::unique_ptr<Data> Impl;
};

// An alias pattern compiled once with the semantics aliases rely on: byte strings,
// case-sensitive, "^" and "$" only at the ends of the subject, "." matching any byte, the
// ASCII word class [0-9A-Za-z_] and the space class of blank, tab, LF, CR and form feed.
// Copies share the compiled code, which the engine never changes.
// What every match of a pattern needs, as the engine works it out when compiling: a line
// without it is skipped without searching.
struct RegexHints {
    // One of these bytes starts every match (all set when the engine knows none).
    std::bitset<256> FirstBytes;
    // Every match holds one of these bytes (all set when the engine knows none).
    std::bitset<256> RequiredBytes;
    size_t MinLength = 0;
};

class AliasRegex {
  public:
    explicit AliasRegex(std::string_view pattern);

    bool Ok() const { return Code != nullptr; }
    // The engine's message when the pattern does not compile, with its position.
    const std::string& Error() const { return ErrorText; }
    int CaptureCount() const { return Captures; }
    // Nothing is known of a pattern that does not compile. The letters of a known byte count
    // in both ASCII cases, for a pattern that ignores case.
    RegexHints Hints() const;

    // The leftmost match that starts at or after offset; the text before offset still counts
    // for lookbehind, and "^" matches only at the start of the subject. Failed when a limit
    // stopped the search (or the pattern did not compile), with the engine's message in
    // failure.
    RegexSearchResult Search(std::string_view subject, size_t offset, RegexScratch& scratch,
                             RegexMatch& match, std::string& failure) const;

  private:
    struct CompiledCode;
    std::shared_ptr<const CompiledCode> Code;
    std::string ErrorText;
    int Captures = 0;
};

} // namespace tolmix
