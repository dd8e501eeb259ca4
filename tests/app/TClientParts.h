#pragma once

#include "app/TClient.h"

#include <string>
#include <string_view>

namespace tolmix::test {

// The parts of an assembled client as the client-level tests look at them: what start-up chose
// and what the parts hold after the client has bound them together.
struct TClientParts {
    explicit TClientParts(TClient& client)
        : SettingsPath(client.SettingsPath), LogPath(client.LogPath), ProgramDir(client.ProgramDir),
          PluginsDir(client.PluginsDir), Settings(client.Settings), Layout(client.Layout),
          Sound(*client.Sound), Output(*client.Output), State(client.State), Editor(*client.Editor),
          Plugins(*client.Plugins), StatusTimer(client.StatusTimer),
          CountdownTimer(client.CountdownTimer), Client(client) {}

    const std::string& SettingsPath;
    const std::string& LogPath;
    const std::string& ProgramDir;
    const std::string& PluginsDir;
    const ClientSettings& Settings;
    const ScreenLayout& Layout;
    SoundCommands& Sound;
    const OutputBuffer& Output;
    const CharacterStatus& State;
    const InputEditor& Editor;
    const GamePlugins& Plugins;
    const uint32_t StatusTimer;
    const uint32_t CountdownTimer;

    TExpandedText ExpandAliases(std::string_view text) {
        return Client.MacrosAndAliases.ExpandCommand(std::string(text));
    }
    void LoadMacrosAndAliases() { Client.MacrosAndAliases.LoadMacrosAndAliases(); }
    const std::string& MacroOf(int modifiers, uint16_t key) {
        return Client.MacrosAndAliases.Macros[modifiers][key];
    }
    bool IsFirstRun() const { return Client.IsFirstRun(); }

  private:
    TClient& Client;
};

} // namespace tolmix::test
