#include "macros/KeyMacros.h"
#include "text/CodePage.h"

namespace tolmix {

void ClearMacros(TKeyMacrosMap& macros) {
    for (auto& row : macros) {
        for (std::string& text : row)
            std::string().swap(text); // give the memory back, not only the length
    }
}

void LoadKeyMacroFile(TKeyMacrosMap& macros, const TTolmixStringList& lines) {
    for (int i = 0; i < lines.Count(); ++i) {
        if (lines[i].find('=') == std::string::npos)
            continue;
        const KeyCombination combination = ParseKeyString(lines.NameAt(i));
        if (combination.Key == 0)
            continue;
        macros[combination.Modifiers][combination.Key] = AnsiToConsole(lines.ValueAt(i));
    }
}

KeyCombination MacroCombination(const KeyEvent& key) {
    const uint32_t state = key.ControlKeyState;
    KeyCombination combination;
    if (state & AltPressed)
        combination.Modifiers |= 1;
    if (state & CtrlPressed)
        combination.Modifiers |= 2;
    if (state & ShiftPressed)
        combination.Modifiers |= 4;
    if ((state & EnhancedKey) && !(state & (RightAltPressed | RightCtrlPressed)))
        combination.Modifiers |= 8;
    combination.Key = key.VirtualKey <= 0xFF ? static_cast<uint8_t>(key.VirtualKey) : 0;
    return combination;
}

const std::string& FindKeyMacro(const TKeyMacrosMap& macros, const KeyEvent& key) {
    const KeyCombination combination = MacroCombination(key);
    return macros[combination.Modifiers][combination.Key];
}

} // namespace tolmix
