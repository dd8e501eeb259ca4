#include "app/OutputLog.h"

#include "app/InOutError.h"

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

OutputLog::OutputLog(FileSystem& files, bool enabled, std::string logPath)
    : Files(files), LogEnabled(enabled), LogPath(std::move(logPath)) {}

void OutputLog::AppendLog(std::string_view text) {
    if (!LogEnabled)
        return;
    std::string line;
    line.reserve(text.size() + 4);
    // A failed write (a full disk) may have left part of a line without its end.
    if (MayBeTorn)
        line += "\r\n";
    line.append(text);
    line += "\r\n";
    // Appending creates a missing file and never empties an existing one.
    const int error = Files.AppendToFile(LogPath, line);
    if (error == 0) {
        Failing = false;
        MayBeTorn = false;
        return;
    }
    MayBeTorn = true;
    if (Failing)
        return;
    Failing = true;
    throw EInOutError(error);
}

} // namespace tolmix
