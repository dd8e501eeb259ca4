#pragma once

#include "macros/KeyNames.h"
#include "platform/KeyEvent.h"
#include "util/TolmixStringList.h"

#include <array>
#include <string>
#include <string_view>

namespace tolmix {

// The macro texts of every key combination: first index the modifier combination (0 to 15),
// second the virtual-key code. Texts are in the console code page with their "|" separators;
// an empty text means no macro.
using TKeyMacrosMap = std::array<std::array<std::string, 256>, 16>;

void ClearMacros(TKeyMacrosMap& macros);

// Stores every binding of a key-macro file (Windows-1251 lines "keystring=text") in macros,
// replacing what an earlier file bound to the same combination. The key string is the text
// before the first "=" and the macro the rest of the line, neither trimmed; lines without "="
// or whose key string names no key are skipped.
void LoadKeyMacroFile(TKeyMacrosMap& macros, const TTolmixStringList& lines);

// The combination a key-down event selects: Alt, Ctrl and Shift from either side, and "WIN"
// for the enhanced keys (the grey arrows and editing block, keypad Enter and divide) unless
// right Alt or right Ctrl is down, so the same keys of the numeric keypad match without it.
// Codes above 255 select key 0, which never holds a macro.
KeyCombination MacroCombination(const KeyEvent& key);
// The macro text bound to the event's combination; empty when none is bound.
const std::string& FindKeyMacro(const TKeyMacrosMap& macros, const KeyEvent& key);

} // namespace tolmix
