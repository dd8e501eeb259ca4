#pragma once

#include "macros/ExpandAliases.h"
#include "macros/KeyMacros.h"
#include "platform/KeyEvent.h"

#include <functional>
#include <string>

namespace tolmix {

// What the macro step needs from the client.
struct KeyMacroHooks {
    // True while a connection to the server is open.
    std::function<bool()> Connected;
    // Sends a console-code-page text through the client's SendLine with conversion to
    // Windows-1251; the client ends it with CR LF, so an empty text sends a bare line break.
    std::function<void(const std::string& text)> SendLine;
    // Replaces the editor's text, lays it out, puts the cursor at the end of the last display
    // line and clears the selection.
    std::function<void(const std::string& text)> ReplaceEditText;
    // Prints a line about a failing alias (see ExpandAliases).
    AliasReportHook Report;
};

// The macro step, run first for every key-down event: true when a macro is bound to the
// event's combination, which then replaces whatever the key does otherwise. While connected
// its text, each "|" turned into a line break, goes through alias expansion; the send text is
// sent (also when empty) and a non-empty edit text replaces the editor's. While disconnected
// the key is swallowed.
bool RunKeyMacro(const KeyEvent& key, const TKeyMacrosMap& macros, TAliasArray& aliases,
                 const KeyMacroHooks& hooks);

} // namespace tolmix
