#pragma once

#include <string>
#include <string_view>

namespace tolmix {

// What the client prints about its connection, in Windows-1251 with colour bytes
// (0x86 cyan, 0x87 light grey, 0x89 bright red, 0x8B bright yellow, 0x8C bright blue,
// 0x8F white).

// "Подключение к address:port"
std::string ConnectingLine(std::string_view address, std::string_view port);
// "Ошибка: text"
std::string SocketErrorLine(std::string_view errorText);
// "Нажмите Enter для повторного подключения, или F10 для выхода из программы."
extern const std::string ReconnectPrompt;

} // namespace tolmix
