#pragma once

#include "net/LinkSettings.h"
#include "platform/FileSystem.h"
#include "platform/MidiSink.h"
#include "util/TolmixStringList.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tolmix {

inline constexpr const char* DefaultSettingsFile = "TolmixClient.tcf";
inline constexpr const char* DefaultServerHost = "localhost";

// The most rows the output window keeps: 100,000, and no more than 16 Mi cells (64 MB) in all,
// so that a wide screen keeps fewer. A larger OutputSize is lowered to it, with a note.
inline constexpr int32_t MaxOutputSize = 100'000;
inline constexpr int64_t MaxOutputCells = int64_t{1} << 24;
int32_t MostOutputRows(int16_t sizeX);

// Every setting of the settings file, already adjusted. Colours are console attributes.
struct ClientSettings {
    // Address, Port, ProxyAddr, ProxyPort, ProxyUserName, ProxyPassword, AutoSend, Encoding.
    LinkSettings Server{.Address = DefaultServerHost,
                        .Port = "4000",
                        .AutoSend = "0|2",
                        .Encoding = ServerEncoding::Windows1251};
    int16_t SizeX = 80;
    int16_t SizeY = 25;
    bool FullScreen = false;
    bool FlashActivity = true;
    // Mouse reports while the client runs, so that the wheel scrolls the output; off, the
    // terminal keeps the mouse for its own selection.
    bool MouseWheel = true;
    // A scrolled-back output window keeps its lowest rows for the newest text.
    bool SplitView = true;
    bool InfoPanel = true;
    uint16_t InfoPanelColor = 0x87;
    bool SeparatorLine = true;
    uint16_t SeparatorColor = 7;
    uint16_t NameColor = 15;
    std::string TimeFormat = "dd mmm yyyy, hh:nn:ss";
    uint16_t TimeColor = 10;
    int32_t EditorLines = 1;
    uint16_t EditorTextColor = 15;
    uint16_t EditorSelColor = 0x3F;
    bool EditLockHistory = true;
    bool EnterSwap = false;
    int32_t OutputSize = 10000;
    // Long lines break between words; off, at the screen's edge.
    bool WordWrap = true;
    int32_t HistorySize = 1000;
    bool LogEnabled = false;
    // The player's commands shown in the output and the log, in this console colour.
    bool LocalEcho = true;
    uint16_t EchoColor = 8;
    // Where the server's music sounds (MidiOutput, SoundFont, AudioDriver, MidiPort).
    MidiSinkSettings Midi;
    // What the reading changed that the player should hear of, one line each, Windows-1251
    // with colour bytes; printed below the banner.
    std::vector<std::string> Notes;
};

// The settings file to use: the first argument with its extension changed to ".tcf" when such a
// file exists (its ".tcf" in any letter case), otherwise the default file in the current folder.
std::string ChooseSettingsPath(const FileSystem& files, int argc, const char* const* argv);
// When the first argument names no settings file: the line that says so (Windows-1251, colour
// bytes), which the client shows before it connects anywhere.
std::optional<std::string> MissingSettingsFileLine(const FileSystem& files, int argc,
                                                   const char* const* argv);

// Reads every key in the order the file format lists them, with their defaults and clamps.
ClientSettings ReadClientSettings(const TTolmixStringList& list);

} // namespace tolmix
