#pragma once

#include <string_view>

namespace tolmix {

// The diagnostics file: lines for whoever looks into why something was left out (a plugin file
// that would not load), never shown to the player. Each call is one line, without its end.
class DiagnosticsLog {
  public:
    virtual ~DiagnosticsLog() = default;
    virtual void Note(std::string_view line) = 0;
};

// Where nothing is kept.
class NoDiagnostics final : public DiagnosticsLog {
  public:
    void Note(std::string_view) override {}
};

} // namespace tolmix
