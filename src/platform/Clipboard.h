#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace tolmix {

// System clipboard; text crosses in Windows-1251.
class Clipboard {
  public:
    virtual ~Clipboard() = default;
    virtual void SetText(std::string_view text) = 0;
    // The clipboard's text, or nothing when it holds none.
    virtual std::optional<std::string> GetText() = 0;
};

} // namespace tolmix
