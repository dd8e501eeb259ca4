#include "ui/SmallScreenNotice.h"

#include "text/CodePage.h"

#include <algorithm>
#include <string>
#include <string_view>

namespace tolmix {

namespace {

// Windows-1251: "Окно слишком мало" and, where there is room, " (нужно 20x5)".
constexpr std::string_view TooSmall = "\xCE\xEA\xED\xEE \xF1\xEB\xE8\xF8\xEA\xEE\xEC "
                                      "\xEC\xE0\xEB\xEE";
constexpr std::string_view NeededSize = " (\xED\xF3\xE6\xED\xEE 20x5)";
constexpr uint16_t NoticeAttr = 0x0F;

} // namespace

bool IsUsableScreen(int columns, int rows) {
    return columns >= MinScreenColumns && rows >= MinScreenRows;
}

Frame SmallScreenNotice(int columns, int rows) {
    Frame frame;
    frame.Resize(columns, rows, Cell{' ', 7});
    frame.CursorVisible = false;
    if (frame.Width == 0 || frame.Height == 0)
        return frame;
    std::string text(TooSmall);
    if (text.size() + NeededSize.size() <= static_cast<size_t>(frame.Width))
        text += NeededSize;
    text = AnsiToConsole(text);
    const int length = std::min(static_cast<int>(text.size()), frame.Width);
    const int x = (frame.Width - length) / 2;
    const int y = (frame.Height - 1) / 2;
    for (int i = 0; i < length; ++i)
        frame.At(x + i, y) = Cell{static_cast<uint8_t>(text[static_cast<size_t>(i)]), NoticeAttr};
    return frame;
}

} // namespace tolmix
