#pragma once

#include "platform/DesktopRegistry.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The texts and names of the files through which a freedesktop.org desktop learns the
// program's file types (a shared-mime-info package and a desktop entry), and of the file that
// holds the console settings of one program location.
namespace tolmix::posix {

// Longest file name most file systems take.
inline constexpr size_t MaxFileNameBytes = 255;

// "Tolmix Client Config" -> "application/x-tolmix-client-config".
std::string MimeTypeName(std::string_view typeName);

// The shared-mime-info package declaring every type by its extension.
std::string MimePackageXml(const std::vector<FileTypeEntry>& types);

// One argument of a desktop entry's Exec line, quoted and escaped so that the desktop hands it
// to the program unchanged, whatever it holds; nothing for text that no Exec line can carry
// (control characters, bytes that are not UTF-8).
std::optional<std::string> ExecArgument(std::string_view text);

// The desktop entry that opens files of the types that open with the program; nothing when
// no type does or the program path cannot be named in an Exec line.
std::optional<std::string> DesktopEntry(std::string_view programPath,
                                        const std::vector<FileTypeEntry>& types);

// The console settings file of a program location: the path with every "/" made "_"; a name
// too long for a file system keeps its start and gets a hash of the whole path.
std::string ConsoleFileName(std::string_view programPath);

// The console settings as name=value lines, in the given order, values as 0x%08X.
std::string ConsoleFileText(const std::vector<ConsoleValue>& values);

} // namespace tolmix::posix
