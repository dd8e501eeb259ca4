#include "app/ConsolePalette.h"

namespace tolmix {

std::string ColorTableName(int index) {
    std::string name = "ColorTable";
    name += static_cast<char>('0' + index / 10 % 10);
    name += static_cast<char>('0' + index % 10);
    return name;
}

void ApplyConsolePalette(TerminalPalette& palette) {
    for (int i = 0; i < static_cast<int>(ConsolePalette.size()); ++i)
        palette.SetPalette(i, ColorRefToRgb(ConsolePalette[static_cast<size_t>(i)]));
}

} // namespace tolmix
