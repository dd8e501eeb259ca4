#pragma once

#include "macros/AliasFile.h"
#include "platform/Clock.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// The two results of an expansion, in the console code page, lines joined by CR LF.
struct ExpandedText {
    std::string SendText; // for the server
    std::string EditText; // back into the input editor ("edit" aliases)
};

// Receives one Windows-1251 line for the output window (PrintLine), colour bytes included.
using AliasReportHook = std::function<void(const std::string& line)>;

// The processor time all the aliases of one command may spend together.
inline constexpr Milliseconds AliasCommandTime{50};

// The time limit of the commands expanded between two loadings of the aliases: the clock of
// the processor time the client's thread has spent, and whether a command cut off by it has
// been reported since the aliases were loaded.
struct AliasTimeLimit {
    explicit AliasTimeLimit(const Clock& cpuTime) : CpuTime(cpuTime) {}
    const Clock& CpuTime;
    bool CutOffReported = false;
};

// Rewrites a submitted text line by line: the first alias whose pattern matches a line
// replaces every match in it through its template, once (the result is not expanded again).
// A rewritten line goes to EditText when its alias has "edit", every other line to SendText.
//
// An alias whose pattern does not compile, or whose search a limit stops, counts as not
// matching; the first time that happens report receives one red line naming the pattern and
// the engine's message, and the alias stays silent until the aliases are loaded anew.
//
// With a time limit, once the command's aliases have spent AliasCommandTime the alias being
// tried is cut off and the rest of the command goes as it was typed; the first command cut off
// after a loading reports one red line naming that alias.
ExpandedText ExpandAliases(TAliasArray& aliases, std::string_view text,
                           const AliasReportHook& report = {}, AliasTimeLimit* limit = nullptr);

// The lines of a text broken at CR LF, CR or LF; an empty text has none and a final break
// adds no empty line.
std::vector<std::string_view> SplitLines(std::string_view text);
// Removes one CR LF from the end of a text that ends with one.
void StripTrailingLineBreak(std::string& text);
// The red line that tells the user that an alias failed; pattern in the console code page.
std::string AliasFailureMessage(std::string_view pattern, std::string_view error);

} // namespace tolmix
