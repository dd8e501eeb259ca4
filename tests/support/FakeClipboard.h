#pragma once

#include "platform/Clipboard.h"

#include <optional>
#include <string>

namespace tolmix::test {

class FakeClipboard final : public Clipboard {
  public:
    std::optional<std::string> Text;
    void SetText(std::string_view text) override { Text = std::string(text); }
    std::optional<std::string> GetText() override { return Text; }
};

} // namespace tolmix::test
