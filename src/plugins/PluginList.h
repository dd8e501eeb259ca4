#pragma once

#include "net/ServerConnection.h"
#include "platform/FileSystem.h"
#include "platform/ModuleLoader.h"
#include "plugins/uPluginIntf.h"
#include "text/LinePrinter.h"
#include "util/FilePaths.h"

#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// One accepted plugin file. The object is declared after the module, so that however an entry
// goes, its plugin object is destroyed before the code it lives in is unloaded.
struct TPluginEntry {
    std::unique_ptr<LoadedModule> Module;
    TolmixPluginVersionProc VersionProc = nullptr;
    TolmixPluginFactoryProc FactoryProc = nullptr;
    std::unique_ptr<TGamePlugin> Plugin; // none until it has been created
};

// The accepted plugins, in the order their files were loaded.
using TPluginList = std::vector<TPluginEntry>;

// An error of a plugin's own that is no standard exception, so that the receive step's
// protection, which expects one, still turns it into a disconnect.
class EPluginError : public std::runtime_error {
  public:
    using std::runtime_error::runtime_error;
};

// Whether a file name is one of a plugin: "*.so", or "*.dll" in any letters on Windows.
bool IsPluginFileName(std::string_view name, PathStyle style = NativePathStyle);

// The loaded plugins of the running client and the game that is running. The client owns one;
// it unloads its plugins when it goes. The game codes answer through the connection and write
// their messages into the output window.
class GamePlugins {
  public:
    GamePlugins(FileSystem& files, ModuleLoader& loader, ServerConnection& link, TextOutput& output)
        : Files(files), Loader(loader), Link(link), Output(output) {}
    ~GamePlugins() { UnloadPlugins(); }
    GamePlugins(const GamePlugins&) = delete;
    GamePlugins& operator=(const GamePlugins&) = delete;

    TPluginList LoadedPlugins;
    TGamePlugin* ActiveGame = nullptr; // the plugin whose game is running

    // The start-up of the plugins: the plugins folder becomes the current directory, every
    // plugin file there is loaded and its object created with the host, then the program's
    // folder becomes the current directory for good. A folder that cannot be made current
    // loads nothing.
    void StartPlugins(const std::string& pluginsDir, const std::string& programDir,
                      TTolmixHost& host);
    // The same for several folders in turn, each current while its plugins are created; the
    // list keeps the plugins in folder order.
    void StartPlugins(const std::vector<std::string>& pluginFolders, const std::string& programDir,
                      TTolmixHost& host);
    // Unloads what is loaded, then loads every plugin file of the folder in byte order of
    // the file names; files that are no plugin are left out silently.
    void LoadPlugins(const std::string& folder);
    // Loads the plugin files of the folder after those already loaded, in byte order.
    void AddPlugins(const std::string& folder);
    // Loads one file and checks its exports and version; false (and nothing kept loaded)
    // when it is no plugin.
    bool LoadPlugin(const std::string& path, TPluginEntry& entry);
    // Creates the object of each loaded plugin that has none yet, in list order. A plugin
    // whose factory gives no class, whose class makes no object, or that raises an error on
    // the way is left out and unloaded.
    void CreatePlugins(TTolmixHost& host);
    // Destroys each plugin object and unloads its file, in list order; no game is running
    // afterwards.
    void UnloadPlugins();
    // The first plugin, in list order, whose name is the given one byte for byte. Names from
    // the server come in the console code page, so the plugin's name is compared in that form.
    TGamePlugin* FindPlugin(std::string_view consoleName) const;

    // What the server's game code "g" with this letter and argument (console code page) does.
    void HandleGameCode(char letter, std::string_view argument);
    // The answer to the server's list request: one client code per plugin in list order, its
    // name and details as the plugin gives them.
    void SendPluginList();

  private:
    void StartCode(std::string_view argument);
    void DataCode(std::string_view argument);
    void FinishCode();
    void OpenCode(std::string_view argument);

    FileSystem& Files;
    ModuleLoader& Loader;
    ServerConnection& Link;
    TextOutput& Output;
};

} // namespace tolmix
