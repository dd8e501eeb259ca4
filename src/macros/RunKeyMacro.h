#pragma once

#include "macros/AliasExpansion.h"
#include "macros/KeyMacros.h"
#include "net/ServerConnection.h"
#include "platform/KeyEvent.h"

#include <string>

namespace tolmix {

// What the macro step did with a key.
struct KeyMacroResult {
    // A macro is bound to the key's combination: it replaces whatever the key does otherwise.
    bool Bound = false;
    // A text for the editor (console code page); empty leaves the editor as it is.
    std::string EditText;
};

// The macro step, run first for every key-down event. While connected the bound macro's
// text, each "|" turned into a line break, goes through alias expansion; the send text is sent
// through `link` (also when empty; CR LF is appended there, converted to Windows-1251) and the
// edit text is handed back. While disconnected the key is swallowed. A failing alias prints its
// report through `report`; `limit` bounds the aliases' time as for a typed command.
KeyMacroResult RunKeyMacro(const KeyEvent& key, const TKeyMacrosMap& macros, TAliasArray& aliases,
                           ServerConnection& link, const AliasReportHook& report,
                           AliasTimeLimit* limit = nullptr);

} // namespace tolmix
