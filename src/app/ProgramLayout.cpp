#include "app/ProgramLayout.h"

#include "util/FilePaths.h"

#include <optional>

namespace tolmix {

namespace {

constexpr std::string_view DemoWorldProgram = "tolmix-demo-world";

// The prefix of a program folder that is <prefix>/bin/, or nothing.
std::optional<std::string> BinPrefix(std::string_view folder, PathStyle style) {
    const char separator = PathSeparator(style);
    const std::string bin = std::string(1, separator) + "bin" + separator;
    if (folder.size() < bin.size() || folder.substr(folder.size() - bin.size()) != bin)
        return std::nullopt;
    return std::string(folder.substr(0, folder.size() - bin.size() + 1));
}

std::string Folder(std::string_view path, PathStyle style) {
    return JoinPath(path, "", style);
}

} // namespace

ProgramLayout LocateProgram(const FileSystem& files, std::string_view programFolder,
                            std::string_view userDataFolder) {
    const PathStyle style = files.Style();
    ProgramLayout layout;
    if (const std::optional<std::string> prefix = BinPrefix(programFolder, style)) {
        const std::string lib = JoinPath(*prefix, InstalledLibFolder, style);
        // A bin folder alone is no installation: a copy run from ~/bin keeps its own folder.
        if (files.ListFiles(lib)) {
            layout.Installed = true;
            if (!userDataFolder.empty())
                layout.PluginFolders.push_back(
                    Folder(JoinPath(userDataFolder, "tolmix-client/plugins", style), style));
            layout.PluginFolders.push_back(Folder(JoinPath(lib, "plugins", style), style));
            layout.DemoWorld = JoinPath(lib, DemoWorldProgram, style);
            return layout;
        }
    }
    // The folder's name as the program's design gives it, with a slash on every system.
    layout.PluginFolders.push_back(std::string(programFolder) + "Plugins/");
    layout.DemoWorld = JoinPath(programFolder, DemoWorldProgram, style);
    return layout;
}

} // namespace tolmix
