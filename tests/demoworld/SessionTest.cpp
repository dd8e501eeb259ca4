// A game session on a recording link: the login with its telnet echo handling, the server codes
// that fill the client's panel, the text editor's round trip, the Dice game's codes, the timers.
#include "Session.h"
#include "Text1251.h"
#include "Wire.h"
#include "util/Base64.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>

namespace tolmix::demo {
namespace {

using namespace std::chrono_literals;

// What a session sent, one entry per call: "L:" line, "P:" prompt, "T:" telnet bytes.
struct RecordingLink final : PlayerLink {
    std::vector<std::string> Sent;
    bool HungUp = false;

    void SendLine(std::string_view text) override { Sent.push_back("L:" + std::string(text)); }
    void SendPrompt(std::string_view text) override { Sent.push_back("P:" + std::string(text)); }
    void SendTelnet(std::string_view bytes) override { Sent.push_back("T:" + std::string(bytes)); }
    void Hangup() override { HungUp = true; }

    std::vector<std::string> Take() { return std::exchange(Sent, {}); }
};

std::string CodeLine(std::string_view letters, std::string_view payload = {}) {
    return "L:" + wire::Code(letters, payload);
}

bool Has(const std::vector<std::string>& sent, const std::string& entry) {
    return std::find(sent.begin(), sent.end(), entry) != sent.end();
}

bool HasText(const std::vector<std::string>& sent, const std::string& utf8) {
    const std::string text = Cp1251(utf8);
    return std::any_of(sent.begin(), sent.end(),
                       [&](const std::string& s) { return s.find(text) != std::string::npos; });
}

// The payload of the last code with these letters, or an empty string.
std::string FindCode(const std::vector<std::string>& sent, std::string_view letters) {
    const std::string start = CodeLine(letters);
    for (auto s = sent.rbegin(); s != sent.rend(); ++s)
        if (s->starts_with(start))
            return s->substr(start.size());
    return {};
}

struct Game {
    explicit Game(WorldLimits limits = {}) : Village(Now, limits) {}
    Clock::time_point Now{std::chrono::hours(1)};
    World Village;
    RecordingLink Link;
    Session Player{Village, Link, Now};

    void Type(const std::string& utf8) { Player.Receive({Cp1251(utf8)}, Now); }
    void Answer(std::string_view code) {
        Player.Receive({std::string(wire::Marker) + std::string(code)}, Now);
    }
    std::vector<std::string> Enter(const std::string& name, const std::string& password) {
        Player.Start();
        Type(name);
        Type(password);
        Type(password);
        return Link.Take();
    }
};

TEST(DemoSession, TheGreetingAsksForTheVersionAndANameAndTheDigitsAfterConnectingPass) {
    Game game;
    game.Player.Start();
    auto sent = game.Link.Take();
    EXPECT_TRUE(Has(sent, CodeLine("v")));
    EXPECT_EQ(sent.back(), "P:" + Cp1251("Как зовут вашего персонажа? "));
    // The client's default automatic lines "0" and "2" are no names.
    game.Type("0");
    game.Type("2");
    EXPECT_TRUE(game.Link.Take().empty());
    game.Answer("v1.4");
    game.Type("x");
    sent = game.Link.Take();
    EXPECT_TRUE(HasText(sent, "Имя - это от 2 до 12 букв"));
}

TEST(DemoSession, AConnectionThatNeverLogsInIsClosedAtItsDeadline) {
    Game game;
    game.Player.Start();
    const auto due = game.Player.NextDeadline();
    ASSERT_TRUE(due.has_value());
    EXPECT_GE(*due - game.Now, std::chrono::minutes(1));
    game.Player.OnTime(*due - 1ms);
    EXPECT_FALSE(game.Link.HungUp);
    game.Player.OnTime(*due);
    EXPECT_TRUE(game.Link.HungUp);
    EXPECT_FALSE(game.Player.NextDeadline().has_value()); // nothing more to wake up for
}

TEST(DemoSession, APlayerWhoStaysSilentIsLetGoAtTheIdleDeadlineAndAnyLineMovesIt) {
    WorldLimits limits;
    limits.IdleTime = 2s;
    Game game(limits);
    game.Enter("Sleeper", "pw");
    ASSERT_EQ(game.Village.Players.size(), 1u);
    // A command moves the deadline on; so does a client code (the answer to "gl").
    game.Now += 1500ms;
    game.Type("look");
    game.Now += 1500ms;
    game.Answer("glDice\x10x");
    game.Link.Take();
    game.Player.OnTime(game.Now + 2s - 1ms);
    EXPECT_FALSE(game.Link.HungUp);
    ASSERT_TRUE(game.Player.NextDeadline().has_value());
    EXPECT_LE(*game.Player.NextDeadline(), game.Now + 2s);
    game.Player.OnTime(game.Now + 2s);
    EXPECT_TRUE(game.Link.HungUp);
    const auto sent = game.Link.Take();
    EXPECT_TRUE(HasText(sent, "Вы долго молчали"));
    EXPECT_TRUE(Has(sent, CodeLine("P")));
    EXPECT_TRUE(game.Village.Players.empty()) << "the character has left the game";
    EXPECT_FALSE(game.Player.NextDeadline().has_value());
}

// One client making characters without end keeps at most the bound: the one that left the game
// longest ago is forgotten, never one in the game; when every one kept is playing, no new one.
TEST(DemoSession, TheCharactersKeptAreBoundedAndTheLongestAbsentIsForgotten) {
    WorldLimits limits;
    limits.MaxCharacters = 3;
    Game game(limits);
    game.Enter("Stayer", "pw"); // in the game throughout
    auto make = [&](const std::string& name) {
        RecordingLink link;
        Session visitor(game.Village, link, game.Now);
        visitor.Start();
        for (const char* line : {name.c_str(), "pw", "pw"})
            visitor.Receive({Cp1251(line)}, game.Now);
        game.Now += 1s;
        return HasText(link.Sent, "Персонаж создан");
    }; // each visitor leaves as its session ends
    for (int i = 0; i < 40; ++i)
        EXPECT_TRUE(make("Visitor" + std::string(1, static_cast<char>('a' + i % 26)) +
                         std::string(1, static_cast<char>('a' + i / 26))));
    EXPECT_EQ(game.Village.Characters.size(), 3u);
    EXPECT_TRUE(game.Village.Characters.contains("stayer"));
    EXPECT_TRUE(game.Village.Characters.contains("visitornb")); // the last two made
    EXPECT_TRUE(game.Village.Characters.contains("visitormb"));

    // Every character kept in the game: a newcomer is told so and asked for a name again.
    std::vector<std::unique_ptr<RecordingLink>> links;
    std::vector<std::unique_ptr<Session>> players;
    for (const char* name : {"visitornb", "visitormb"}) {
        links.push_back(std::make_unique<RecordingLink>());
        players.push_back(std::make_unique<Session>(game.Village, *links.back(), game.Now));
        players.back()->Start();
        players.back()->Receive({name}, game.Now);
        players.back()->Receive({"pw"}, game.Now);
        ASSERT_NE(players.back()->Hero(), nullptr) << name;
    }
    RecordingLink late;
    Session newcomer(game.Village, late, game.Now);
    newcomer.Start();
    for (const char* line : {"Latecomer", "pw", "pw"})
        newcomer.Receive({line}, game.Now);
    EXPECT_TRUE(HasText(late.Sent, "Новых персонажей сейчас не создать"));
    EXPECT_EQ(late.Sent.back(), "P:" + Cp1251("Как зовут вашего персонажа? "));
    EXPECT_EQ(game.Village.Characters.size(), 3u);
}

TEST(DemoSession, PasswordsAreAskedWithEchoOffAndANewCharacterGetsEveryPanelCode) {
    Game game;
    game.Player.Start();
    game.Answer("v1.4");
    game.Type("Ёжик");
    auto sent = game.Link.Take();
    ASSERT_GE(sent.size(), 2u);
    EXPECT_EQ(sent[sent.size() - 2], "T:" + std::string(wire::WillEcho));
    EXPECT_EQ(sent.back(), "P:" + Cp1251("Новый пароль: "));
    game.Type("pw");
    sent = game.Link.Take();
    EXPECT_EQ(sent.front(), "T:" + std::string(wire::WontEcho));
    game.Type("other");
    sent = game.Link.Take();
    EXPECT_TRUE(HasText(sent, "Пароли не совпали"));
    game.Type("pw");
    game.Type("pw");
    sent = game.Link.Take();
    EXPECT_TRUE(Has(sent, CodeLine("n", Cp1251("Ёжик"))));
    EXPECT_EQ(FindCode(sent, "l"), "1");
    EXPECT_EQ(FindCode(sent, "x"), "0/1000");
    EXPECT_EQ(FindCode(sent, "h"), "100/100");
    EXPECT_EQ(FindCode(sent, "w"), "80/80");
    EXPECT_EQ(FindCode(sent, "m"), "40/40");
    EXPECT_EQ(FindCode(sent, "u"), "4/4");
    EXPECT_EQ(FindCode(sent, "o"), "0/0/0/40");
    EXPECT_EQ(FindCode(sent, "d"), "2");
    EXPECT_EQ(FindCode(sent, "ef"), "0/0"); // no torch: the gauge is hidden
    EXPECT_EQ(FindCode(sent, "eb"), "100/100");
    EXPECT_EQ(FindCode(sent, "ee"), "20/50");
    EXPECT_EQ(FindCode(sent, "eF"), "30/30");
    EXPECT_EQ(FindCode(sent, "t"),
              std::to_string(DayNumber(1042, 6, 1) * WorldClock::MsPerDay + 8 * 3'600'000));
    EXPECT_TRUE(Has(sent, CodeLine("gl")));
    EXPECT_TRUE(FindCode(sent, "p").ends_with("R0")); // the place's looping tune
    EXPECT_TRUE(HasText(sent, "Ваш клиент: v1.4."));
    EXPECT_TRUE(HasText(sent, "Площадь Вереска"));
}

TEST(DemoSession, AReturningCharacterNeedsItsPasswordAndThreeWrongOnesEndTheConnection) {
    Game game;
    game.Enter("Hero", "right");
    game.Type("quit");
    EXPECT_TRUE(game.Link.HungUp);
    EXPECT_TRUE(Has(game.Link.Take(), CodeLine("P"))); // the music stops

    RecordingLink link;
    Session again(game.Village, link, game.Now);
    again.Start();
    for (int attempt = 0; attempt < 3; ++attempt) {
        again.Receive({"hero"}, game.Now);
        again.Receive({"wrong"}, game.Now);
    }
    EXPECT_TRUE(HasText(link.Sent, "Неверный пароль."));
    EXPECT_TRUE(link.HungUp);
    EXPECT_EQ(again.Room(), Nowhere);
}

TEST(DemoSession, WalkingTakingAndEatingChangeThePanel) {
    Game game;
    game.Enter("Walker", "pw");
    game.Type("север");
    auto sent = game.Link.Take();
    EXPECT_EQ(FindCode(sent, "w"), "78/80");
    EXPECT_TRUE(HasText(sent, "Таверна"));
    game.Type("взять хлеб");
    sent = game.Link.Take();
    EXPECT_EQ(FindCode(sent, "o"), "1/0/1/40");
    game.Type("eat bread");
    EXPECT_EQ(FindCode(game.Link.Take(), "u"), "6/4");
    game.Type("d");
    game.Type("take torch");
    sent = game.Link.Take();
    EXPECT_EQ(FindCode(sent, "ef"), "20/20");
    EXPECT_EQ(FindCode(sent, "d"), "1");
    game.Type("drop torch");
    EXPECT_EQ(FindCode(game.Link.Take(), "ef"), "0/0");
    game.Type("up");
    game.Type("s");
    game.Type("s");
    game.Type("take stone"); // the boulder takes both hands and most of the load
    sent = game.Link.Take();
    EXPECT_EQ(FindCode(sent, "o"), "30/30/0/40");
    EXPECT_EQ(FindCode(sent, "d"), "0");
    game.Type("huh");
    EXPECT_TRUE(HasText(game.Link.Take(), "Не понимаю: huh"));
}

TEST(DemoSession, TheDiaryGoesToTheClientsEditorAndComesBack) {
    Game game;
    game.Enter("Scribe", "pw");
    game.Type("write");
    auto sent = game.Link.Take();
    // The header (the line count), then each line after a separator; "я" stays one byte here,
    // the connection doubles it on the wire.
    EXPECT_EQ(FindCode(sent, "ct"),
              "0\x80" + Cp1251("Дорогой дневник! Сегодня я пришёл в Вереск."));
    // Colour bytes are taken out of the lines, and empty lines at the end are dropped.
    game.Answer("ct3\x80one\x80\x8Fred\x80");
    sent = game.Link.Take();
    EXPECT_TRUE(HasText(sent, "Дневник: записано строк - 2."));
    game.Type("read");
    sent = game.Link.Take();
    EXPECT_TRUE(HasText(sent, "  one"));
    EXPECT_TRUE(HasText(sent, "  red"));
    EXPECT_FALSE(HasText(sent, "\x8Fred"));
    game.Type("write");
    EXPECT_EQ(FindCode(game.Link.Take(), "ct"), "2\x80one\x80red");
    game.Answer("cc");
    EXPECT_TRUE(HasText(game.Link.Take(), "ничего не записав"));
    // An editor answer nobody asked for changes nothing.
    game.Answer("ct1\x80sneaky");
    game.Type("read");
    EXPECT_FALSE(HasText(game.Link.Take(), "sneaky"));
}

TEST(DemoSession, TheDealerPlaysTheDicePluginsGameThroughGameCodes) {
    Game game;
    game.Enter("Gambler", "pw");
    game.Type("n");
    game.Type("dice");
    EXPECT_TRUE(HasText(game.Link.Take(), "нет модуля Dice"));
    game.Answer("glDice\x80" + Cp1251("Кости 1.0"));
    game.Type("dice");
    auto sent = game.Link.Take();
    EXPECT_TRUE(Has(sent, CodeLine("go", "Dice")));
    EXPECT_TRUE(Has(sent, CodeLine("gs", "Dice")));
    game.Type("throw");
    EXPECT_TRUE(Has(game.Link.Take(), CodeLine("gd", EncodeBase64("throw"))));
    game.Answer("gd" + EncodeBase64("roll 3 4"));
    const std::string house = FindCode(game.Link.Take(), "gd");
    const auto decoded = DecodeBase64(house);
    ASSERT_TRUE(decoded.has_value());
    EXPECT_TRUE(decoded->starts_with("house ")) << *decoded;
    game.Answer("gep" + Cp1251("выигрывает в кости со счётом 3:0"));
    EXPECT_TRUE(HasText(game.Link.Take(), "Gambler выигрывает в кости со счётом 3:0"));
    game.Answer("gf");
    sent = game.Link.Take();
    EXPECT_TRUE(Has(sent, CodeLine("gf")));
    game.Type("again");
    EXPECT_TRUE(Has(game.Link.Take(), CodeLine("gs", "Dice\x80"
                                                     "1")));
    // Leaving the table ends the match.
    game.Type("s");
    EXPECT_TRUE(Has(game.Link.Take(), CodeLine("gf")));
}

TEST(DemoSession, RestCountsDownAndMovesTheWorldsClockOnByAnHour) {
    Game game;
    game.Enter("Sleeper", "pw");
    const int64_t before = game.Village.Time.Now(game.Now);
    game.Type("rest");
    EXPECT_EQ(FindCode(game.Link.Take(), "a"), "4.0");
    ASSERT_TRUE(game.Player.NextDeadline().has_value());
    EXPECT_EQ(*game.Player.NextDeadline(), game.Now + 4s);
    game.Player.OnTime(game.Now + 3s);
    EXPECT_TRUE(game.Link.Take().empty());
    game.Player.OnTime(game.Now + 4s);
    const auto sent = game.Link.Take();
    EXPECT_EQ(FindCode(sent, "t"), std::to_string(before + 4 * 4'000 + 3'600'000));
    EXPECT_TRUE(HasText(sent, "Вы отдохнули"));
}

TEST(DemoSession, AFightRunsInRoundsUntilTheRatIsDead) {
    Game game;
    game.Enter("Brawler", "pw");
    game.Type("n");
    game.Type("d");
    game.Link.Take();
    game.Type("kill rat");
    auto sent = game.Link.Take();
    EXPECT_TRUE(HasText(sent, "Вы бросаетесь на крысу!"));
    bool dead = HasText(sent, "Крыса повержена!");
    for (int round = 1; round < 10 && !dead; ++round) {
        EXPECT_EQ(FindCode(sent, "a"), "1.5");
        const auto due = game.Player.NextDeadline();
        ASSERT_TRUE(due.has_value());
        game.Now = *due;
        game.Player.OnTime(game.Now);
        sent = game.Link.Take();
        dead = HasText(sent, "Крыса повержена!");
    }
    ASSERT_TRUE(dead);
    EXPECT_EQ(FindCode(sent, "x"), "350/1000");
    game.Type("kill rat");
    EXPECT_TRUE(HasText(game.Link.Take(), "Здесь не с кем драться."));
}

TEST(DemoSession, EachPlaceLoopsItsTuneShortSoundsPlayOverItAndMusicCanBeSwitchedOff) {
    Game game;
    const std::string square = FindCode(game.Enter("Listener", "pw"), "p");
    EXPECT_TRUE(square.ends_with(" R0")) << square;
    game.Type("north");
    const std::string tavern = FindCode(game.Link.Take(), "p");
    EXPECT_TRUE(tavern.ends_with(" R0")) << tavern;
    EXPECT_NE(tavern, square);
    game.Type("down"); // the cellar shares the tavern's tune: it is not started again
    EXPECT_EQ(FindCode(game.Link.Take(), "p"), "");
    game.Type("take torch");
    const std::string sound = FindCode(game.Link.Take(), "p");
    EXPECT_FALSE(sound.empty());
    EXPECT_EQ(sound.find("R0"), std::string::npos) << sound; // it ends, and the tune comes back
    game.Type("music");
    EXPECT_TRUE(Has(game.Link.Take(), CodeLine("P")));
    game.Type("drop torch");
    game.Type("up");
    EXPECT_EQ(FindCode(game.Link.Take(), "p"), "");
    game.Type("music on");
    EXPECT_EQ(FindCode(game.Link.Take(), "p"), tavern);
}

TEST(DemoSession, PlayersInOneRoomHearEachOtherButCannotForgeCodes) {
    Game game;
    game.Enter("Alice", "pw");
    RecordingLink bobLink;
    Session bob(game.Village, bobLink, game.Now);
    bob.Start();
    bob.Receive({"Bob"}, game.Now);
    bob.Receive({"pw"}, game.Now);
    bob.Receive({"pw"}, game.Now);
    EXPECT_TRUE(HasText(game.Link.Take(), "Bob входит в игру."));
    bobLink.Take();
    game.Player.Receive({"say \x80\x80h1/1 hi"}, game.Now);
    const auto heard = bobLink.Take();
    ASSERT_FALSE(heard.empty());
    EXPECT_TRUE(HasText(heard, "Alice говорит: \"h1/1 hi\""));
    for (const std::string& entry : heard)
        EXPECT_FALSE(entry.starts_with("L:" + std::string(wire::Marker) + "h")) << entry;
}

} // namespace
} // namespace tolmix::demo
