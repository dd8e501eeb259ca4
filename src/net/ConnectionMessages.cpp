#include "net/ConnectionMessages.h"

namespace tolmix {

std::string ConnectingLine(std::string_view address, std::string_view port) {
    std::string line = "\x8C"
                       "\xCF\xEE\xE4\xEA\xEB\xFE\xF7\xE5\xED\xE8\xE5 \xEA " // Подключение к
                       "\x86";
    line += address;
    line += ':';
    line += port;
    line += '\x87';
    return line;
}

std::string SocketErrorLine(std::string_view errorText) {
    std::string line = "\x8F"
                       "\xCE\xF8\xE8\xE1\xEA\xE0: " // Ошибка:
                       "\x89";
    line += errorText;
    line += '\x87';
    return line;
}

// In the colour of the connecting line, which it answers.
const std::string ServerClosedLine =
    "\x8C"
    "\xD1\xE5\xF0\xE2\xE5\xF0 \xE7\xE0\xEA\xF0\xFB\xEB " // Сервер закрыл
    "\xF1\xEE\xE5\xE4\xE8\xED\xE5\xED\xE8\xE5."          // соединение.
    "\x87";

const std::string ReconnectPrompt =
    "\x87"
    "\xCD\xE0\xE6\xEC\xE8\xF2\xE5 " // Нажмите
    "\x8B"
    "Enter"
    "\x87"
    " \xE4\xEB\xFF \xEF\xEE\xE2\xF2\xEE\xF0\xED\xEE\xE3\xEE "     // для повторного
    "\xEF\xEE\xE4\xEA\xEB\xFE\xF7\xE5\xED\xE8\xFF, \xE8\xEB\xE8 " // подключения, или
    "\x8B"
    "F10"
    "\x87"
    " \xE4\xEB\xFF \xE2\xFB\xF5\xEE\xE4\xE0 \xE8\xE7 " // для выхода из
    "\xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xFB.";           // программы.

std::string TypeAheadDiscardedLine(int keyPresses) {
    std::string line = "\x89\xCA\xEE\xEC\xE0\xED\xE4\xE0 \xED\xE5 \xF3\xF8\xEB\xE0; "
                       "\xED\xE0\xE1\xF0\xE0\xED\xED\xEE\xE5 \xEF\xEE\xF1\xEB\xE5 \xED\xE5\xB8 "
                       "\xEE\xF2\xE1\xF0\xEE\xF8\xE5\xED\xEE (\xED\xE0\xE6\xE0\xF2\xE8\xE9: ";
    line += std::to_string(keyPresses);
    line += ")\x87";
    return line;
}

const std::string_view UnknownErrorText =
    "\xCD\xE5\xE8\xE7\xE2\xE5\xF1\xF2\xED\xE0\xFF \xEE\xF8\xE8\xE1\xEA\xE0";
const std::string_view OutOfMemoryText =
    "\xCD\xE5\xE4\xEE\xF1\xF2\xE0\xF2\xEE\xF7\xED\xEE \xEF\xE0\xEC\xFF\xF2\xE8";

} // namespace tolmix
