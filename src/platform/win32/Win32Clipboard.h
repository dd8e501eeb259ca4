#pragma once

#include "platform/Clipboard.h"

namespace tolmix::win32 {

// The Windows clipboard as CF_UNICODETEXT, converted from and to Windows-1251 at the border.
class Win32Clipboard final : public Clipboard {
  public:
    void SetText(std::string_view text) override;
    std::optional<std::string> GetText() override;
};

} // namespace tolmix::win32
