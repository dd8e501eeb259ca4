#pragma once

#include <array>
#include <cstdint>
#include <string_view>

namespace tolmix {

// The options of an alias, in the order of their keywords; each option's bit is 1 << value.
enum TAliasOption : uint8_t {
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

    constexpr bool Has(TAliasOption option) const { return (Bits & Bit(option)) != 0; }
    constexpr void Include(TAliasOption option) { Bits |= Bit(option); }
    constexpr void Exclude(TAliasOption option) { Bits &= static_cast<uint8_t>(~Bit(option)); }
    static constexpr uint8_t Bit(TAliasOption option) {
        return option == aoNone ? 0 : static_cast<uint8_t>(1u << option);
    }
    bool operator==(const TAliasOptions&) const = default;
};

// "full", "send", "easy": the options of a bare "alias:" header.
inline constexpr TAliasOptions DefaultAliasOptions{0x2A};

// The option that excludes the given one: full and part, send and edit, easy and pure.
TAliasOption OpposedAliasOption(TAliasOption option);
// The index (1 to 6) of the first keyword from "full" on that the word abbreviates; 0 when
// none does. So "e" is "edit", "p" is "part", and "easy" and "pure" need "ea" and "pu".
int FindAliasOption(std::string_view word);
// The options of a header line: the defaults, then every blank-separated word of the line
// that abbreviates a keyword sets its option and clears the opposed one; later words win.
TAliasOptions ParseAliasOptions(std::string_view line);

} // namespace tolmix
