#include "Session.h"

#include "Text1251.h"
#include "Wire.h"

#include <algorithm>

namespace tolmix::demo {

namespace {

using namespace std::chrono_literals;

constexpr auto ClockEvery = 60s;
constexpr std::size_t NameMax = 12;
constexpr std::size_t PasswordMax = 32;
constexpr int PasswordTries = 3;

bool IsLetter(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c >= 0xC0 || c == 0xA8 || c == 0xB8;
}

std::string Capitalised(std::string_view lower) {
    std::string name(lower);
    auto& first = reinterpret_cast<unsigned char&>(name[0]);
    if ((first >= 'a' && first <= 'z') || first >= 0xE0)
        first = static_cast<unsigned char>(first - 0x20);
    else if (first == 0xB8)
        first = 0xA8;
    return name;
}

std::string Pair(int a, int b) {
    return std::to_string(a) + "/" + std::to_string(b);
}

std::string Pair(const Gauge& gauge) {
    return Pair(gauge.now, gauge.max);
}

} // namespace

Session::Session(World& world, PlayerLink& link, Clock::time_point now)
    : W(world), Link(link), LoginBy(now + world.Limits.LoginTime), IdleBy(now), Moment(now),
      NextClock(now + ClockEvery), Random(std::random_device{}()) {}

Session::~Session() {
    Leave();
}

void Session::Say(std::string_view utf8) {
    Link.SendLine(Cp1251(utf8));
}

void Session::Code(std::string_view line) {
    Link.SendLine(line);
}

void Session::Prompt() {
    if (Step == Stage::Playing)
        Link.SendPrompt(Cp1251("^2") + Me->name + Cp1251("^7> "));
}

void Session::Hear(std::string_view text) {
    Link.SendLine(text);
    Prompt();
}

int Session::Room() const {
    return Step == Stage::Playing ? Me->room : Nowhere;
}

void Session::Start() {
    // The banner mixes ANSI colour sequences with the server's own colour bytes.
    Line("");
    Line(Cp1251("\x1b[1;33m       *  *  *   ДЕРЕВНЯ ВЕРЕСК   *  *  *\x1b[0m"));
    Say("^8  демонстрационный мир клиента ^fTolmix^8: статус, часы, отсчёт,");
    Say("^8  редактор текста, музыка и игра в кости — всё в нескольких комнатах.^7");
    Line("");
    Code(wire::Code("v")); // which client is this?
    AskName();
}

void Session::AskName() {
    Step = Stage::Name;
    Link.SendPrompt(Cp1251("Как зовут вашего персонажа? "));
}

void Session::AskPassword(const char* prompt) {
    Link.SendTelnet(wire::WillEcho); // the client hides what is typed next
    Link.SendPrompt(Cp1251(prompt));
}

void Session::Receive(const TelnetInput::Line& line, Clock::time_point now) {
    if (Step == Stage::Gone)
        return;
    Moment = now;
    IdleBy = now + W.Limits.IdleTime;
    const std::string_view text = line.text;
    if (text.starts_with(wire::Marker)) {
        ClientCode(text.substr(wire::Marker.size()));
        return;
    }
    if (line.cut) {
        Say("^9Слишком длинная строка, она пропущена.^7");
        if (Step == Stage::Playing)
            Prompt();
        return;
    }
    switch (Step) {
    case Stage::Name:
        OnName(text);
        break;
    case Stage::Password:
        OnPassword(text);
        break;
    case Stage::NewPassword:
        OnNewPassword(text);
        break;
    case Stage::RepeatPassword:
        OnRepeatPassword(text);
        break;
    case Stage::Playing:
        Command(text, now);
        break;
    case Stage::Gone:
        break;
    }
}

void Session::OnName(std::string_view typed) {
    const std::string_view name = Trim(typed);
    // The client's automatic lines after connecting (digits) and empty lines pass silently.
    if (name.find_first_not_of("0123456789") == std::string_view::npos)
        return;
    const bool letters = std::all_of(
        name.begin(), name.end(), [](char c) { return IsLetter(static_cast<unsigned char>(c)); });
    if (!letters || name.size() < 2 || name.size() > NameMax) {
        Say("^9Имя — это от 2 до 12 букв, русских или латинских.^7");
        AskName();
        return;
    }
    PendingName = Lower1251(name);
    const auto known = W.Characters.find(PendingName);
    if (known == W.Characters.end()) {
        Line(Cp1251("Добро пожаловать, ^f") + Capitalised(PendingName) +
             Cp1251("^7! Придумайте пароль, чтобы войти им снова."));
        Step = Stage::NewPassword;
        AskPassword("Новый пароль: ");
        return;
    }
    Step = Stage::Password;
    AskPassword("Пароль: ");
}

void Session::OnPassword(std::string_view typed) {
    Link.SendTelnet(wire::WontEcho);
    Line("");
    const auto known = W.Characters.find(PendingName);
    if (known == W.Characters.end() || known->second.password != typed) {
        Say("^9Неверный пароль.^7");
        if (++WrongPasswords >= PasswordTries) {
            Say("До свидания.");
            Step = Stage::Gone;
            Link.Hangup();
            return;
        }
        AskName();
        return;
    }
    const bool inGame = std::any_of(W.Players.begin(), W.Players.end(),
                                    [&](const Session* s) { return s->Me == &known->second; });
    if (inGame) {
        Say("^9Этот персонаж уже в игре.^7");
        AskName();
        return;
    }
    Me = &known->second;
    EnterGame();
}

void Session::OnNewPassword(std::string_view typed) {
    Link.SendTelnet(wire::WontEcho);
    Line("");
    if (typed.empty() || typed.size() > PasswordMax) {
        Say("^9Пароль — от 1 до 32 знаков.^7");
        AskPassword("Новый пароль: ");
        return;
    }
    PendingPassword = typed;
    Step = Stage::RepeatPassword;
    AskPassword("Повторите пароль: ");
}

void Session::OnRepeatPassword(std::string_view typed) {
    Link.SendTelnet(wire::WontEcho);
    Line("");
    if (typed != PendingPassword) {
        Say("^9Пароли не совпали, попробуем ещё раз.^7");
        Step = Stage::NewPassword;
        AskPassword("Новый пароль: ");
        return;
    }
    if (W.Characters.contains(PendingName)) { // someone else was quicker with the name
        Say("^9Это имя только что заняли.^7");
        AskName();
        return;
    }
    if (!W.MakeRoomForCharacter()) {
        Say("^9Новых персонажей сейчас не создать, попробуйте позже.^7");
        AskName();
        return;
    }
    Character hero;
    hero.lastSeen = Moment;
    hero.name = Capitalised(PendingName);
    hero.password = PendingPassword;
    hero.room = W.StartRoom;
    Me = &W.Characters.emplace(PendingName, std::move(hero)).first->second;
    Say("^aПерсонаж создан.^7");
    EnterGame();
}

void Session::EnterGame() {
    Step = Stage::Playing;
    IdleBy = Moment + W.Limits.IdleTime;
    PendingPassword.clear();
    W.Players.push_back(this);
    Code(wire::Code("n", Me->name));
    SendStatus();
    Code(wire::Code("t", std::to_string(W.Time.Now(Moment))));
    Code(wire::Code("gl")); // which game plugins has the client?
    Line("");
    Line(Cp1251("^fЗдравствуйте, ") + Me->name +
         Cp1251("!^7 Наберите ^bпомощь^7 (или ^bhelp^7), чтобы узнать команды и клавиши."));
    if (!ClientVersion.empty())
        Line(Cp1251("^8Ваш клиент: ") + ClientVersion + Cp1251(".^7"));
    W.TellRoom(Me->room, this, Me->name + Cp1251(" входит в игру."));
    PlayTune(W.Rooms[Me->room].tune);
    Look();
    Prompt();
}

void Session::Leave() {
    if (Step == Stage::Playing) {
        StopDice();
        ReturnItems();
        std::erase(W.Players, this);
        Me->lastSeen = Moment;
        W.TellRoom(Me->room, this, Me->name + Cp1251(" покидает игру."));
    }
    Step = Stage::Gone;
}

std::optional<Clock::time_point> Session::NextDeadline() const {
    if (Step == Stage::Gone)
        return std::nullopt;
    if (Step != Stage::Playing)
        return LoginBy;
    Clock::time_point next = std::min(NextClock, IdleBy);
    if (NextRound)
        next = std::min(next, *NextRound);
    if (RestEnds)
        next = std::min(next, *RestEnds);
    return next;
}

std::optional<Clock::time_point> Session::LoginDeadline() const {
    if (Step == Stage::Playing || Step == Stage::Gone)
        return std::nullopt;
    return LoginBy;
}

void Session::GiveWay() {
    Say("^9Сервер полон, а вы так и не вошли: место отдано другому.^7");
    Step = Stage::Gone;
    Link.Hangup();
}

void Session::OnTime(Clock::time_point now) {
    if (Step == Stage::Gone)
        return;
    Moment = now;
    if (Step != Stage::Playing) {
        if (now >= LoginBy) {
            Say("^9Время на вход вышло.^7");
            Step = Stage::Gone;
            Link.Hangup();
        }
        return;
    }
    if (now >= IdleBy) {
        Say("^9Вы долго молчали, и вас проводили из деревни. До встречи!^7");
        Code(wire::Code("P"));
        Leave();
        Link.Hangup();
        return;
    }
    if (NextRound && now >= *NextRound) {
        FightRound(now);
        Prompt();
    }
    if (RestEnds && now >= *RestEnds) {
        EndRest(now);
        Prompt();
    }
    if (now >= NextClock) {
        // The client's clock runs on its own; now and then it is set right again.
        Code(wire::Code("t", std::to_string(W.Time.Now(now))));
        NextClock = now + ClockEvery;
    }
}

void Session::SendStatus() {
    const Character& c = *Me;
    Code(wire::Code("l", std::to_string(c.level)));
    Code(wire::Code("x", Pair(c.experience, c.experienceMax)));
    Code(wire::Code("h", Pair(c.health)));
    Code(wire::Code("w", Pair(c.moves)));
    Code(wire::Code("m", Pair(c.mana)));
    Code(wire::Code("u", Pair(c.hunger, c.thirst)));
    SendLoad();
    Code(wire::Code("ef", Carries(ItemKind::Torch) ? Pair(TorchFuel, 20) : "0/0"));
    Code(wire::Code("ew", Carries(ItemKind::Flask) ? Pair(FlaskWater, 5) : "0/0"));
    Code(wire::Code("eb", Pair(c.blood)));
    Code(wire::Code("ee", Pair(c.ether)));
    Code(wire::Code("eF", Pair(c.strength)));
}

void Session::SendLoad() {
    int hands = 0;
    int pack = 0;
    for (const Item& item : W.Items)
        if (item.carrier == this)
            (item.hands > 0 ? hands : pack) += item.weight;
    Code(wire::Code("o", std::to_string(hands + pack) + "/" + std::to_string(hands) + "/" +
                             std::to_string(pack) + "/" + std::to_string(CarryLimit)));
    Code(wire::Code("d", std::to_string(2 - HandsUsed())));
}

void Session::PlayTune(const std::string& tune) {
    if (!MusicOn || tune == Tune)
        return;
    Tune = tune;
    Code(wire::Code("p", tune));
}

void Session::PlaySound(const char* command) {
    if (MusicOn)
        Code(wire::Code("p", command));
}

} // namespace tolmix::demo
