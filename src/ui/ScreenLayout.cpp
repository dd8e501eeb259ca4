#include "ui/ScreenLayout.h"

#include "text/ProgramName.h"

#include <algorithm>

namespace tolmix {

namespace {

constexpr uint8_t HorizontalLine = 0xC4; // a box-drawing character of the console code page

} // namespace

int32_t MaxEditorLines(const ScreenOptions& options) {
    const int fixedRows = (options.InfoPanel ? 2 : 0) + (options.SeparatorLine ? 1 : 0) + 1;
    return std::max(1, options.SizeY - fixedRows);
}

ScreenLayout ComputeLayout(const ScreenOptions& options) {
    ScreenLayout layout;
    layout.EditorLines = std::clamp(options.EditorLines, 1, MaxEditorLines(options));
    layout.PanelRow = static_cast<int16_t>(options.InfoPanel ? options.SizeY - 2 : options.SizeY);
    layout.EditorTop = static_cast<int16_t>(layout.PanelRow - layout.EditorLines);
    layout.SeparatorRow =
        static_cast<int16_t>(options.SeparatorLine ? layout.EditorTop - 1 : layout.EditorTop);
    layout.OutputRows = layout.SeparatorRow;
    return layout;
}

ScreenLayout StartScreen(ScreenSurface& screen, TerminalWindow& window,
                         const ScreenOptions& options) {
    screen.SetTitle(ProgramTitle);
    screen.SetBufferSize(MakeCoord(options.SizeX, options.SizeY));
    // The platform terminal reads keys raw from the start: there is no input mode to set.
    window.SetFullScreen(options.FullScreen);
    screen.SetTextAttr(7);
    const ScreenLayout layout = DrawLayout(screen, options);
    screen.SetCursorSize(16);
    screen.SetCursorVisible(true);
    return layout;
}

ScreenLayout DrawLayout(ScreenSurface& screen, const ScreenOptions& options) {
    ScreenOptions sized = options;
    const Coord size = screen.GetBufferSize();
    sized.SizeX = size.X;
    sized.SizeY = size.Y;
    screen.Clear();

    const ScreenLayout layout = ComputeLayout(sized);
    if (options.InfoPanel)
        screen.FillRect(MakeCoord(0, layout.PanelRow), size.X, 2, ' ', options.InfoPanelColor);
    screen.FillRect(MakeCoord(0, layout.EditorTop), size.X, layout.EditorLines, ' ',
                    options.EditorTextColor);
    if (options.SeparatorLine)
        screen.FillRect(MakeCoord(0, layout.SeparatorRow), size.X, 1, HorizontalLine,
                        options.SeparatorColor);
    screen.SetCursorPos(MakeCoord(0, layout.EditorTop));
    return layout;
}

} // namespace tolmix
