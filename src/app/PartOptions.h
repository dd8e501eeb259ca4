#pragma once

#include "app/ClientSettings.h"
#include "platform/SystemLocale.h"
#include "ui/InputEditor.h"
#include "ui/ScreenLayout.h"
#include "ui/StatusPanel.h"

namespace tolmix {

// The screen parts' options, made from the settings: what the player set, and where the layout
// puts each part on a screen `width` columns wide (the terminal's own width where it differs
// from SizeX). The settings hold every default; the parts' options hold none of their own.
ScreenOptions MakeScreenOptions(const ClientSettings& settings);
StatusPanelOptions MakePanelOptions(const ClientSettings& settings, const ScreenLayout& layout,
                                    int width, const SystemLocale& locale);
InputEditorOptions MakeEditorOptions(const ClientSettings& settings, const ScreenLayout& layout,
                                     int width);

} // namespace tolmix
