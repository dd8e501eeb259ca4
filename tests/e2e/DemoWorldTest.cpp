// The bundled demo world played through the real client: a character created at the first
// login, a walk with the status panel, the clock and the countdown changing, the server's text
// editor, the Dice plugin's game against the dealer, and quitting. The client is installed with
// the example plugin beside it and pointed at the demo server by a settings file.
#include "e2e/harness/DemoWorld.h"
#include "e2e/harness/Assertions.h"
#include "e2e/harness/ClientScreen.h"
#include "e2e/harness/Keys.h"
#include "e2e/harness/PtySession.h"
#include "e2e/harness/TempDir.h"
#include "e2e/harness/TextColour.h"

#include <gtest/gtest.h>

#include <filesystem>

namespace tolmix::e2e {
namespace {

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr auto Patience = 5000ms;
constexpr int Columns = 80;
constexpr int Rows = 25;

// The client in <dir>/bin with Dice.so in <dir>/bin/Plugins, playing in the demo world.
struct DemoGame {
    DemoWorld World;
    TempDir Dir;
    std::unique_ptr<PtySession> Client;

    DemoGame() {
        fs::create_directories(Dir.Path() / "bin" / "Plugins");
        fs::copy_file(TOLMIX_CLIENT_PATH, Dir.Path() / "bin" / "tolmix-client");
        fs::copy_file(TOLMIX_EXAMPLE_PLUGIN, Dir.Path() / "bin" / "Plugins" / "Dice.so");
        // No music output: the test machines have no sound card, and the music's codes are
        // checked on the wire by the server's own tests.
        Dir.WriteFile("play/demo.tcf", DemoWorldSettings(World.Port()) + "MidiOutput=none\r\n");
        SessionOptions options;
        options.program = (Dir.Path() / "bin" / "tolmix-client").string();
        options.workingDirectory = (Dir.Path() / "play").string();
        options.args = {"demo"};
        options.columns = Columns;
        options.rows = Rows;
        Client = std::make_unique<PtySession>(options);
    }

    PtySession& Screen() { return *Client; }
    DefaultLayout Layout() const { return DefaultLayout::ForRows(Rows); }

    void Type(const std::string& utf8) { Client->Send(utf8 + keys::Enter); }

    // The last row of the output window that holds text other than the game's prompt.
    std::string LastOutputRow() const {
        for (int y = Layout().separatorRow - 1; y >= 0; --y)
            if (const std::string row = Client->RowTrimmed(y); !row.empty() && !row.ends_with(">"))
                return row;
        return {};
    }

    // Whether one of the last `count` rows of the output window starts with `utf8`.
    bool RecentRowStartsWith(std::string_view utf8, int count) const {
        const int bottom = Layout().separatorRow - 1;
        for (int y = bottom; y > bottom - count && y >= 0; --y)
            if (Client->RowTrimmed(y).starts_with(utf8))
                return true;
        return false;
    }

    // A new character named `name`, up to the first look at the square.
    testing::AssertionResult CreateCharacter(const std::string& name, const std::string& password) {
        PtySession& s = *Client;
        if (auto shown = ShowsText(s, "Как зовут вашего персонажа?", Patience); !shown)
            return shown;
        Type(name);
        if (auto shown = ShowsText(s, "Новый пароль:", Patience); !shown)
            return shown;
        Type(password);
        if (auto shown = ShowsText(s, "Повторите пароль:", Patience); !shown)
            return shown;
        Type(password);
        return ShowsText(s, "Площадь Вереска", Patience);
    }
};

TEST(DemoWorld, ANewcomerCreatesACharacterAndWatchesThePanelAndTheClockWhileWalking) {
    DemoGame game;
    PtySession& s = game.Screen();
    const DefaultLayout layout = game.Layout();
    ASSERT_TRUE(
        Reaches(s, {Shown(s, "ДЕРЕВНЯ ВЕРЕСК"), Shown(s, "демонстрационный мир")}, Patience));
    // The banner's ANSI colour and the server's own colour bytes.
    EXPECT_TRUE(ShownInColour(s, "ДЕРЕВНЯ ВЕРЕСК", 0x0E));
    EXPECT_TRUE(ShownInColour(s, "демонстрационный мир", 0x08));

    ASSERT_TRUE(ShowsText(s, "Как зовут вашего персонажа?", Patience));
    game.Type("Ярослава"); // "я" is 0xFF, doubled on the wire both ways
    ASSERT_TRUE(ShowsText(s, "Новый пароль:", Patience));
    // The name typed joins the prompt it answers.
    EXPECT_TRUE(ShowsText(s, "Как зовут вашего персонажа? Ярослава", Patience)) << s.Dump();
    game.Type("tajna-77");
    ASSERT_TRUE(ShowsText(s, "Повторите пароль:", Patience));
    game.Type("tajna-77");
    ASSERT_TRUE(ShowsText(s, "Персонаж создан", Patience));
    ASSERT_TRUE(ShowsText(s, "Площадь Вереска", Patience));
    // The server never echoes the password.
    EXPECT_FALSE(s.ScreenContains("tajna-77")) << s.Dump();

    // The name on the separator line and in the title, the status values on the panel.
    EXPECT_TRUE(Eventually(
        s, [&] { return s.RowUtf8(layout.separatorRow).find("Ярослава") != std::string::npos; },
        Patience, "the name on the separator line"));
    EXPECT_TRUE(Eventually(
        s, [&] { return s.Title() == std::string("Ярослава - ") + kClientTitle; }, Patience,
        "the title"));
    EXPECT_TRUE(
        ShowsText(s, "Уровень 1, опыт 0/1k, здор 100/100, движ 80/80, мана 40/40", Patience));
    EXPECT_TRUE(ShowsText(s,
                          "Голод 0, жажда 0, груз 0/0/0/40, св.рук 2, кровь 100/100, "
                          "эфир 20/50, Сила 30/30",
                          Patience));
    // The game clock runs on the separator line: 1 June 1042, four times as fast as real time
    // (the month's name is the locale's).
    ASSERT_TRUE(ShowsText(s, " 1042, 08:", Patience));
    const std::string clockBefore = s.RowUtf8(layout.separatorRow);
    EXPECT_TRUE(Eventually(
        s, [&] { return s.RowUtf8(layout.separatorRow) != clockBefore; }, 2000ms,
        "the clock moves on"));

    // The music's first piece says the client has no sound output: a client line that may come
    // after the server's prompt, taking the next command onto a row of its own. Once it is
    // shown, one more command and its answer bring a prompt with nothing after it.
    ASSERT_TRUE(ShowsText(s, "Нет вывода звука", Patience)) << s.Dump();
    game.Type("время");
    ASSERT_TRUE(ShowsText(s, "Сейчас ", Patience)) << s.Dump();
    const auto promptIsLast = [&] {
        for (int y = layout.separatorRow - 1; y >= 0; --y) {
            const std::string row = s.RowUtf8(y);
            if (row.find_first_not_of(' ') != std::string::npos)
                return row.rfind("Ярослава>", 0) == 0;
        }
        return false;
    };
    ASSERT_TRUE(Eventually(s, promptIsLast, Patience, "the prompt after the time"));

    // Walking north costs moves; the tavern's bread goes into the pack and is eaten.
    game.Type("север");
    ASSERT_TRUE(ShowsText(s, "Таверна \"Пьяный ёж\"", Patience));
    EXPECT_TRUE(ShowsText(s, "Ярослава> север", Patience)) << s.Dump();
    EXPECT_TRUE(ShowsText(s, "движ 78/80", Patience));
    EXPECT_TRUE(ShownInColour(s, "Таверна \"Пьяный ёж\"", 0x0B)); // ESC[1;36m
    game.Type("взять хлеб");
    ASSERT_TRUE(ShowsText(s, "Вы берёте краюху хлеба.", Patience));
    EXPECT_TRUE(ShowsText(s, "груз 1/0/1/40", Patience));
    game.Type("eat");
    ASSERT_TRUE(ShowsText(s, "Вы съедаете краюху хлеба.", Patience));
    EXPECT_TRUE(ShowsText(s, "Голод 2, жажда 0, груз 0/0/0/40", Patience));
    game.Type("пить");
    EXPECT_TRUE(ShowsText(s, "Голод 2, жажда 2", Patience));

    game.Type("конец");
    ASSERT_TRUE(ShowsText(s, "До встречи, Ярослава!", Patience));
    // The server closes the connection in order, which is no error; the client offers to
    // reconnect.
    ASSERT_TRUE(ShowsText(s, "для повторного подключения", Patience));
    EXPECT_TRUE(ShowsText(s, "Сервер закрыл соединение.", Patience));
    EXPECT_FALSE(s.ScreenContains("Ошибка")) << s.Dump();
    s.Send(keys::F10);
    EXPECT_TRUE(ExitsWith(s, 0, Patience));
    EXPECT_TRUE(NoStrayControls(s));
}

TEST(DemoWorld, AFightAndARestRunOnTheCountdown) {
    DemoGame game;
    PtySession& s = game.Screen();
    const DefaultLayout layout = game.Layout();
    ASSERT_TRUE(game.CreateCharacter("Fighter", "sword"));
    game.Type("n");
    ASSERT_TRUE(ShowsText(s, "Таверна", Patience));
    // The cellar's torch takes a hand and shows the fire gauge; the rat fights in rounds with
    // the countdown between them.
    game.Type("вниз"); // from the tavern
    ASSERT_TRUE(ShowsText(s, "Подвал таверны", Patience));
    game.Type("take torch");
    ASSERT_TRUE(ShowsText(s, "Вы берёте факел.", Patience));
    EXPECT_TRUE(ShowsText(s, "св.рук 1, огонь 20/20", Patience));
    game.Type("убить крысу");
    ASSERT_TRUE(ShowsText(s, "Вы бросаетесь на крысу!", Patience));
    // Between rounds the countdown runs in columns 50 to 54 of the separator line.
    const auto countdownShown = [&] {
        const std::u32string row = s.Row(layout.separatorRow);
        return row.size() > 54 && row[53] == U'.';
    };
    EXPECT_TRUE(Eventually(
        s, [&] { return countdownShown() || s.ScreenContains("Крыса повержена!"); }, Patience,
        "the countdown to the next round"));
    ASSERT_TRUE(ShowsText(s, "Крыса повержена!", 10s));
    EXPECT_TRUE(ShowsText(s, "опыт 350/1k", Patience));

    // A rest counts down on the separator line and moves the clock on by an hour.
    game.Type("отдых");
    ASSERT_TRUE(ShowsText(s, "Вы садитесь отдохнуть.", Patience));
    EXPECT_TRUE(Eventually(s, countdownShown, Patience, "the countdown of the rest"));
    ASSERT_TRUE(ShowsText(s, "Вы отдохнули", 10s));
    EXPECT_TRUE(ShowsText(s, " 1042, 09:", Patience));
}

TEST(DemoWorld, TheDiaryIsEditedInTheClientsEditorAndKeptByTheServer) {
    DemoGame game;
    PtySession& s = game.Screen();
    ASSERT_TRUE(game.CreateCharacter("Writer", "pen"));
    game.Type("писать");
    ASSERT_TRUE(ShowsText(s, "Режим редактирования текста:", Patience));
    ASSERT_TRUE(ShowsText(s, "Дорогой дневник! Сегодня я пришёл в Вереск.", Patience));
    // In the server's editor Enter starts a line and Ctrl+Enter sends the text.
    s.Send(keys::CtrlEnd);
    s.Send(keys::Enter);
    s.Send("Крыса в подвале.");
    ASSERT_TRUE(ShowsText(s, "Крыса в подвале.", Patience));
    s.Send(keys::CtrlEnter);
    ASSERT_TRUE(ShowsText(s, "Дневник: записано строк - 2.", Patience));
    EXPECT_FALSE(s.ScreenContains("Режим редактирования текста:")) << s.Dump();

    game.Type("читать");
    ASSERT_TRUE(ShowsText(s, "Ваш дневник:", Patience));
    EXPECT_TRUE(ShowsText(s, "  Крыса в подвале.", Patience));

    // Escape cancels an edit: the client answers "cc" and the diary stays.
    game.Type("write");
    ASSERT_TRUE(ShowsText(s, "Режим редактирования текста:", Patience));
    s.Send(keys::Escape);
    ASSERT_TRUE(ShowsText(s, "ничего не записав", Patience));
    game.Type("read");
    EXPECT_TRUE(Eventually(
        s, [&] { return game.LastOutputRow().find("Крыса в подвале.") != std::string::npos; },
        Patience, "the diary read again"));
}

TEST(DemoWorld, TheDicePluginPlaysAMatchAgainstTheDealer) {
    DemoGame game;
    PtySession& s = game.Screen();
    ASSERT_TRUE(game.CreateCharacter("Player", "dice"));
    // The client's plugin list answered the server's request.
    ASSERT_TRUE(ShowsText(s, "Модуль клиента: Dice.", Patience));
    game.Type("кинуть");
    ASSERT_TRUE(ShowsText(s, "Сначала начните партию", Patience));
    game.Type("n");
    ASSERT_TRUE(ShowsText(s, "Таверна", Patience));
    game.Type("кости");
    // The plugin greets the player by the name the server gave the client.
    ASSERT_TRUE(ShowsText(s, "Кости: Привет, Player!", Patience));
    ASSERT_TRUE(ShowsText(s, "Новая партия, счёт 0:0.", Patience));

    // Each throw: the plugin rolls, sends its game data, the dealer answers, the plugin scores.
    bool over = false;
    for (int round = 0; round < 40 && !over; ++round) {
        const std::string before = s.Screen().Text();
        game.Type("кинуть");
        ASSERT_TRUE(Eventually(
            s,
            [&] {
                over = s.ScreenContains("Партия окончена.");
                return over ||
                       (s.Screen().Text() != before && game.RecentRowStartsWith("Счёт ", 3));
            },
            Patience, "the round's score"));
        s.PumpFor(100ms); // the plugin's text to the room may follow the score
    }
    ASSERT_TRUE(over) << s.Dump();
    // The plugin's verdict went to the room on its channel and came back from the server.
    EXPECT_TRUE(Eventually(
        s,
        [&] {
            return s.ScreenContains("Player выигрывает в кости со счётом 3:") ||
                   s.ScreenContains("Player проигрывает в кости со счётом ");
        },
        Patience, "the verdict"));
    EXPECT_TRUE(ShowsText(s, "Крупье бросает:", Patience));
    EXPECT_TRUE(ShowsText(s, "Player бросает кости:", Patience));
}

TEST(DemoWorld, AReturningPlayerNeedsTheRightPassword) {
    DemoGame game;
    PtySession& s = game.Screen();
    ASSERT_TRUE(game.CreateCharacter("Returner", "right"));
    game.Type("quit");
    ASSERT_TRUE(ShowsText(s, "для повторного подключения", Patience));
    s.Send(keys::Enter); // connect again
    ASSERT_TRUE(Eventually(
        s,
        [&] {
            return game.LastOutputRow().find("Как зовут вашего персонажа?") != std::string::npos;
        },
        Patience, "the name prompt again"));
    game.Type("returner");
    ASSERT_TRUE(Eventually(
        s, [&] { return game.LastOutputRow().find("Пароль:") != std::string::npos; }, Patience,
        "the password prompt"));
    game.Type("wrong");
    ASSERT_TRUE(ShowsText(s, "Неверный пароль.", Patience));
    game.Type("Returner");
    ASSERT_TRUE(Eventually(
        s, [&] { return game.LastOutputRow().find("Пароль:") != std::string::npos; }, Patience,
        "the password prompt again"));
    game.Type("right");
    ASSERT_TRUE(ShowsText(s, "Здравствуйте, Returner!", Patience));
}

} // namespace
} // namespace tolmix::e2e
