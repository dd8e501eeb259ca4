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
// "Сервер закрыл соединение.": the server ended the connection in order.
extern const std::string ServerClosedLine;
// "Нажмите Enter для повторного подключения, или F10 для выхода из программы."
extern const std::string ReconnectPrompt;
// The reasons of a dropped connection that no text of its own explains: "Неизвестная ошибка"
// for an error that carries none, "Недостаточно памяти" for memory that could not be had.
extern const std::string_view UnknownErrorText;
// "Команда не ушла; набранное после неё отброшено (нажатий: N)", bright red.
std::string TypeAheadDiscardedLine(int keyPresses);
extern const std::string_view OutOfMemoryText;

} // namespace tolmix
