#pragma once

#include "platform/Clock.h"
#include "platform/FileSystem.h"

#include <string>
#include <string_view>

namespace tolmix {

// The log file of one start: the settings path without its last four characters (".tcf"),
// then the start-up time as "-yyyy-mm-dd-hh-nn", then ".log".
std::string MakeLogPath(std::string_view settingsPath, const LocalDateTime& startUp);

// The output log: every printed line, without its colour bytes, appended to one file. The file
// is opened and closed for each line, so it is complete on disk after each one and other
// programs may read it meanwhile.
class OutputLog {
  public:
    OutputLog(FileSystem& files, bool enabled, std::string logPath);

    // Appends the line (console code page) with CR LF; nothing while logging is off. A failure
    // raises EInOutError. The lines that fail right after it do not raise again until a line
    // is written once more, or a new connection begins: the client reports the failure by
    // printing, and those lines must not fail the report itself. The first line written after
    // a failure starts on a line of its own, whatever part of a line the failure left.
    void AppendLog(std::string_view text);
    // A new connection begins: its first failing line raises again.
    void NewConnection() { Failing = false; }

  private:
    FileSystem& Files;
    const bool LogEnabled;
    const std::string LogPath;
    bool Failing = false;
    // A write failed since the last that succeeded, possibly half done.
    bool MayBeTorn = false;
};

} // namespace tolmix
