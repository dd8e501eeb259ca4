#pragma once

// An alias file as the client reads it: the header line with its options, the pattern line made
// into the pattern that will be compiled, and the text lines up to the next header.
#include "util/TolmixStringList.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

struct CompiledAlias;

// The options of an alias, in the order of their keywords; each option's bit is 1 << value.
enum AliasOption : uint8_t {
    aoNone, // names the empty choice; no word selects it
    aoFull, // the pattern must match the whole line
    aoPart, // the pattern may match anywhere; every match is replaced
    aoSend, // the rewritten line goes to the server
    aoEdit, // the rewritten line goes back into the input editor
    aoEasy, // the pattern is plain text with "*" as wildcard
    aoPure, // the pattern is a regular expression as written
};

inline constexpr std::array<std::string_view, 7> AliasOptionNames = {"none", "full", "part", "send",
                                                                     "edit", "easy", "pure"};

// A set of alias options in one byte.
struct TAliasOptions {
    uint8_t Bits = 0;

    constexpr bool Has(AliasOption option) const { return (Bits & Bit(option)) != 0; }
    constexpr void Include(AliasOption option) { Bits |= Bit(option); }
    constexpr void Exclude(AliasOption option) { Bits &= static_cast<uint8_t>(~Bit(option)); }
    static constexpr uint8_t Bit(AliasOption option) {
        return option == aoNone ? 0 : static_cast<uint8_t>(1u << option);
    }
    bool operator==(const TAliasOptions&) const = default;
};

// "full", "send", "easy": the options of a bare "alias:" header.
inline constexpr TAliasOptions DefaultAliasOptions{0x2A};

// The option that excludes the given one: full and part, send and edit, easy and pure.
AliasOption OpposedAliasOption(AliasOption option);
// The index (1 to 6) of the first keyword from "full" on that the word abbreviates; 0 when
// none does. So "e" is "edit", "p" is "part", and "easy" and "pure" need "ea" and "pu".
int FindAliasOption(std::string_view word);
// The options of a header line: the defaults, then every blank-separated word of the line
// that abbreviates a keyword sets its option and clears the opposed one; later words win.
TAliasOptions ParseAliasOptions(std::string_view line);

// Words of an alias header are separated by blanks (0x20) only; a tab belongs to its word.

// The characters after the leading blanks up to the next blank or the end; empty when only
// blanks remain.
std::string FirstWord(std::string_view text);
// Removes the leading blanks, the first word and the blanks after it.
void DropFirstWord(std::string& text);
// The same on a view, which only moves its start: a walk over a long line stays linear.
void DropFirstWord(std::string_view& text);
// True when word is not empty, no longer than keyword and equal to its first characters,
// ignoring the case of ASCII letters.
bool IsAbbreviation(std::string_view word, std::string_view keyword);

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
