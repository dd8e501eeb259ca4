#pragma once

#include <string>
#include <string_view>

namespace tolmix {

// The code page of a settings, macro, alias or trigger file. Windows-1251 is the files' own;
// a Linux editor saves UTF-8, which is told apart by its byte order mark, or by being valid
// UTF-8 with at least one character beyond ASCII (Russian text in Windows-1251 is almost
// never valid UTF-8: its letters are lead bytes followed by more lead bytes).
enum class FileEncoding { Windows1251, Utf8 };

FileEncoding DetectFileEncoding(std::string_view bytes);

// The file's text in Windows-1251, as every reader of the client's files takes it: a UTF-8
// file without its byte order mark, converted, each character Windows-1251 lacks (and each
// malformed sequence after a byte order mark) a '?'; any other file unchanged.
std::string FileTextToAnsi(std::string_view bytes);

} // namespace tolmix
