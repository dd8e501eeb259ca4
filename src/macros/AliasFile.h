#pragma once

#include "macros/AliasOptions.h"
#include "util/TolmixStringList.h"

#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

struct CompiledAlias;

// The most alias text (patterns and texts together) the client reads from its alias files:
// 256 KiB. Aliases past it are left out, so that no command waits long for them.
inline constexpr size_t AliasBytesLimit = size_t{256} << 10;

// One alias: its pattern as it will be compiled (already escaped, anchored and in the console
// code page) and its replacement template (the text lines joined by CR LF, console code page).
struct TAlias {
    TAliasOptions Options;
    std::string Pattern;
    std::string Text;
    // Text that every line the alias rewrites holds (a piece of an easy pattern without a
    // wildcard), at the line's start when NeedleAtStart: a command without it skips the alias
    // without compiling its pattern. Empty: no such text is known.
    std::string Needle;
    bool NeedleAtStart = false;

    // Filled when the alias is first tried and kept until the aliases are loaded anew.
    std::shared_ptr<const CompiledAlias> Compiled;
    // Set once the failure of this alias has been told, so that it is told only once.
    bool FailureReported = false;
};

// Aliases in file order; the first one that matches a line wins.
using TAliasArray = std::vector<TAlias>;

// True for a line whose first blank-separated word, in any letter case, is "alias:".
bool IsAliasHeader(std::string_view line);
// Every character of ^$.[()|?+*\{]} preceded by a backslash.
std::string EscapeRegex(std::string_view text);
// Each escaped wildcard "\*" of an escaped easy pattern, scanning left to right, becomes a
// lazy capturing group "(.*?)".
std::string WildcardsToGroups(std::string_view escaped);

// Whether the alias could rewrite the line, as far as its needle tells.
bool MayMatch(const TAlias& alias, std::string_view line);

// Appends every complete alias of an alias file (Windows-1251 lines) to aliases: a header
// line "alias: options...", the very next line as the pattern, and the lines up to the next
// header as the text. Lines before the first header are comments; an alias without a pattern
// or text is dropped. Nothing is compiled here. False when aliases were left out because
// those in the array reached AliasBytesLimit.
bool ParseAliasFile(TAliasArray& aliases, const TTolmixStringList& lines);

} // namespace tolmix
