#pragma once

#include "platform/Clock.h"
#include "platform/FileSystem.h"

#include <string>
#include <string_view>

namespace tolmix {

// The log file of one start: the settings path without its last four characters (".tcf"),
// then the start-up time as "-yyyy-mm-dd-hh-nn", then ".log".
std::string MakeLogPath(std::string_view settingsPath, const LocalDateTime& startUp);

// A printed line (console code page, without colour bytes) as the log writes it: UTF-8, the
// control bytes other than tab as their Unicode pictures (so that no reader's terminal takes
// them for its own), no line end.
std::string LogLineText(std::string_view consoleText);

// The output log: every printed line, without its colour bytes, appended to one file in UTF-8.
// The file is opened and closed for each line, so it is complete on disk after each one and
// other programs may read it meanwhile. The player switches it on and off while playing.
class OutputLog {
  public:
    // `lineEnd` ends every line: CR LF where the system's own editors expect it, else LF.
    OutputLog(FileSystem& files, bool enabled, std::string logPath, std::string_view lineEnd);

    bool On() const { return Enabled; }
    void SwitchOn() {
        Enabled = true;
        Failed = false;
    }
    void SwitchOff() {
        Enabled = false;
        Failed = false;
    }
    // Switches the log on again when a failed write switched it off (not the player): the disk
    // may have room again with the next connection, and a new failure is told again.
    void TryAgainAfterFailure() {
        if (Failed)
            SwitchOn();
    }
    const std::string& Path() const { return LogPath; }

    // Appends the line; nothing while the log is off. 0, or why the write failed (a FileErrors
    // code): the log is off from then on, and the first line written after it is switched on
    // again starts on a line of its own, whatever part of a line the failure left.
    int AppendLog(std::string_view consoleText);

  private:
    FileSystem& Files;
    bool Enabled;
    const std::string LogPath;
    const std::string LineEnd;
    // A write failed since the last that succeeded, possibly half done.
    bool MayBeTorn = false;
    // A failed write switched the log off.
    bool Failed = false;
};

} // namespace tolmix
