// The client's files as a Linux editor saves them: UTF-8 (with or without a byte order mark)
// is read as UTF-8, everything else as Windows-1251; the wire gets Windows-1251 either way.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/GameSession.h"

#include <gtest/gtest.h>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;
// "Вадим" as the server must receive it.
const std::string Vadim1251 = "\xC2\xE0\xE4\xE8\xEC";

TEST(FileCodePage, AutoSendFromAUTF8OrAWindows1251SettingsFileSendsWindows1251) {
    struct Case {
        const char* Name;
        std::string Settings;
    };
    for (const Case& c : {Case{"UTF-8", "AutoSend=Вадим\r\n"},
                          Case{"UTF-8 with a byte order mark", "\xEF\xBB\xBF"
                                                               "AutoSend=Вадим\n"},
                          Case{"Windows-1251", "AutoSend=" + Vadim1251 + "\r\n"}}) {
        GameSession game(c.Settings);
        ASSERT_TRUE(game.Connect(Patience)) << c.Name;
        EXPECT_TRUE(game.WaitForWire(Vadim1251 + "\r\n", Patience))
            << c.Name << ": " << game.Wire();
        // No trace of the UTF-8 bytes on the wire.
        EXPECT_EQ(game.Wire().find("\xD0"), std::string::npos) << c.Name;
    }
}

TEST(FileCodePage, AUTF8TriggerFileMatchesRussianTextAndAnswersInWindows1251) {
    // "Крыса злобно смотрит на вас*" -> "убить крысу", saved in UTF-8.
    GameSession game("AutoSend=\r\nTriggerFile=fight\r\n",
                     {{"fight.ttr", "trigger:\nКрыса злобно смотрит на вас*\nубить крысу\n"}});
    ASSERT_TRUE(game.Connect(Patience));
    ASSERT_TRUE(game.Peer().Send("\xCA\xF0\xFB\xF1\xE0 \xE7\xEB\xEE\xE1\xED\xEE \xF1\xEC\xEE\xF2"
                                 "\xF0\xE8\xF2 \xED\xE0 \xE2\xE0\xF1.\r\n"));
    EXPECT_TRUE(game.WaitForWire("\xF3\xE1\xE8\xF2\xFC \xEA\xF0\xFB\xF1\xF3\r\n", Patience))
        << game.Wire() << game.Client().Dump();
}

} // namespace
} // namespace tolmix::e2e
