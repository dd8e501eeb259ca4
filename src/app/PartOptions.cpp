#include "app/PartOptions.h"

#include "text/DateNames.h"

namespace tolmix {

ScreenOptions MakeScreenOptions(const ClientSettings& settings) {
    return {
        .SizeX = settings.SizeX,
        .SizeY = settings.SizeY,
        .FullScreen = settings.FullScreen,
        .InfoPanel = settings.InfoPanel,
        .InfoPanelColor = settings.InfoPanelColor,
        .SeparatorLine = settings.SeparatorLine,
        .SeparatorColor = settings.SeparatorColor,
        .EditorLines = settings.EditorLines,
        .EditorTextColor = settings.EditorTextColor,
    };
}

StatusPanelOptions MakePanelOptions(const ClientSettings& settings, const ScreenLayout& layout,
                                    int width, const SystemLocale& locale) {
    return {
        .SizeX = width,
        .RequestedSizeX = settings.SizeX,
        .SeparatorRow = layout.SeparatorRow,
        .PanelRow = layout.PanelRow,
        .SeparatorLine = settings.SeparatorLine,
        .SeparatorColor = settings.SeparatorColor,
        .NameColor = settings.NameColor,
        .TimeFormat = settings.TimeFormat,
        .TimeColor = settings.TimeColor,
        .InfoPanel = settings.InfoPanel,
        .InfoPanelColor = settings.InfoPanelColor,
        .DecimalSeparator = locale.DecimalSeparator,
        .Names = &LocaleDateNames(locale.Russian),
    };
}

InputEditorOptions MakeEditorOptions(const ClientSettings& settings, const ScreenLayout& layout,
                                     int width) {
    return {
        .SizeX = width,
        .EditorTop = layout.EditorTop,
        // As laid out: a screen too short for the setting's editor gets a smaller one.
        .EditorLines = layout.EditorLines,
        .EditorTextColor = settings.EditorTextColor,
        .EditorSelColor = settings.EditorSelColor,
        .HistorySize = settings.HistorySize,
        .EditLockHistory = settings.EditLockHistory,
        .EnterSwap = settings.EnterSwap,
    };
}

} // namespace tolmix
