#pragma once

#include "text/DateNames.h"
#include "ui/InputEditor.h"
#include "ui/ScreenLayout.h"
#include "ui/StatusPanel.h"

namespace tolmix::test {

// The screen parts' options as the client makes them from a settings file that sets nothing,
// on the 80 x 25 screen it asks for: the output rows 0 to 20, the separator line on row 21,
// the editor on row 22 and the info panel on rows 23 and 24. An app test holds the client's
// own making of them to these.
inline ScreenOptions DefaultScreen() {
    return {
        .SizeX = 80,
        .SizeY = 25,
        .FullScreen = false,
        .InfoPanel = true,
        .InfoPanelColor = 0x87,
        .SeparatorLine = true,
        .SeparatorColor = 0x07,
        .EditorLines = 1,
        .EditorTextColor = 0x0F,
    };
}

inline StatusPanelOptions DefaultPanel() {
    return {
        .SizeX = 80,
        .RequestedSizeX = 80,
        .SeparatorRow = 21,
        .PanelRow = 23,
        .SeparatorLine = true,
        .SeparatorColor = 0x07,
        .NameColor = 0x0F,
        .TimeFormat = "dd mmm yyyy, hh:nn:ss",
        .TimeColor = 0x0A,
        .InfoPanel = true,
        .InfoPanelColor = 0x87,
        .DecimalSeparator = '.',
        .Names = &LocaleDateNames(false),
    };
}

inline InputEditorOptions DefaultEditor() {
    return {
        .SizeX = 80,
        .EditorTop = 22,
        .EditorLines = 1,
        .EditorTextColor = 0x0F,
        .EditorSelColor = 0x3F,
        .HistorySize = 1000,
        .EditLockHistory = true,
        .EnterSwap = false,
    };
}

} // namespace tolmix::test
