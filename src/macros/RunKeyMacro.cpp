#include "macros/RunKeyMacro.h"

#include "text/LineEnds.h"

namespace tolmix {

bool RunKeyMacro(const KeyEvent& key, const TKeyMacrosMap& macros, TAliasArray& aliases,
                 const KeyMacroHooks& hooks) {
    if (!key.KeyDown)
        return false;
    const std::string& macro = FindKeyMacro(macros, key);
    if (macro.empty())
        return false;
    if (!hooks.Connected || !hooks.Connected())
        return true;
    const TExpandedText expanded =
        ExpandAliases(aliases, BarsToLineBreaks(macro, '|'), hooks.Report);
    if (hooks.SendLine)
        hooks.SendLine(expanded.SendText);
    if (!expanded.EditText.empty() && hooks.ReplaceEditText)
        hooks.ReplaceEditText(expanded.EditText);
    return true;
}

} // namespace tolmix
