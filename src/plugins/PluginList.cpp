#include "plugins/PluginList.h"

#include "net/ClientCodes.h"
#include "plugins/PluginCall.h"
#include "text/CodePage.h"
#include "util/FilePaths.h"

#include <algorithm>
#include <cstdio>

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

std::string PluginErrorText(std::exception_ptr error) {
    try {
        std::rethrow_exception(error);
    } catch (const std::exception& e) {
        return e.what();
    } catch (...) {
        return "an error that is no standard exception";
    }
}

void GamePlugins::NoteLeftOut(const std::string& fileName, const std::string& reason) const {
    Notes.Note("plugin " + fileName + " left out: " + reason);
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
        std::string refusal;
        if (LoadPlugin(JoinPath(folder, name), entry, refusal)) {
            entry.FileName = name;
            LoadedPlugins.push_back(std::move(entry));
        } else {
            NoteLeftOut(name, refusal);
        }
    }
}

bool GamePlugins::LoadPlugin(const std::string& path, TPluginEntry& entry, std::string& refusal) {
    ModuleOpenResult opened = Loader.Open(path);
    if (!opened.Module) {
        refusal = opened.Error.empty() ? "it cannot be loaded" : opened.Error;
        return false;
    }
    const auto version =
        reinterpret_cast<TolmixPluginVersionProc>(opened.Module->FindProc("TolmixPluginVersion"));
    const auto factory =
        reinterpret_cast<TolmixPluginFactoryProc>(opened.Module->FindProc("TolmixPluginFactory"));
    if (!version || !factory) {
        refusal = std::string("it does not export ") +
                  (!version ? "TolmixPluginVersion" : "TolmixPluginFactory");
        return false;
    }
    uint32_t reported = 0;
    try {
        const PluginCallScope scope(Watch);
        reported = version();
    } catch (...) {
        // A version export that throws is not a plugin of this interface.
        refusal = "TolmixPluginVersion raised " + PluginErrorText(std::current_exception());
        return false;
    }
    if (reported != TolmixPluginInterfaceVersion) {
        char text[80];
        std::snprintf(text, sizeof text, "interface version 0x%X, not 0x%X",
                      static_cast<unsigned>(reported),
                      static_cast<unsigned>(TolmixPluginInterfaceVersion));
        refusal = text;
        return false;
    }
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
        if (LoadedPlugins[i].Plugin || LoadedPlugins[i].Failed)
            continue;
        const TolmixPluginFactoryProc factory = LoadedPlugins[i].FactoryProc;
        const std::string fileName = LoadedPlugins[i].FileName;
        std::unique_ptr<TGamePlugin> plugin;
        std::string refusal;
        try {
            const PluginCallScope scope(Watch);
            const TGamePluginClass* pluginClass = factory();
            if (!pluginClass)
                refusal = "its factory gives no plugin class";
            else if (plugin.reset(pluginClass->Create(host)); !plugin)
                refusal = "its class made no plugin object";
        } catch (...) {
            // A plugin that cannot start is left out like one that is no plugin: the other
            // plugins and the client go on.
            refusal =
                "its factory or constructor raised " + PluginErrorText(std::current_exception());
        }
        // The server lists the plugins at every login: one that cannot say its name or its
        // details would end every connection, so it goes now.
        if (plugin) {
            try {
                const PluginCallScope scope(Watch);
                plugin->GetName();
                plugin->GetDetails();
            } catch (...) {
                refusal = "its name or details raised " + PluginErrorText(std::current_exception());
                try {
                    const PluginCallScope scope(Watch);
                    plugin.reset();
                } catch (...) {
                }
            }
        }
        if (!plugin)
            NoteLeftOut(fileName, refusal);
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
        try {
            const PluginCallScope scope(Watch);
            entry.Plugin.reset();
        } catch (...) {
            // A destructor that throws still lets the others go.
        }
        entry.Module.reset();
    }
}

std::optional<std::string> GamePlugins::NameOf(TPluginEntry& entry) {
    if (!entry.Plugin || entry.Failed)
        return std::nullopt;
    try {
        return CallPlugin(Watch, [&] { return entry.Plugin->GetName(); });
    } catch (...) {
        entry.Failed = true;
        NoteLeftOut(entry.FileName, "its name raised " + PluginErrorText(std::current_exception()));
        return std::nullopt;
    }
}

TGamePlugin* GamePlugins::FindPlugin(std::string_view consoleName) {
    for (TPluginEntry& entry : LoadedPlugins) {
        const std::optional<std::string> name = NameOf(entry);
        if (name && AnsiToConsole(*name) == consoleName)
            return entry.Plugin.get();
    }
    return nullptr;
}

void GamePlugins::SendPluginList() {
    if (!Link.Connected())
        return;
    // Every plugin is asked first; one that fails is left out of this list and every later one.
    std::vector<std::string> codes;
    for (TPluginEntry& entry : LoadedPlugins) {
        const std::optional<std::string> name = NameOf(entry);
        if (!name)
            continue;
        try {
            const std::string details =
                CallPlugin(Watch, [&] { return entry.Plugin->GetDetails(); });
            codes.push_back(PluginListCode(*name, details));
        } catch (...) {
            entry.Failed = true;
            NoteLeftOut(entry.FileName,
                        "its details raised " + PluginErrorText(std::current_exception()));
        }
    }
    for (const std::string& code : codes)
        Link.SendLine(code, false);
}

void GamePlugins::EndGameWithConnection() {
    TGamePlugin* game = ActiveGame;
    if (!game)
        return;
    ActiveGame = nullptr;
    try {
        CallPlugin(Watch, [&] { game->FinishGame(); });
    } catch (...) {
        Notes.Note("a plugin's game ended with its connection raised " +
                   PluginErrorText(std::current_exception()));
    }
}

} // namespace tolmix
