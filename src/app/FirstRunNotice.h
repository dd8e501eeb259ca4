#pragma once

#include "ui/OutputBuffer.h"

#include <functional>
#include <string>

namespace tolmix {

// The notice of a first start from a folder: the program registered itself and its palette,
// and asks for F10 and a new start. Four lines of Windows-1251 text through the printer, then
// the output colour is light grey again.
void PrintFirstRunNotice(const std::function<void(const std::string&)>& printLine,
                         OutputBuffer& output);

} // namespace tolmix
