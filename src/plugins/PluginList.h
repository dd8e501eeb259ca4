#pragma once

#include "net/ServerConnection.h"
#include "platform/DiagnosticsLog.h"
#include "platform/FileSystem.h"
#include "platform/ModuleLoader.h"
#include "platform/PluginCallWatch.h"
#include "plugins/uPluginIntf.h"
#include "text/LinePrinter.h"
#include "util/FilePaths.h"

#include <exception>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace tolmix {

// One accepted plugin file. The object is declared after the module, so that however an entry
// goes, its plugin object is destroyed before the code it lives in is unloaded.
struct TPluginEntry {
    std::string FileName; // the file's name in the plugins folder, for the diagnostics
    std::unique_ptr<LoadedModule> Module;
    TolmixPluginVersionProc VersionProc = nullptr;
    TolmixPluginFactoryProc FactoryProc = nullptr;
    std::unique_ptr<TGamePlugin> Plugin; // none until it has been created
    // Its name or details raised an error after it was created: it is neither found nor
    // listed any more, and stays loaded, since its code may still be running further up.
    bool Failed = false;
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
    // `notes`: where a plugin file left out, and why, is told (the diagnostics file). `watch`:
    // told of every call into plugin code.
    GamePlugins(FileSystem& files, ModuleLoader& loader, ServerConnection& link, TextOutput& output,
                DiagnosticsLog& notes, PluginCallWatch& watch)
        : Files(files), Loader(loader), Link(link), Output(output), Notes(notes), Watch(watch) {}
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
    // the file names; a file that is no plugin is left out with one diagnostics line.
    void LoadPlugins(const std::string& folder);
    // Loads the plugin files of the folder after those already loaded, in byte order.
    void AddPlugins(const std::string& folder);
    // Loads one file and checks its exports and version; false (and nothing kept loaded)
    // when it is no plugin, `refusal` then saying why.
    bool LoadPlugin(const std::string& path, TPluginEntry& entry, std::string& refusal);
    // Creates the object of each loaded plugin that has none yet, in list order, and asks it
    // for its name and details. A plugin whose factory gives no class, whose class makes no
    // object, or that raises an error on the way is left out and unloaded, with one
    // diagnostics line.
    void CreatePlugins(TTolmixHost& host);
    // The link ended: a running game ends as the server's "gf" would end it, so that the
    // next connection's "gs" starts a new one. Raises nothing; a plugin's error is noted.
    void EndGameWithConnection();
    // Destroys each plugin object and unloads its file, in list order; no game is running
    // afterwards.
    void UnloadPlugins();
    // The first plugin, in list order, whose name is the given one byte for byte. Names from
    // the server come in the console code page, so the plugin's name is compared in that form.
    // A plugin whose name raises an error is failed and never found again.
    TGamePlugin* FindPlugin(std::string_view consoleName);

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

    // The plugin's name, or none when asking raised an error; the entry is then failed.
    std::optional<std::string> NameOf(TPluginEntry& entry);
    void NoteLeftOut(const std::string& fileName, const std::string& reason) const;

    FileSystem& Files;
    ModuleLoader& Loader;
    ServerConnection& Link;
    TextOutput& Output;
    DiagnosticsLog& Notes;
    PluginCallWatch& Watch;
};

// What an error a plugin raised says, for the diagnostics.
std::string PluginErrorText(std::exception_ptr error);

} // namespace tolmix
