#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// Escape sequences that carry text from outside (a server, a settings file, the user's
// clipboard) to the terminal. Whatever the text holds, the sequence stays one sequence.
namespace tolmix::vt {

// Longest title, in characters, that reaches the terminal.
inline constexpr size_t MaxTitleChars = 260;
// Longest clipboard text, in bytes of UTF-8, sent to the terminal; terminals drop or truncate
// much larger OSC 52 payloads anyway.
inline constexpr size_t MaxClipboardBytes = 100000;

// The terminal's palette index (0 to 15) of a console colour: the console numbers blue 1 and
// red 4 where ANSI numbers red 1 and blue 4. -1 for a number outside 0 to 15.
int AnsiColourIndex(int consoleColour);

// A Windows-1251 title as UTF-8 without control characters, capped at MaxTitleChars.
std::string SanitizedTitle(std::string_view cp1251Title);
// OSC 2: sets the window title.
std::string TitleSequence(std::string_view cp1251Title);

// OSC 4: sets the terminal's colour for a console colour (0xRRGGBB); empty for a number
// outside 0 to 15.
std::string PaletteSequence(int consoleColour, uint32_t rgb);
// OSC 104: puts every palette colour back.
std::string PaletteResetSequence();
// OSC 104 for one console colour: puts its palette entry back to the terminal's default.
std::string PaletteEntryResetSequence(int consoleColour);
// OSC 4 queries of the sixteen palette entries; a terminal that can answers each with its
// colour (which the key decoder keeps).
std::string PaletteQuerySequence();
// DECRQSS for the cursor style (DECSCUSR), whose answer KeyDecoder keeps.
inline constexpr std::string_view CursorStyleQuery = "\x1bP$q q\x1b\\";
// DECSCUSR: the cursor style by its number.
std::string CursorStyleSequence(int style);

// OSC 52: puts Windows-1251 text on the terminal's clipboard, as UTF-8 capped at
// MaxClipboardBytes.
std::string ClipboardSequence(std::string_view cp1251Text);

} // namespace tolmix::vt
