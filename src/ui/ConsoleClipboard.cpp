#include "ui/ConsoleClipboard.h"

#include "text/CodePage.h"

namespace tolmix {

void ConsoleClipboard::CopyToClipboard(std::string_view text) {
    Clip.SetText(ConsoleToAnsi(text));
}

std::string ConsoleClipboard::PasteFromClipboard() {
    const auto text = Clip.GetText();
    if (!text)
        return {};
    return AnsiToConsole(text->substr(0, text->find('\0')));
}

} // namespace tolmix
