#pragma once

#include <string>
#include <string_view>

namespace tolmix {

// The title of the client's window (Windows-1251), which the character's name changes.
class WindowTitle {
  public:
    virtual ~WindowTitle() = default;
    virtual std::string GetTitle() const = 0;
    virtual void SetTitle(std::string_view title) = 0;
};

} // namespace tolmix
