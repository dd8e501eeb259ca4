#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace tolmix::posix {

// Runs a helper program (a clipboard tool) with the given standard input and collects its
// standard output (none when maxOutput is 0), all within a time limit and an output bound.
// Nothing when it cannot be run, fails or overruns.
std::optional<std::string> RunTool(const std::vector<std::string>& argv, const std::string& input,
                                   std::chrono::milliseconds limit, size_t maxOutput);

// Whether a program of that name is on PATH.
bool ToolExists(const std::string& name);
// The program's full path as found on PATH; nothing when it is not there.
std::optional<std::string> FindTool(const std::string& name);

// Starts a helper program that runs on by itself, its input and output on /dev/null, in a
// session of its own: the caller neither waits for it nor reaps it (it is handed to the system
// as it starts). False when it could not be started.
bool StartDetachedTool(const std::vector<std::string>& argv);

} // namespace tolmix::posix
