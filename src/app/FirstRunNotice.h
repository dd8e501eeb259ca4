#pragma once

#include "ui/OutputBuffer.h"

#include <functional>
#include <string>

namespace tolmix {

// Who ends with the client: the client alone, or the demo world it started as well.
enum class FirstRunWorld { Server, DemoWorld };

// The notice of a first start from a folder: the program registered itself and its palette,
// and asks for F10 and a new start, or Enter, which connects now. With the demo world F10 would
// end the world as well: the notice then offers only Enter. Windows-1251 text through the
// printer, then the output colour is light grey again.
void PrintFirstRunNotice(const std::function<void(const std::string&)>& printLine,
                         OutputBuffer& output, FirstRunWorld world);

} // namespace tolmix
