#pragma once

#include "platform/Clipboard.h"
#include "ui/ScreenViews.h"

#include <string>
#include <string_view>

namespace tolmix {

// The system clipboard in the console code page: Windows-1251 crosses to the system.
class ConsoleClipboard final : public TextClipboard {
  public:
    explicit ConsoleClipboard(Clipboard& clipboard) : Clip(clipboard) {}

    void CopyToClipboard(std::string_view text) override;
    // The clipboard's text up to its first zero byte; empty when it holds none.
    std::string PasteFromClipboard() override;

  private:
    Clipboard& Clip;
};

} // namespace tolmix
