#pragma once

#include "platform/FileSystem.h"

#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// Where the program finds what comes with it. A copy that runs from a build or an unpacked
// folder keeps everything beside itself: the Plugins folder and the demo world's program. An
// installed one is <prefix>/bin/tolmix-client with its companions in <prefix>/lib/tolmix-client
// (plugins/ and the demo world), and the player's own plugins in
// <data home>/tolmix-client/plugins; the installed package has registered the file types and
// the desktop entry, so the program does not do it itself.
struct ProgramLayout {
    bool Installed = false;
    // Searched in this order, each with its trailing separator: a player's plugin comes before
    // an installed one of the same name.
    std::vector<std::string> PluginFolders;
    std::string DemoWorld;
};

// The folder of the installed companions, relative to the program's prefix.
inline constexpr std::string_view InstalledLibFolder = "lib/tolmix-client";

// programFolder: the program's folder with its trailing separator. userDataFolder: the
// player's data folder ($XDG_DATA_HOME), empty when there is none.
ProgramLayout LocateProgram(const FileSystem& files, std::string_view programFolder,
                            std::string_view userDataFolder);

} // namespace tolmix
