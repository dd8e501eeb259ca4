// Game codes: any sequence of server lines reaching the plugins, with plugins that call back
// into the host, never crashes, hangs or corrupts the list. Each input line is one game code
// (its first byte the letter); plugins are in-process, without modules.
#include "plugins/PluginList.h"
#include "support/FakeFileSystem.h"
#include "support/FakeGameClient.h"
#include "support/FakeModuleLoader.h"
#include "support/ScriptedPlugin.h"

#include <cstdint>
#include <string_view>

using namespace tolmix;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size) {
    std::vector<std::string> journal;
    test::FakeFileSystem files;
    test::FakeModuleLoader loader;
    test::FakeGameClient client(files, loader);
    GamePlugins& plugins = client.Plugins;
    for (const char* name : {"Dice", "Dice", "Chess"}) {
        TPluginEntry entry;
        entry.Plugin = std::make_unique<test::ScriptedPlugin>(client.Host, name, "x", journal);
        plugins.LoadedPlugins.push_back(std::move(entry));
    }
    std::string_view input(reinterpret_cast<const char*>(bytes), size);
    while (!input.empty()) {
        const size_t end = input.find('\n');
        client.Incoming.push_back("\x80\x80g" + std::string(input.substr(0, end)));
        input = end == std::string_view::npos ? std::string_view() : input.substr(end + 1);
    }
    client.ReceiveAll();
    client.Connect();
    client.ReceiveAll();
    if (plugins.LoadedPlugins.size() != 3)
        std::abort();
    return 0;
}
