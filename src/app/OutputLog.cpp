#include "app/OutputLog.h"

#include "text/CodePage.h"
#include "text/ColourBytes.h"
#include "text/ServerCodePage.h"

#include <cstdio>

namespace tolmix {

std::string MakeLogPath(std::string_view settingsPath, const LocalDateTime& t) {
    const std::string_view stem =
        settingsPath.substr(0, settingsPath.size() >= 4 ? settingsPath.size() - 4 : 0);
    char stamp[48];
    std::snprintf(stamp, sizeof stamp, "-%04d-%02d-%02d-%02d-%02d", t.Year, t.Month, t.Day, t.Hour,
                  t.Minute);
    return std::string(stem) + stamp + ".log";
}

std::string LogLineText(std::string_view consoleText) {
    static const ServerCodePage Utf8(ServerEncoding::Utf8);
    // Colour bytes never reach a reader's screen as C1 controls.
    const std::string utf8 = Utf8.EncodeForServer(ConsoleToAnsi(WithoutColours(consoleText)));
    std::string out;
    out.reserve(utf8.size());
    for (const char c : utf8) {
        const auto b = static_cast<uint8_t>(c);
        if ((b < 0x20 && c != '\t') || b == 0x7F) {
            // U+2400 + c, U+2421 for DEL, three bytes of UTF-8 each.
            const unsigned picture = b == 0x7F ? 0x2421u : 0x2400u + b;
            out += static_cast<char>(0xE0 | (picture >> 12));
            out += static_cast<char>(0x80 | ((picture >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (picture & 0x3F));
        } else {
            out += c;
        }
    }
    return out;
}

OutputLog::OutputLog(FileSystem& files, bool enabled, std::string logPath, std::string_view lineEnd)
    : Files(files), Enabled(enabled), LogPath(std::move(logPath)), LineEnd(lineEnd) {}

int OutputLog::AppendLog(std::string_view consoleText) {
    if (!Enabled)
        return 0;
    std::string line;
    // A failed write (a full disk) may have left part of a line without its end.
    if (MayBeTorn)
        line += LineEnd;
    line += LogLineText(consoleText);
    line += LineEnd;
    // Appending creates a missing file and never empties an existing one.
    const int error = Files.AppendToFile(LogPath, line);
    if (error == 0) {
        MayBeTorn = false;
        return 0;
    }
    MayBeTorn = true;
    Enabled = false;
    Failed = true;
    return error;
}

} // namespace tolmix
