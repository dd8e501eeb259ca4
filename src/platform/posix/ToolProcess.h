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

} // namespace tolmix::posix
