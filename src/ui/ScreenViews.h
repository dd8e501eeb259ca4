#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace tolmix {

// The output window as the keys and the editor move it.
class OutputView {
  public:
    virtual ~OutputView() = default;
    // Scrolls by `count` rows, down towards the newest or up into the scrollback.
    virtual void ScrollOutput(bool down, int64_t count) = 0;
    // Shows the newest rows and follows new ones again.
    virtual void ScrollOutputToEnd() = 0;
    // A line of the client's own about the editor (console code page, colour bytes), neither
    // logged nor taken for a server code.
    virtual void ShowNotice(std::string_view consoleText) = 0;
};

// The status panel as the editor sees it: it shows the caption of the server's edit mode.
class StatusView {
  public:
    virtual ~StatusView() = default;
    virtual void ShowEditMode(bool on) = 0;
};

// The clipboard as the editor sees it: console code page text.
class TextClipboard {
  public:
    virtual ~TextClipboard() = default;
    virtual void CopyToClipboard(std::string_view text) = 0;
    virtual std::string PasteFromClipboard() = 0;
};

// Where the text the player pastes into the terminal goes: console code page text, and how
// many characters the terminal's reader left out after it already.
class PasteTarget {
  public:
    virtual ~PasteTarget() = default;
    virtual void Paste(const std::string& text, uint64_t leftOut) = 0;
};

// A piece of the screen drawn from its own model once per pass of the input loop, when the
// model changed since it was last drawn.
class ScreenView {
  public:
    virtual ~ScreenView() = default;
    virtual void Refresh() = 0;
};

} // namespace tolmix
