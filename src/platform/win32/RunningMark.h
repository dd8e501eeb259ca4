#pragma once

#include <string>

namespace tolmix::win32 {

// The sign that a client runs from a folder: a named mutex of the session, held while this
// lives, that the installer and the uninstaller look for before they replace or remove the
// program (Windows locks a running program against writes, wine does not). Its name is
// RunningMarkName of the program's path.
class RunningMark {
  public:
    RunningMark();
    ~RunningMark();
    RunningMark(const RunningMark&) = delete;
    RunningMark& operator=(const RunningMark&) = delete;

  private:
    void* Handle = nullptr;
};

// "Local\TolmixClient " and the program's full path with every backslash an underscore (a
// name may hold no other backslash), cut to the length a name may have.
std::wstring RunningMarkName(const std::wstring& programPath);

} // namespace tolmix::win32
