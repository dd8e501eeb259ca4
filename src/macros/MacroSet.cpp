#include "macros/MacroSet.h"

#include "macros/MacroFiles.h"

namespace tolmix {

std::vector<std::string> MacroSet::Load() {
    TimeLimit.CutOffReported = false;
    return tolmix::LoadMacrosAndAliases(Files, SettingsPath, Macros, Aliases, Triggers);
}

void MacroSet::LoadMacrosAndAliases() {
    // A file that has gone since the start is named at every reload.
    TimeLimit.CutOffReported = false;
    for (const std::string& line : tolmix::LoadMacrosAndAliases(
             Files, SettingsPath, Macros, Aliases, Triggers, MissingFiles::Report))
        Printer.PrintLine(line);
}

KeyMacroResult MacroSet::RunKeyMacro(const KeyEvent& key) {
    return tolmix::RunKeyMacro(
        key, Macros, Aliases, Link, [this](const std::string& line) { Printer.PrintLine(line); },
        &TimeLimit);
}

ExpandedText MacroSet::ExpandCommand(const std::string& text) {
    return ExpandAliases(
        Aliases, text, [this](const std::string& line) { Printer.PrintLine(line); }, &TimeLimit);
}

} // namespace tolmix
