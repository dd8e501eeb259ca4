#include "macros/RunKeyMacro.h"

#include "text/LineEnds.h"

namespace tolmix {

KeyMacroResult RunKeyMacro(const KeyEvent& key, const TKeyMacrosMap& macros, TAliasArray& aliases,
                           ServerConnection& link, const AliasReportHook& report,
                           AliasTimeLimit* limit) {
    KeyMacroResult result;
    if (!key.KeyDown)
        return result;
    const std::string& macro = FindKeyMacro(macros, key);
    if (macro.empty())
        return result;
    result.Bound = true;
    if (!link.Connected())
        return result;
    ExpandedText expanded = ExpandAliases(aliases, BarsToLineBreaks(macro, '|'), report, limit);
    link.SendLine(expanded.SendText, true);
    result.EditText = std::move(expanded.EditText);
    return result;
}

} // namespace tolmix
