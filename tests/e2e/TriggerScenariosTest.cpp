// Trigger files in the real client: a scripted server's lines answered on the wire, hidden and
// coloured, and the README's fight.ttr against the demo world.
#include "e2e/harness/Assertions.h"
#include "e2e/harness/DemoWorld.h"
#include "e2e/harness/GameSession.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"
#include "e2e/harness/TextColour.h"

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <utility>

namespace tolmix::e2e {
namespace {

using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;

// UTF-8 text of Latin and Russian letters in Windows-1251, as the client's files hold it.
std::string To1251(std::string_view utf8) {
    std::string out;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x80 || i + 1 >= utf8.size()) {
            out.push_back(static_cast<char>(c));
            continue;
        }
        const unsigned code = ((c & 0x1Fu) << 6) | (static_cast<unsigned char>(utf8[++i]) & 0x3Fu);
        if (code >= 0x410 && code <= 0x44F)
            out.push_back(static_cast<char>(0xC0 + (code - 0x410)));
        else if (code == 0x401)
            out.push_back('\xA8');
        else if (code == 0x451)
            out.push_back('\xB8');
        else
            out.push_back('?');
    }
    return out;
}

// The example trigger file of the README, as the player saves it.
std::string ReadmeFightFile() {
    std::ifstream readme(TOLMIX_README_PATH);
    std::stringstream text;
    text << readme.rdbuf();
    const std::string all = text.str();
    const std::size_t named = all.find("`fight.ttr` for the demo world");
    const std::size_t open = all.find("```\n", named);
    const std::size_t close = all.find("```\n", open + 4);
    if (named == std::string::npos || open == std::string::npos || close == std::string::npos)
        return {};
    std::string file;
    std::istringstream lines(all.substr(open + 4, close - open - 4));
    for (std::string line; std::getline(lines, line);)
        file += To1251(line) + "\r\n";
    return file;
}

TEST(TriggerScenarios, AScriptedServersLinesAreAnsweredHiddenAndColoured) {
    GameSession game("AutoSend=\r\nTriggerFile=fight\r\n",
                     {{"fight.ttr", "Answers the goblin.\r\n"
                                    "trigger:\r\n"
                                    "* arrives from the north.\r\n"
                                    "kill $1|#echo Fight on!\r\n"
                                    "trigger: part gag\r\n"
                                    "buy now\r\n"
                                    "trigger: part colour=14\r\n"
                                    "dragon\r\n"
                                    "when: health < 30%\r\n"
                                    "flee\r\n"}});
    ASSERT_TRUE(game.Connect(Patience));
    PtySession& s = game.Client();
    ASSERT_TRUE(game.Peer().Send("Cheap swords, buy now!\r\n"
                                 "\x1b[1;33mGoblin\x1b[0m arrives from the north.\r\n"));
    ASSERT_TRUE(game.WaitForWire("kill Goblin\r\n", Patience)) << s.Dump();
    ASSERT_TRUE(ShowsText(s, "Fight on!", Patience));
    EXPECT_TRUE(s.ScreenContains("Goblin arrives from the north."));
    EXPECT_FALSE(s.ScreenContains("Cheap swords")) << s.Dump();

    ASSERT_TRUE(game.Peer().Send("A red dragon lands.\r\n\x80\x80h90/100\r\n"
                                 "\x80\x80h20/100\r\n\x80\x80h10/100\r\n"));
    ASSERT_TRUE(game.WaitForWire("flee\r\n", Patience)) << s.Dump();
    // The answer goes out while the line is handled; the screen shows it at its own pace.
    ASSERT_TRUE(ShowsText(s, "A red dragon lands.", Patience));
    EXPECT_TRUE(ShownInColour(s, "dragon", 0x0E));
    EXPECT_TRUE(ShownInColour(s, "A red ", 0x07));
    // Once per fall: the second update below 30% sends nothing more.
    ASSERT_TRUE(game.Peer().Send("The end.\r\n"));
    ASSERT_TRUE(ShowsText(s, "The end.", Patience));
    const std::string wire = game.Wire();
    EXPECT_EQ(wire.find("flee"), wire.rfind("flee")) << wire;
}

// The client in the demo world with the README's fight.ttr, logged in as a new character on
// the square.
struct ReadmeFight {
    DemoWorld World;
    TempDir Dir;
    std::unique_ptr<PtySession> Client;

    testing::AssertionResult Start(const std::string& name) {
        const std::string fight = ReadmeFightFile();
        if (fight.find("trigger:") == std::string::npos)
            return testing::AssertionFailure() << "no fight.ttr in the README";
        Dir.WriteFile("demo.tcf",
                      DemoWorldSettings(World.Port()) + "MidiOutput=none\r\nTriggerFile=fight\r\n");
        Dir.WriteFile("fight.ttr", fight);
        SessionOptions options;
        options.workingDirectory = Dir.String();
        options.args = {"demo"};
        Client = std::make_unique<PtySession>(options);
        PtySession& s = *Client;
        // A file that loads without a red line: nothing about a bad entry on the screen.
        if (auto shown = ShowsText(s, "Как зовут вашего персонажа?", Patience); !shown)
            return shown;
        if (s.ScreenContains("fight.ttr"))
            return testing::AssertionFailure() << s.Dump();
        for (const auto& [typed, answer] :
             {std::pair<std::string, std::string>{name, "Новый пароль:"},
              {"cheese", "Повторите пароль:"},
              {"cheese", "Площадь Вереска"}}) {
            s.Send(typed + keys::Enter);
            if (auto shown = ShowsText(s, answer, Patience); !shown)
                return shown;
        }
        return testing::AssertionSuccess();
    }
};

TEST(TriggerScenarios, TheReadmesFightFileAttacksTheDemoWorldsRat) {
    ReadmeFight fight;
    ASSERT_TRUE(fight.Start("Ratter"));
    PtySession& s = *fight.Client;
    s.Send(std::string("n") + keys::Enter);
    ASSERT_TRUE(ShowsText(s, "Таверна", Patience));
    // The rat's look at the newcomer is answered by the trigger, nobody types "kill".
    s.Send(std::string("вниз") + keys::Enter);
    ASSERT_TRUE(ShowsText(s, "Крыса злобно смотрит на вас", Patience));
    ASSERT_TRUE(ShowsText(s, "Вы бросаетесь на крысу!", Patience));
    ASSERT_TRUE(ShowsText(s, "Крыса повержена!", 15s));
    // The "повержен" trigger draws the word in yellow.
    EXPECT_TRUE(ShownInColour(s, "повержен", 0x0E));
}

// The demo world's hunger falls by one every fourth step (from 4; "when: hunger < 2" holds at
// 1, after the twelfth), and the README's timer asks the time once a minute: both are seen
// through what the world answers.
TEST(TriggerScenarios, TheReadmesFightFileEatsWhenHungryAndAsksTheTimeEveryMinute) {
    ReadmeFight fight;
    ASSERT_TRUE(fight.Start("Eater"));
    PtySession& s = *fight.Client;
    s.Send(std::string("n") + keys::Enter);
    ASSERT_TRUE(ShowsText(s, "движ 78/80", Patience));
    s.Send(std::string("взять хлеб") + keys::Enter);
    ASSERT_TRUE(ShowsText(s, "Вы берёте краюху хлеба.", Patience));
    // Each step costs two moves, and nothing gives them back: the panel counts the steps.
    for (int step = 2; step <= 12; ++step) {
        EXPECT_FALSE(s.ScreenContains("Вы съедаете")) << "eaten before hunger fell, step " << step;
        s.Send(std::string(step % 2 == 0 ? "s" : "n") + keys::Enter);
        ASSERT_TRUE(ShowsText(s, "движ " + std::to_string(80 - 2 * step) + "/80", Patience))
            << "step " << step;
    }
    // The condition eats the bread; the trigger on the world's words adds its own line.
    ASSERT_TRUE(ShowsText(s, "Вы съедаете краюху хлеба.", Patience));
    EXPECT_TRUE(ShowsText(s, "Пора поесть!", Patience));
    // The timer's first "время", a minute after the connection, gets the world's time of day
    // (nothing else here asks for it).
    EXPECT_TRUE(ShowsText(s, "Сейчас ", 90s));
}

} // namespace
} // namespace tolmix::e2e
