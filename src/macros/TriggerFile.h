#pragma once

// A trigger file as the client reads it: three kinds of entries, each a header line and the
// lines up to the next header.
//
//   trigger: [full|part] [easy|pure] [gag] [colour=N] [once]
//   <pattern>
//   <commands>
//
//   timer: <seconds>
//   <commands>
//
//   when: <status> <|<=|>|>= <number>[%]
//   <commands>
//
// Lines before the first header are comments. Everything is kept in the console code page.
#include "macros/AliasRegex.h"
#include "macros/StatusCondition.h"
#include "util/TolmixStringList.h"

#include <chrono>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// What a command line of an entry asks for: a command sent as if typed, or one of the
// client's own actions, "#echo <text>" (a line printed locally) and "#play <music string>".
enum class TriggerActionKind { Send, Echo, Play };

// One command of an entry: the command lines broken at every "|" that no "\" precedes, each
// piece read as a template like an alias text ($1..$9, ${n}, $&, \c). Text after "#echo " or
// "#play " only, for those.
struct TriggerCommand {
    TriggerActionKind Kind = TriggerActionKind::Send;
    std::string Template;
};

struct TriggerOptions {
    bool Part = false; // the pattern may match anywhere (else the whole line)
    bool Pure = false; // the pattern is a regular expression (else plain text with "*")
    bool Gag = false;  // the matched line is not shown
    bool Once = false; // the trigger is removed after it fires
    int Colour = -1;   // console colour 0..15 of the matched text; -1 for none
};

struct TriggerEntry {
    TriggerOptions Options;
    std::string Pattern; // as written, console code page
    // The compiled pattern of a pure trigger (anchored for a whole-line one); null for easy.
    std::shared_ptr<const AliasRegex> Regex;
    std::vector<TriggerCommand> Commands;
    std::string Name; // "file:line" of the header, Windows-1251, for the messages
};

// The shortest and the longest period of a timer.
inline constexpr std::chrono::seconds ShortestTimer{1};
inline constexpr std::chrono::seconds LongestTimer{86400};

struct TimerEntry {
    std::chrono::seconds Period{ShortestTimer};
    std::vector<TriggerCommand> Commands;
    std::string Name;
};

struct WhenEntry {
    StatusCondition Condition;
    std::vector<TriggerCommand> Commands;
    std::string Name;
};

// The most pattern and command text the client reads from its trigger files: 256 KiB.
inline constexpr size_t TriggerBytesLimit = size_t{256} << 10;
// Problems told per load at most; one more line counts the rest.
inline constexpr size_t TriggerProblemsShown = 20;

// Everything the trigger files of the settings hold, in file order. Generation changes at
// every load, so that the engine knows when to take the entries anew.
struct TriggerFileContents {
    std::vector<TriggerEntry> Triggers;
    std::vector<TimerEntry> Timers;
    std::vector<WhenEntry> Conditions;
    size_t Bytes = 0;
    uint64_t Generation = 0;
    // Problems beyond TriggerProblemsShown, not yet counted in a line.
    size_t ProblemsHidden = 0;

    void Clear();
};

// Appends the entries of one trigger file (Windows-1251 lines) named fileName in messages.
// Each bad entry (a bad option word, a pattern that does not compile, with the engine's
// message, a bad timer period or condition, an entry without pattern or commands) is left out
// and described in problems by one red Windows-1251 line naming the file and the line; the
// others are kept. False when entries were left out because the contents reached
// TriggerBytesLimit.
bool ParseTriggerFile(TriggerFileContents& contents, const TTolmixStringList& lines,
                      std::string_view fileName, std::vector<std::string>& problems);

// The line that counts the problems not shown, once ProblemsHidden is above 0.
std::string HiddenProblemsMessage(size_t hidden);

// The kind of a header line: its first blank-separated word, in any letter case.
enum class TriggerHeader { None, Trigger, Timer, When };
TriggerHeader TriggerHeaderOf(std::string_view line);

// The options of a trigger header (without its first word); false, with the offending word in
// badWord, when a word is no option.
bool ParseTriggerOptions(std::string_view words, TriggerOptions& options, std::string& badWord);

// One command line broken into commands (console code page).
std::vector<TriggerCommand> ParseTriggerCommands(std::string_view line);

} // namespace tolmix
