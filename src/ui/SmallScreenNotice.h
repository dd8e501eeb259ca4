#pragma once

#include "platform/Frame.h"

namespace tolmix {

// The smallest screen the layout fits in: the output window, the separator, the editor and the
// two panel rows need five rows; the panel's first fields and the editor need twenty columns.
inline constexpr int MinScreenColumns = 20;
inline constexpr int MinScreenRows = 5;

bool IsUsableScreen(int columns, int rows);

// What a terminal below the smallest size shows instead of a broken layout: one line, in its
// middle row, saying that the window is too small; no cursor.
Frame SmallScreenNotice(int columns, int rows);

} // namespace tolmix
