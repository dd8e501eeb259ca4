#include "app/ClientSettings.h"

#include "text/CodePage.h"
#include "text/ServerCodePage.h"
#include "util/FilePaths.h"

#include <algorithm>
#include <optional>
#include <string_view>
#include <vector>

namespace tolmix {

namespace {

bool IsSettingsExtension(std::string_view extension) {
    constexpr std::string_view Lower = ".tcf";
    if (extension.size() != Lower.size())
        return false;
    for (size_t i = 0; i < Lower.size(); ++i) {
        const char c = extension[i];
        if ((c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) != Lower[i])
            return false;
    }
    return true;
}

// A file named like the path except for the letter case of its ".tcf" (HERO.TCF, which the
// desktop's "*.tcf" pattern matches as well); the first by name when there are several.
std::optional<std::string> WithExtensionInAnyCase(const FileSystem& files, std::string_view path) {
    const std::string folder = ExtractFilePath(path, files.Style());
    const std::string_view name = path.substr(folder.size());
    const std::string_view stem = name.substr(0, name.size() - 4);
    const std::optional<std::vector<std::string>> entries = files.ListFiles(folder);
    if (!entries)
        return std::nullopt;
    std::optional<std::string> found;
    for (const std::string& entry : *entries) {
        if (entry.size() == name.size() && entry.compare(0, stem.size(), stem) == 0 &&
            IsSettingsExtension(std::string_view(entry).substr(stem.size())) &&
            (!found || entry < *found))
            found = entry;
    }
    if (!found)
        return std::nullopt;
    return folder + *found;
}

// A setting's value as a note may quote it: printable ASCII only, and not too long.
std::string QuotedValue(std::string_view value) {
    constexpr std::size_t Limit = 40;
    std::string quoted;
    for (const char c : value.substr(0, Limit))
        quoted += c >= 0x20 && c < 0x7F ? c : '?';
    if (value.size() > Limit)
        quoted += "...";
    return quoted;
}

ServerEncoding ReadEncoding(const TTolmixStringList& list, ServerEncoding def,
                            std::vector<std::string>& notes) {
    const std::string value = list.ReadString("Encoding", std::string(EncodingSettingName(def)));
    if (const std::optional<ServerEncoding> encoding = EncodingFromSetting(value))
        return *encoding;
    // "Encoding=...: неизвестная кодировка; используется windows-1251."
    notes.push_back("\x89"
                    "Encoding=" +
                    QuotedValue(value) +
                    ": \xED\xE5\xE8\xE7\xE2\xE5\xF1\xF2\xED\xE0\xFF "
                    "\xEA\xEE\xE4\xE8\xF0\xEE\xE2\xEA\xE0; "
                    "\xE8\xF1\xEF\xEE\xEB\xFC\xE7\xF3\xE5\xF2\xF1\xFF " +
                    std::string(EncodingSettingName(def)) + ".\x87");
    return def;
}

} // namespace

namespace {

// The settings file the first argument names, if there is one.
std::optional<std::string> NamedSettingsPath(const FileSystem& files, const char* argument) {
    std::string path = ChangeFileExt(argument, ".tcf", files.Style());
    // A folder or a named pipe of that name is taken too, to be reported as no file.
    if (files.Kind(path) != EntryKind::Missing)
        return path;
    return WithExtensionInAnyCase(files, path);
}

} // namespace

std::string ChooseSettingsPath(const FileSystem& files, int argc, const char* const* argv) {
    if (argc > 1 && argv[1] != nullptr) {
        if (std::optional<std::string> found = NamedSettingsPath(files, argv[1]))
            return *found;
    }
    return DefaultSettingsFile;
}

std::optional<std::string> MissingSettingsFileLine(const FileSystem& files, int argc,
                                                   const char* const* argv) {
    if (argc <= 1 || argv[1] == nullptr || NamedSettingsPath(files, argv[1]))
        return std::nullopt;
    // The name as it was looked for; a byte that would be a control or a colour is shown as '?'.
    std::string name = ChangeFileExt(argv[1], ".tcf", files.Style());
    for (char& c : name) {
        const auto b = static_cast<uint8_t>(c);
        if (b < 0x20 || b == 0x7F || (b >= 0x80 && b <= 0x8F))
            c = '?';
    }
    // "Файл настроек не найден: <name>, используются настройки по умолчанию", bright red.
    return "\x89\xD4\xE0\xE9\xEB \xED\xE0\xF1\xF2\xF0\xEE\xE5\xEA \xED\xE5 "
           "\xED\xE0\xE9\xE4\xE5\xED: " +
           name +
           ", \xE8\xF1\xEF\xEE\xEB\xFC\xE7\xF3\xFE\xF2\xF1\xFF \xED\xE0\xF1\xF2\xF0"
           "\xEE\xE9\xEA\xE8 \xEF\xEE \xF3\xEC\xEE\xEB\xF7\xE0\xED\xE8\xFE\x87";
}

int32_t MostOutputRows(int16_t sizeX) {
    const int64_t byCells = MaxOutputCells / std::max<int64_t>(sizeX, 1);
    return static_cast<int32_t>(std::min<int64_t>(MaxOutputSize, byCells));
}

ClientSettings ReadClientSettings(const TTolmixStringList& list) {
    const ClientSettings d;
    ClientSettings s;
    // Sizes and colours live in 16-bit fields: larger values keep their low 16 bits.
    auto colour = [&](const char* key, uint16_t def) {
        return static_cast<uint16_t>(list.ReadInteger(key, def));
    };
    s.Server.Address = list.ReadString("Address", d.Server.Address);
    s.Server.Port = list.ReadString("Port", d.Server.Port);
    s.Server.Proxy.Host = list.ReadString("ProxyAddr", d.Server.Proxy.Host);
    s.Server.Proxy.Port = list.ReadString("ProxyPort", d.Server.Proxy.Port);
    s.Server.Proxy.UserName = list.ReadString("ProxyUserName", d.Server.Proxy.UserName);
    s.Server.Proxy.Password = list.ReadString("ProxyPassword", d.Server.Proxy.Password);
    s.Server.AutoSend = AnsiToConsole(list.ReadString("AutoSend", d.Server.AutoSend));
    s.Server.Encoding = ReadEncoding(list, d.Server.Encoding, s.Notes);
    s.SizeX = static_cast<int16_t>(list.ReadInteger("SizeX", d.SizeX));
    if (s.SizeX <= 20)
        s.SizeX = 20;
    s.SizeY = static_cast<int16_t>(list.ReadInteger("SizeY", d.SizeY));
    if (s.SizeY <= 5)
        s.SizeY = 5;
    s.FullScreen = list.ReadBool("FullScreen", d.FullScreen);
    s.FlashActivity = list.ReadBool("FlashActivity", d.FlashActivity);
    s.MouseWheel = list.ReadBool("MouseWheel", d.MouseWheel);
    s.SplitView = list.ReadBool("SplitView", d.SplitView);
    s.InfoPanel = list.ReadBool("InfoPanel", d.InfoPanel);
    s.InfoPanelColor = colour("InfoPanelColor", d.InfoPanelColor);
    s.SeparatorLine = list.ReadBool("SeparatorLine", d.SeparatorLine);
    s.SeparatorColor = colour("SeparatorColor", d.SeparatorColor);
    s.NameColor = colour("NameColor", d.NameColor);
    s.TimeFormat = list.ReadString("TimeFormat", d.TimeFormat);
    s.TimeColor = colour("TimeColor", d.TimeColor);
    s.EditorLines = list.ReadInteger("EditorLines", d.EditorLines);
    if (s.EditorLines <= 1)
        s.EditorLines = 1;
    s.EditorTextColor = colour("EditorTextColor", d.EditorTextColor);
    s.EditorSelColor = colour("EditorSelColor", d.EditorSelColor);
    s.EditLockHistory = list.ReadBool("EditLockHistory", d.EditLockHistory);
    s.EnterSwap = list.ReadBool("EnterSwap", d.EnterSwap);
    s.OutputSize = list.ReadInteger("OutputSize", d.OutputSize);
    // A ring the machine can hardly hold would take seconds to fill and invite the system to
    // end the client; the screen's own minimum below still wins.
    if (const int32_t most = MostOutputRows(s.SizeX); s.OutputSize > most) {
        s.Notes.push_back("\x89OutputSize=" + std::to_string(s.OutputSize) +
                          " is more than the output window keeps; it keeps " +
                          std::to_string(most) + " rows.\x87");
        s.OutputSize = most;
    }
    if (s.OutputSize <= 2 * s.SizeY)
        s.OutputSize = 2 * s.SizeY;
    s.WordWrap = list.ReadBool("WordWrap", d.WordWrap);
    s.HistorySize = list.ReadInteger("HistorySize", d.HistorySize);
    if (s.HistorySize <= 1)
        s.HistorySize = 1;
    s.LogEnabled = list.ReadBool("LogEnabled", d.LogEnabled);
    s.LocalEcho = list.ReadBool("LocalEcho", d.LocalEcho);
    s.EchoColor = static_cast<uint16_t>(list.ReadInteger("EchoColor", d.EchoColor) & 0x0F);
    s.Midi.Output = list.ReadString("MidiOutput", d.Midi.Output);
    s.Midi.SoundFont = list.ReadString("SoundFont", d.Midi.SoundFont);
    s.Midi.AudioDriver = list.ReadString("AudioDriver", d.Midi.AudioDriver);
    s.Midi.Port = list.ReadString("MidiPort", d.Midi.Port);
    return s;
}

} // namespace tolmix
