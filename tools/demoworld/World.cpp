#include "World.h"

#include "Session.h"
#include "Text1251.h"

#include <algorithm>

namespace tolmix::demo {

namespace {

// Looping tunes, as sound commands: a time step, notes, the note length, volume, R0 = forever.
constexpr const char* VillageTune = "I24 30 E4 G4 A4 A4 G4 E4 D4 E4 60 G4 30 E4 D4 C4 D4 E4 "
                                    "60 E4 L28 V45 R0";
constexpr const char* TavernTune = "I21 20 C5 C5 G4 A4 G4 E4 C4 E4 G4 G4 A4 B4 C5 G4 40 C5 "
                                   "L18 V45 R0";
constexpr const char* ForestTune = "I73 45 A4 C5 E5 D5 C5 A4 90 E4 45 A4 B4 C5 B4 G4 90 A4 "
                                   "L40 V40 R0";
constexpr const char* TempleTune = "I19 80 C4 G4 E4 C5 B4 G4 160 C4 L75 V40 R0";

Item MakeItem(const char* name, const char* accusative, std::vector<const char*> words,
              ItemKind kind, int weight, int hands, int home) {
    Item item;
    item.name = Cp1251(name);
    item.accusative = Cp1251(accusative);
    for (const char* word : words)
        item.words.push_back(Cp1251(word));
    item.kind = kind;
    item.weight = weight;
    item.hands = hands;
    item.home = home;
    item.room = home;
    return item;
}

Beast MakeBeast(const char* name, const char* accusative, std::vector<const char*> words,
                int health, int damageMin, int damageMax, int experience) {
    Beast beast;
    beast.name = Cp1251(name);
    beast.accusative = Cp1251(accusative);
    for (const char* word : words)
        beast.words.push_back(Cp1251(word));
    beast.healthMax = beast.health = health;
    beast.damageMin = damageMin;
    beast.damageMax = damageMax;
    beast.experience = experience;
    return beast;
}

Room MakeRoom(const char* name, const char* description, const char* tune) {
    Room room;
    room.name = Cp1251(name);
    room.description = Cp1251(description);
    room.tune = tune;
    return room;
}

void Link(std::vector<Room>& rooms, int from, Direction way, int to, Direction back) {
    rooms[from].exits[static_cast<int>(way)] = to;
    rooms[to].exits[static_cast<int>(back)] = from;
}

} // namespace

World::World(Clock::time_point now, WorldLimits limits)
    : Limits(limits), Time(DayNumber(1042, 6, 1) * WorldClock::MsPerDay + 8 * 3'600'000LL, now) {
    enum { Square, Tavern, Cellar, Temple, Edge, Thicket };
    Rooms.push_back(
        MakeRoom("Площадь Вереска",
                 "Мощёная площадь деревни Вереск. Посреди неё старый колодец, на север ведёт дверь "
                 "^bтаверны^7, на востоке белеет ^fхрам^7, на юге темнеет ^2лес^7.",
                 VillageTune));
    Rooms.push_back(
        MakeRoom("Таверна «Пьяный ёж»",
                 "Тёплый зал с низким потолком пахнет хлебом и элем. За угловым столом ^bкрупье^7 "
                 "трясёт стаканчик с костями и зовёт сыграть (^bкости^7). Люк в полу ведёт вниз, в "
                 "подвал.",
                 TavernTune));
    Rooms.push_back(MakeRoom("Подвал таверны",
                             "Сырой подвал, бочки и паутина. Из-за бочек доносится писк. "
                             "Лестница ведёт наверх.",
                             TavernTune));
    Rooms.push_back(MakeRoom("Храм Тихого Света",
                             "Прохладный белый зал. У алтаря можно помолиться (^bмолиться^7): "
                             "это восстанавливает ману и эфир. Выход на запад.",
                             TempleTune));
    Rooms.push_back(MakeRoom("Опушка леса",
                             "Берёзы расступаются у журчащего ручья, из него можно напиться "
                             "(^bпить^7). Тропа ведёт на юг, в чащу; на север — деревня.",
                             ForestTune));
    Rooms.push_back(MakeRoom("Лесная чаща",
                             "Ели смыкаются над головой, под ногами хрустят ветки. Где-то рядом "
                             "воет зверь. Тропа ведёт обратно на север.",
                             ForestTune));
    Link(Rooms, Square, Direction::North, Tavern, Direction::South);
    Link(Rooms, Tavern, Direction::Down, Cellar, Direction::Up);
    Link(Rooms, Square, Direction::East, Temple, Direction::West);
    Link(Rooms, Square, Direction::South, Edge, Direction::North);
    Link(Rooms, Edge, Direction::South, Thicket, Direction::North);
    Rooms[Tavern].water = true;
    Rooms[Tavern].diceTable = true;
    Rooms[Temple].shrine = true;
    Rooms[Edge].water = true;

    Items.push_back(MakeItem("краюха хлеба", "краюху хлеба", {"хлеб", "краюх", "bread"},
                             ItemKind::Food, 1, 0, Tavern));
    Items.push_back(MakeItem("яблоко", "яблоко", {"ябл", "apple"}, ItemKind::Food, 1, 0, Square));
    Items.push_back(MakeItem("фляга", "флягу", {"фляг", "flask"}, ItemKind::Flask, 1, 0, Tavern));
    Items.push_back(MakeItem("факел", "факел", {"факел", "torch"}, ItemKind::Torch, 2, 1, Cellar));
    Items.push_back(MakeItem("меч", "меч", {"меч", "sword"}, ItemKind::Weapon, 4, 1, Temple));
    Items.push_back(MakeItem("валун", "валун", {"валун", "камен", "камн", "stone", "boulder"},
                             ItemKind::Plain, 30, 2, Edge));

    Beasts.push_back(MakeBeast("крыса", "крысу", {"крыс", "rat"}, 18, 1, 5, 350));
    Beasts.push_back(MakeBeast("волк", "волка", {"волк", "wolf"}, 60, 3, 9, 700));
    Rooms[Cellar].beast = 0;
    Rooms[Thicket].beast = 1;
    StartRoom = Square;
    TempleRoom = Temple;
}

bool World::MakeRoomForCharacter() {
    if (Characters.size() < std::max<std::size_t>(Limits.MaxCharacters, 1))
        return true;
    auto oldest = Characters.end();
    for (auto c = Characters.begin(); c != Characters.end(); ++c) {
        const bool inGame = std::any_of(Players.begin(), Players.end(),
                                        [&](const Session* s) { return s->Hero() == &c->second; });
        if (!inGame && (oldest == Characters.end() || c->second.lastSeen < oldest->second.lastSeen))
            oldest = c;
    }
    if (oldest == Characters.end())
        return false;
    Characters.erase(oldest);
    return true;
}

bool World::BeastPresent(int beast, Clock::time_point now) const {
    return beast != Nowhere && (Beasts[beast].health > 0 || now >= Beasts[beast].backAt);
}

void World::TellRoom(int room, const Session* except, std::string_view text) {
    for (Session* player : Players)
        if (player != except && player->Room() == room)
            player->Hear(text);
}

void World::TellEveryone(std::string_view line) {
    for (Session* player : Players)
        player->Code(line);
}

std::string_view World::DirectionName(Direction direction) {
    static const std::array<std::string, DirectionCount> Names = {Cp1251("север"),  Cp1251("юг"),
                                                                  Cp1251("восток"), Cp1251("запад"),
                                                                  Cp1251("вверх"),  Cp1251("вниз")};
    return Names[static_cast<int>(direction)];
}

std::string_view World::DirectionTo(Direction direction) {
    static const std::array<std::string, DirectionCount> Names = {
        Cp1251("на север"), Cp1251("на юг"),  Cp1251("на восток"),
        Cp1251("на запад"), Cp1251("наверх"), Cp1251("вниз")};
    return Names[static_cast<int>(direction)];
}

std::optional<Direction> World::ParseDirection(std::string_view word) {
    struct Way {
        const char* english;
        const char* shortEnglish;
        const char* russian;
        const char* shortRussian;
    };
    static const std::array<Way, DirectionCount> Ways = {{
        {"north", "n", "север", "с"},
        {"south", "s", "юг", "ю"},
        {"east", "e", "восток", "в"},
        {"west", "w", "запад", "з"},
        {"up", "u", "вверх", "вв"},
        {"down", "d", "вниз", "вн"},
    }};
    for (int i = 0; i < DirectionCount; ++i) {
        const Way& way = Ways[i];
        const std::string russian = Cp1251(way.russian);
        if (word == way.shortEnglish || word == Cp1251(way.shortRussian) ||
            Abbreviates(word, way.english, 2) || Abbreviates(word, russian, 2))
            return static_cast<Direction>(i);
    }
    return std::nullopt;
}

} // namespace tolmix::demo
