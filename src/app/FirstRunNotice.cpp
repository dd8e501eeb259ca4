#include "app/FirstRunNotice.h"

#include <string>

namespace tolmix {

namespace {

// Colour bytes of Windows-1251 text (ANSI colour numbers): light grey and bright yellow.
constexpr std::string_view LightGrey = "\x87";
constexpr std::string_view BrightYellow = "\x8B";

// "Программа зарегистрировала себя в системе, и установила нужную палитру цветов."
constexpr std::string_view Registered =
    "\xCF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xE0 \xE7\xE0\xF0\xE5\xE3\xE8\xF1\xF2\xF0\xE8\xF0\xEE\xE2"
    "\xE0\xEB\xE0 \xF1\xE5\xE1\xFF \xE2 \xF1\xE8\xF1\xF2\xE5\xEC\xE5, \xE8 \xF3\xF1\xF2\xE0\xED"
    "\xEE\xE2\xE8\xEB\xE0 \xED\xF3\xE6\xED\xF3\xFE \xEF\xE0\xEB\xE8\xF2\xF0\xF3 \xF6\xE2\xE5\xF2"
    "\xEE\xE2.";
// "Пожалуйста нажмите "
constexpr std::string_view PleasePress =
    "\xCF\xEE\xE6\xE0\xEB\xF3\xE9\xF1\xF2\xE0 \xED\xE0\xE6\xEC\xE8\xF2\xE5 ";
// " и перезапустите программу заново."
constexpr std::string_view AndRestart = " \xE8 \xEF\xE5\xF0\xE5\xE7\xE0\xEF\xF3\xF1\xF2\xE8\xF2"
                                        "\xE5 \xEF\xF0\xEE\xE3\xF0\xE0\xEC\xEC\xF3 \xE7\xE0\xED"
                                        "\xEE\xE2\xEE.";
// "Или нажмите ", "Нажмите "
constexpr std::string_view OrPress = "\xC8\xEB\xE8 \xED\xE0\xE6\xEC\xE8\xF2\xE5 ";
constexpr std::string_view Press = "\xCD\xE0\xE6\xEC\xE8\xF2\xE5 ";
// ", чтобы подключиться сейчас."
constexpr std::string_view ToConnectNow =
    ", \xF7\xF2\xEE\xE1\xFB \xEF\xEE\xE4\xEA\xEB\xFE\xF7\xE8\xF2\xFC\xF1\xFF "
    "\xF1\xE5\xE9\xF7\xE0\xF1.";

} // namespace

void PrintFirstRunNotice(const std::function<void(const std::string&)>& printLine,
                         OutputBuffer& output, FirstRunWorld world) {
    const std::string enter = std::string(BrightYellow) + "Enter" + std::string(LightGrey);
    printLine("");
    printLine(std::string(LightGrey) + std::string(Registered));
    if (world == FirstRunWorld::DemoWorld) {
        printLine(std::string(Press) + enter + std::string(ToConnectNow));
    } else {
        printLine(std::string(PleasePress) + std::string(BrightYellow) + "F10" +
                  std::string(LightGrey) + std::string(AndRestart));
        printLine(std::string(OrPress) + enter + std::string(ToConnectNow));
    }
    printLine("");
    output.UseAttr(7);
}

} // namespace tolmix
