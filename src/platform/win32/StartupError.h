#pragma once

#include <string>
#include <string_view>

namespace tolmix::win32 {

// A message that ends the program before or while the client runs, as text for a person.
// UTF-8 (file names) or, where it is no UTF-8, Windows-1251 (the client's own texts).
std::wstring MessageText(std::string_view message);

// Whether the process is the only one on its console: the console was opened for it (a double
// click, a shortcut) and closes with it.
bool ConsoleOwnedAlone();

// Writes the message to standard error: to a console as its characters, whatever the console's
// code page; to a file or pipe in the console's code page (UTF-8 without a console). When it
// went to a console that is the program's alone, the message stays until a key is pressed, so
// that the window does not close before it is read.
void ShowStartupError(std::string_view message);

} // namespace tolmix::win32
