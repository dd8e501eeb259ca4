#pragma once

#include <chrono>
#include <string>
#include <sys/types.h>
#include <vector>

namespace tolmix::posix::test {

// A program the tests start and always stop: SIGTERM on destruction, SIGKILL if it does not
// go within a bounded wait. Its standard output comes through a pipe, its standard error goes
// to `errorFile` (or is dropped).
class ChildProcess {
  public:
    ChildProcess(const std::vector<std::string>& argv, const std::string& errorFile = "");
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    bool Started() const { return Pid > 0; }
    // Still running (not exited, not reaped).
    bool Running();
    // One line of its output without the line end, waiting at most `timeout`; false at the end
    // of its output or after the time-out.
    bool ReadLine(std::string& line, std::chrono::milliseconds timeout);
    // Waits at most `timeout` for it to end by itself; its exit status, or -1.
    int WaitForExit(std::chrono::milliseconds timeout);

  private:
    pid_t Pid = -1;
    int Output = -1;
    std::string Pending;
    int Status = -1;
    bool Reaped = false;
};

} // namespace tolmix::posix::test
