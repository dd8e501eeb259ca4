#pragma once

#include "platform/Clipboard.h"
#include "platform/Terminal.h"

#include <optional>
#include <string>
#include <vector>

namespace tolmix::posix {

// Copy: kept in the process, sent to the terminal as OSC 52 and handed to the desktop's
// clipboard tool when one runs (wl-copy, xclip, xsel). Paste: from that tool, else from the
// process's own copy.
class PosixClipboard final : public Clipboard {
  public:
    explicit PosixClipboard(Terminal& terminal);

    void SetText(std::string_view text) override;
    std::optional<std::string> GetText() override;

  private:
    Terminal& Term;
    std::optional<std::string> Own; // Windows-1251
    std::vector<std::string> CopyTool;
    std::vector<std::string> PasteTool;
};

} // namespace tolmix::posix
