#pragma once

#include "platform/TerminalWindow.h"
#include "ui/ScreenSurface.h"

#include <cstdint>

namespace tolmix {

// What the screen start-up needs from the settings. The client fills it from its settings,
// which hold every setting's default; zero until filled.
struct ScreenOptions {
    int16_t SizeX{};
    int16_t SizeY{};
    bool FullScreen{};
    bool InfoPanel{};
    uint16_t InfoPanelColor{};
    bool SeparatorLine{};
    uint16_t SeparatorColor{};
    int32_t EditorLines{};
    uint16_t EditorTextColor{};

    bool operator==(const ScreenOptions&) const = default;
};

// The rows of the screen, top to bottom: output window, separator, editor, status panel.
struct ScreenLayout {
    int16_t OutputRows = 0;
    int16_t SeparatorRow = 0;
    int16_t EditorTop = 0;
    int16_t PanelRow = 0;
    int32_t EditorLines = 1; // as laid out: never more than leaves one output row
};

// The largest editor that still leaves one row of output.
int32_t MaxEditorLines(const ScreenOptions& options);

// Computes the rows for a screen of SizeX x SizeY without drawing.
ScreenLayout ComputeLayout(const ScreenOptions& options);

// Sets up the console (title, size, full screen, attribute, cursor) and draws the empty layout
// at the size the console has then: the terminal's own where it differs from SizeX x SizeY.
ScreenLayout StartScreen(ScreenSurface& screen, TerminalWindow& window,
                         const ScreenOptions& options);

// Lays the screen out at the console's present size and draws it empty: blanks, the separator
// of horizontal-line characters, the editor and panel rows, the cursor at the editor's start.
ScreenLayout DrawLayout(ScreenSurface& screen, const ScreenOptions& options);

} // namespace tolmix
