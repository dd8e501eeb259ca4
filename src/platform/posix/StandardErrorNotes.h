#pragma once

#include "platform/DiagnosticsLog.h"

namespace tolmix::posix {

// Diagnostics lines written to standard error, which the client captures into its diagnostics
// file while it owns the screen. One write a line, so that lines of two threads never mix.
class StandardErrorNotes final : public DiagnosticsLog {
  public:
    void Note(std::string_view line) override;
};

} // namespace tolmix::posix
