// What the server's game codes do to the plugins.
#include "plugins/PluginCall.h"
#include "plugins/PluginList.h"
#include "text/CodeMarker.h"
#include "util/Base64.h"
#include "util/TolmixStringList.h"

namespace tolmix {

namespace {

constexpr char FieldSeparator = CodeMarker;

} // namespace

void GamePlugins::HandleGameCode(char letter, std::string_view argument) {
    switch (letter) {
    case 's':
        StartCode(argument);
        break;
    case 'd':
        DataCode(argument);
        break;
    case 'f':
        FinishCode();
        break;
    case 'o':
        OpenCode(argument);
        break;
    case 'l':
        SendPluginList();
        break;
    default: {
        std::string message = "\x11"
                              "Got unsupported game code: ";
        message += letter;
        message += argument;
        Output.AppendMessage(message);
        break;
    }
    }
}

// "gs" name, optionally 0x10 and a number: the game of that plugin starts, unless one runs.
void GamePlugins::StartCode(std::string_view argument) {
    if (ActiveGame)
        return;
    std::string_view name = argument;
    int32_t number = 0;
    const size_t separator = argument.find(FieldSeparator);
    if (separator != std::string_view::npos) {
        name = argument.substr(0, separator);
        if (!ParseSettingsInteger(argument.substr(separator + 1), number))
            number = 0;
    }
    TGamePlugin* plugin = FindPlugin(name);
    if (!plugin)
        return;
    ActiveGame = plugin;
    CallPlugin(Watch, [&] { plugin->StartGame(number == 0); });
}

// "gd" Base64 text: data for the running game. A text that is no Base64 carries no data the
// game could use, so the game is not given a corrupted copy.
void GamePlugins::DataCode(std::string_view argument) {
    TGamePlugin* game = ActiveGame;
    if (!game)
        return;
    const std::optional<std::string> data = DecodeBase64(argument);
    if (!data)
        return;
    CallPlugin(Watch, [&] { game->ReceiveData(*data); });
}

// "gf": the running game ends. It has ended before the plugin hears of it, so that nothing the
// plugin does meanwhile (nor an error it raises) can leave it running: game codes received
// while it finishes find no game, and a new one may start.
void GamePlugins::FinishCode() {
    TGamePlugin* game = ActiveGame;
    if (!game)
        return;
    ActiveGame = nullptr;
    CallPlugin(Watch, [&] { game->FinishGame(); });
}

// "go" name: that plugin opens, whether or not a game runs.
void GamePlugins::OpenCode(std::string_view argument) {
    if (TGamePlugin* plugin = FindPlugin(argument))
        CallPlugin(Watch, [&] { plugin->Open(); });
}

} // namespace tolmix
