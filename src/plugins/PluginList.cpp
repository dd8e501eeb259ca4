#include "plugins/PluginList.h"

#include "net/ClientCodes.h"
#include "plugins/PluginCall.h"
#include "text/CodePage.h"
#include "util/FilePaths.h"

#include <algorithm>

namespace tolmix {

bool IsPluginFileName(std::string_view name, PathStyle style) {
    // Windows file names are compared without regard to case: "DICE.DLL" is a plugin there.
    const std::string_view extension = style == PathStyle::Windows ? ".dll" : ".so";
    if (name.size() < extension.size())
        return false;
    const std::string_view tail = name.substr(name.size() - extension.size());
    if (style != PathStyle::Windows)
        return tail == extension;
    return std::equal(tail.begin(), tail.end(), extension.begin(), [](char a, char b) {
        return (a >= 'A' && a <= 'Z' ? static_cast<char>(a - 'A' + 'a') : a) == b;
    });
}

void GamePlugins::StartPlugins(const std::string& pluginsDir, const std::string& programDir,
                               TTolmixHost& host) {
    StartPlugins(std::vector<std::string>{pluginsDir}, programDir, host);
}

void GamePlugins::StartPlugins(const std::vector<std::string>& pluginFolders,
                               const std::string& programDir, TTolmixHost& host) {
    UnloadPlugins();
    for (const std::string& folder : pluginFolders) {
        if (!Files.ChangeDirectory(folder))
            continue;
        AddPlugins(folder);
        // Plugins are created while their folder is current: they may open their own files
        // by relative names.
        CreatePlugins(host);
    }
    Files.ChangeDirectory(programDir);
}

void GamePlugins::LoadPlugins(const std::string& folder) {
    UnloadPlugins();
    AddPlugins(folder);
}

void GamePlugins::AddPlugins(const std::string& folder) {
    auto names = Files.ListFiles(folder);
    if (!names)
        return;
    // Byte order, so that of two plugins with one name the one found first is predictable.
    std::sort(names->begin(), names->end());
    for (const std::string& name : *names) {
        if (!IsPluginFileName(name, Files.Style()))
            continue;
        TPluginEntry entry;
        if (LoadPlugin(JoinPath(folder, name), entry))
            LoadedPlugins.push_back(std::move(entry));
    }
}

bool GamePlugins::LoadPlugin(const std::string& path, TPluginEntry& entry) {
    ModuleOpenResult opened = Loader.Open(path);
    if (!opened.Module)
        return false;
    const auto version =
        reinterpret_cast<TolmixPluginVersionProc>(opened.Module->FindProc("TolmixPluginVersion"));
    const auto factory =
        reinterpret_cast<TolmixPluginFactoryProc>(opened.Module->FindProc("TolmixPluginFactory"));
    if (!version || !factory)
        return false;
    bool accepted = false;
    try {
        accepted = version() == TolmixPluginInterfaceVersion;
    } catch (...) {
        // A version export that throws is not a plugin of this interface.
    }
    if (!accepted)
        return false;
    entry.Module = std::move(opened.Module);
    entry.VersionProc = version;
    entry.FactoryProc = factory;
    entry.Plugin.reset();
    return true;
}

void GamePlugins::CreatePlugins(TTolmixHost& host) {
    // By index: a plugin created here may run the input loop, and so game codes that search
    // this list, before the next one is created.
    for (size_t i = 0; i < LoadedPlugins.size(); ++i) {
        if (LoadedPlugins[i].Plugin)
            continue;
        const TolmixPluginFactoryProc factory = LoadedPlugins[i].FactoryProc;
        std::unique_ptr<TGamePlugin> plugin;
        try {
            if (const TGamePluginClass* pluginClass = factory())
                plugin.reset(pluginClass->Create(host));
        } catch (...) {
            // A plugin that cannot start is left out like one that is no plugin: the other
            // plugins and the client go on.
        }
        LoadedPlugins[i].Plugin = std::move(plugin);
    }
    // Entries left without an object go, each object-less module unloaded in list order.
    auto firstGone =
        std::stable_partition(LoadedPlugins.begin(), LoadedPlugins.end(),
                              [](const TPluginEntry& e) { return e.Plugin != nullptr; });
    LoadedPlugins.erase(firstGone, LoadedPlugins.end());
}

void GamePlugins::UnloadPlugins() {
    // The list is emptied before any plugin code runs, so that a plugin whose destructor runs
    // the input loop finds no plugin to dispatch to.
    TPluginList unloading;
    unloading.swap(LoadedPlugins);
    ActiveGame = nullptr;
    for (TPluginEntry& entry : unloading) {
        entry.Plugin.reset();
        entry.Module.reset();
    }
}

TGamePlugin* GamePlugins::FindPlugin(std::string_view consoleName) const {
    for (const TPluginEntry& entry : LoadedPlugins) {
        TGamePlugin* plugin = entry.Plugin.get();
        if (plugin && AnsiToConsole(CallPlugin([&] { return plugin->GetName(); })) == consoleName)
            return plugin;
    }
    return nullptr;
}

void GamePlugins::SendPluginList() {
    if (!Link.Connected())
        return;
    // Every plugin is asked first: one that fails sends no part of the list.
    std::vector<std::string> codes;
    for (const TPluginEntry& entry : LoadedPlugins) {
        TGamePlugin* plugin = entry.Plugin.get();
        if (!plugin)
            continue;
        const std::string name = CallPlugin([&] { return plugin->GetName(); });
        const std::string details = CallPlugin([&] { return plugin->GetDetails(); });
        codes.push_back(PluginListCode(name, details));
    }
    for (const std::string& code : codes)
        Link.SendLine(code, false);
}

} // namespace tolmix
