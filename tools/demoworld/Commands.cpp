// The commands a player types once in the game, English or Russian.
#include "Session.h"
#include "Text1251.h"
#include "Wire.h"

#include <functional>

namespace tolmix::demo {

namespace {

using namespace std::chrono_literals;

enum class Verb {
    Look,
    Inventory,
    Take,
    Drop,
    Eat,
    Drink,
    Rest,
    Kill,
    Flee,
    Heal,
    Pray,
    Dice,
    Again,
    Throw,
    Rules,
    Write,
    Read,
    Say,
    Who,
    Time,
    Music,
    Help,
    Quit
};

struct VerbWords {
    Verb verb;
    std::vector<const char*> words; // UTF-8; a word may be shortened to its first three letters
};

const std::vector<VerbWords>& Verbs() {
    static const std::vector<VerbWords> Table = {
        {Verb::Look, {"look", "l", "смотреть", "см", "осмотреться", "о"}},
        {Verb::Inventory, {"inventory", "i", "инвентарь", "и"}},
        {Verb::Take, {"take", "get", "взять", "поднять"}},
        {Verb::Drop, {"drop", "положить", "выбросить", "бросить"}},
        {Verb::Eat, {"eat", "есть", "съесть", "ешь"}},
        {Verb::Drink, {"drink", "пить", "выпить", "пей"}},
        {Verb::Rest, {"rest", "sleep", "отдых", "отдыхать", "спать"}},
        {Verb::Kill, {"kill", "fight", "attack", "убить", "бить", "атаковать", "драться"}},
        {Verb::Flee, {"flee", "бежать", "удрать"}},
        {Verb::Heal, {"heal", "лечить", "лечиться"}},
        {Verb::Pray, {"pray", "молиться"}},
        {Verb::Dice, {"dice", "play", "кости", "играть"}},
        {Verb::Again, {"again", "реванш"}},
        {Verb::Throw, {"throw", "roll", "кинуть", "бросок"}},
        {Verb::Rules, {"rules", "правила"}},
        {Verb::Write, {"write", "писать", "дневник"}},
        {Verb::Read, {"read", "читать"}},
        {Verb::Say, {"say", "сказать", "'"}},
        {Verb::Who, {"who", "кто"}},
        {Verb::Time, {"time", "время"}},
        {Verb::Music, {"music", "музыка"}},
        {Verb::Help, {"help", "помощь", "справка", "?"}},
        {Verb::Quit, {"quit", "конец", "выход"}},
    };
    return Table;
}

std::optional<Verb> ParseVerb(std::string_view word) {
    for (const VerbWords& entry : Verbs()) {
        for (const char* utf8 : entry.words) {
            const std::string full = Cp1251(utf8);
            if (word == full || (word.size() >= 3 && Abbreviates(word, full, 3)))
                return entry.verb;
        }
    }
    return std::nullopt;
}

bool Matches(const std::vector<std::string>& words, std::string_view what) {
    const std::string lower = Lower1251(what);
    for (const std::string& word : words)
        if (lower.starts_with(word) || (lower.size() >= 3 && word.starts_with(lower)))
            return true;
    return false;
}

} // namespace

void Session::Command(std::string_view typed, Clock::time_point now) {
    const std::string text = CleanPlayerText(Trim(typed), 400);
    if (text.empty()) {
        Prompt();
        return;
    }
    std::string_view line = text;
    // "'text" says the text, like the old games.
    const std::size_t wordEnd = line.starts_with('\'') ? 1 : std::min(line.find(' '), line.size());
    const std::string word = Lower1251(line.substr(0, wordEnd));
    const std::string_view rest = Trim(line.substr(wordEnd));

    if (const auto way = World::ParseDirection(word)) {
        Walk(*way);
        Prompt();
        return;
    }
    const auto verb = ParseVerb(word);
    if (!verb) {
        Line(Cp1251("^8Не понимаю: ") + text + Cp1251(". Наберите ^bпомощь^8.^7"));
        Prompt();
        return;
    }
    switch (*verb) {
    case Verb::Look:
        Look();
        break;
    case Verb::Inventory:
        Inventory();
        break;
    case Verb::Take:
        Take(rest);
        break;
    case Verb::Drop:
        Drop(rest);
        break;
    case Verb::Eat:
        Eat(rest);
        break;
    case Verb::Drink:
        Drink();
        break;
    case Verb::Rest:
        StartRest(now);
        break;
    case Verb::Kill:
        Attack(rest, now);
        break;
    case Verb::Flee:
        Flee();
        break;
    case Verb::Heal:
        Heal();
        break;
    case Verb::Pray:
        Pray();
        break;
    case Verb::Dice:
        StartDice(true);
        break;
    case Verb::Again:
        StartDice(false);
        break;
    case Verb::Throw:
        ThrowDice();
        break;
    case Verb::Rules:
        DiceRules();
        break;
    case Verb::Write:
        Write();
        break;
    case Verb::Read:
        Read();
        break;
    case Verb::Say:
        SayToRoom(rest);
        break;
    case Verb::Who:
        Who();
        break;
    case Verb::Time:
        TellTime(now);
        break;
    case Verb::Music:
        Music(rest);
        break;
    case Verb::Help:
        Help();
        break;
    case Verb::Quit:
        Quit();
        return;
    }
    Prompt();
}

void Session::Look() {
    const struct Room& room = W.Rooms[Me->room];
    Line(Cp1251("\x1b[1;36m") + room.name + Cp1251("\x1b[0m"));
    Line(room.description);
    std::string exits = Cp1251("^2Выходы:");
    for (int i = 0; i < DirectionCount; ++i)
        if (room.exits[i] != Nowhere) {
            exits += ' ';
            exits += World::DirectionName(static_cast<Direction>(i));
        }
    Line(exits + Cp1251("^7"));
    for (const Item& item : W.Items)
        if (item.room == Me->room)
            Line(Cp1251("^3Здесь лежит ") + item.name + Cp1251(".^7"));
    if (W.BeastPresent(room.beast, Moment)) {
        const Beast& beast = W.Beasts[room.beast];
        std::string name = beast.name;
        name[0] = static_cast<char>(static_cast<unsigned char>(name[0]) - 0x20);
        Line(Cp1251("^9") + name + Cp1251(" злобно смотрит на вас (^bубить^9).^7"));
    }
    for (const Session* other : W.Players)
        if (other != this && other->Room() == Me->room)
            Line(Cp1251("^e") + other->Me->name + Cp1251(" стоит здесь.^7"));
}

void Session::Walk(Direction way) {
    if (Fighting != Nowhere) {
        Say("Вы сражаетесь! Можно ^bбежать^7.");
        return;
    }
    const int to = W.Rooms[Me->room].exits[static_cast<int>(way)];
    if (to == Nowhere) {
        Say("Туда не пройти.");
        return;
    }
    const int cost = CarriedWeight() > CarryLimit / 2 ? 6 : 2;
    if (Me->moves.now < cost) {
        Say("^9Вы слишком устали, чтобы идти. Отдохните (^bотдых^9).^7");
        return;
    }
    if (RestEnds) {
        RestEnds.reset();
        Code(wire::Code("a", "0"));
        Say("Вы встаёте.");
    }
    if (W.Rooms[Me->room].diceTable && DiceRunning) {
        Say("Крупье сгребает кости: партия прервана.");
        StopDice();
    }
    W.TellRoom(Me->room, this,
               Me->name + Cp1251(" уходит ") + std::string(World::DirectionTo(way)) + ".");
    Me->room = to;
    Me->moves.Add(-cost);
    if (++Me->steps % 4 == 0) {
        Me->hunger = std::max(0, Me->hunger - 1);
        Me->thirst = std::max(0, Me->thirst - 1);
        if (Me->hunger <= 1 || Me->thirst <= 1)
            Say("^dВы проголодались и хотите пить: ^bесть^d, ^bпить^d.^7");
    }
    if (Carries(ItemKind::Torch) && TorchFuel > 0 && --TorchFuel == 0)
        Say("^cФакел догорел и погас.^7");
    W.TellRoom(to, this, Me->name + Cp1251(" приходит."));
    SendStatus();
    PlayTune(W.Rooms[to].tune);
    Look();
}

void Session::Inventory() {
    std::string hands;
    std::string pack;
    for (const Item& item : W.Items) {
        if (item.carrier != this)
            continue;
        std::string& list = item.hands > 0 ? hands : pack;
        list += (list.empty() ? "" : ", ") + item.name;
    }
    Line(Cp1251("В руках: ") + (hands.empty() ? Cp1251("ничего") : hands) + ".");
    Line(Cp1251("В мешке: ") + (pack.empty() ? Cp1251("пусто") : pack) + ".");
    Line(Cp1251("Груз: ") + std::to_string(CarriedWeight()) + Cp1251(" из ") +
         std::to_string(CarryLimit) + Cp1251(" кг."));
}

int Session::FindCarried(std::string_view what) const {
    for (std::size_t i = 0; i < W.Items.size(); ++i)
        if (W.Items[i].carrier == this && (what.empty() || Matches(W.Items[i].words, what)))
            return static_cast<int>(i);
    return Nowhere;
}

int Session::FindHere(std::string_view what) const {
    for (std::size_t i = 0; i < W.Items.size(); ++i)
        if (W.Items[i].room == Me->room && (what.empty() || Matches(W.Items[i].words, what)))
            return static_cast<int>(i);
    return Nowhere;
}

int Session::CarriedWeight() const {
    int weight = 0;
    for (const Item& item : W.Items)
        if (item.carrier == this)
            weight += item.weight;
    return weight;
}

int Session::HandsUsed() const {
    int hands = 0;
    for (const Item& item : W.Items)
        if (item.carrier == this)
            hands += item.hands;
    return hands;
}

bool Session::Carries(ItemKind kind) const {
    for (const Item& item : W.Items)
        if (item.carrier == this && item.kind == kind)
            return true;
    return false;
}

void Session::Take(std::string_view what) {
    const int index = FindHere(what);
    if (index == Nowhere) {
        Say(what.empty() ? "Здесь нечего взять." : "Здесь такого нет.");
        return;
    }
    Item& item = W.Items[index];
    if (item.hands > 2 - HandsUsed()) {
        Say(item.hands == 2 ? "^bДля этого нужны обе руки.^7" : "^bУ вас заняты руки.^7");
        return;
    }
    if (CarriedWeight() + item.weight > CarryLimit) {
        Say("^9Слишком тяжело.^7");
        return;
    }
    item.room = Nowhere;
    item.carrier = this;
    if (item.kind == ItemKind::Torch)
        TorchFuel = 20;
    if (item.kind == ItemKind::Flask)
        FlaskWater = 3;
    Line(Cp1251("Вы берёте ") + item.accusative + ".");
    W.TellRoom(Me->room, this, Me->name + Cp1251(" берёт ") + item.accusative + ".");
    PlaySound("I9 12 C6 E6 G6 L12 V70");
    SendStatus();
}

void Session::Drop(std::string_view what) {
    const int index = FindCarried(what);
    if (index == Nowhere) {
        Say(what.empty() ? "У вас ничего нет." : "У вас такого нет.");
        return;
    }
    Item& item = W.Items[index];
    item.carrier = nullptr;
    item.room = Me->room;
    Line(Cp1251("Вы кладёте ") + item.accusative + ".");
    W.TellRoom(Me->room, this, Me->name + Cp1251(" кладёт ") + item.accusative + ".");
    SendStatus();
}

void Session::ReturnItems() {
    for (Item& item : W.Items) {
        if (item.carrier == this) {
            item.carrier = nullptr;
            item.room = item.home;
        }
    }
}

void Session::Eat(std::string_view what) {
    int index = Nowhere;
    for (std::size_t i = 0; i < W.Items.size(); ++i) {
        const Item& item = W.Items[i];
        if (item.kind == ItemKind::Food && item.carrier == this &&
            (what.empty() || Matches(item.words, what)))
            index = static_cast<int>(i);
    }
    if (index == Nowhere) {
        Say("Вам нечего есть: возьмите хлеб в таверне или яблоко на площади.");
        return;
    }
    Item& food = W.Items[index];
    Me->hunger = std::min(6, Me->hunger + 2);
    Line(Cp1251("Вы съедаете ") + food.accusative + Cp1251(". ^aСытость растёт.^7"));
    // The baker and the apple tree make another.
    food.carrier = nullptr;
    food.room = food.home;
    SendStatus();
}

void Session::Drink() {
    if (W.Rooms[Me->room].water) {
        Me->thirst = 6;
        Say("Вы пьёте вволю. ^aЖажда утолена.^7");
        if (Carries(ItemKind::Flask)) {
            FlaskWater = 5;
            Say("Вы наполняете флягу.");
        }
    } else if (Carries(ItemKind::Flask) && FlaskWater > 0) {
        --FlaskWater;
        Me->thirst = std::min(6, Me->thirst + 2);
        Say("Вы пьёте из фляги.");
    } else {
        Say("Здесь нечего пить. Вода есть в таверне и у ручья на опушке.");
        return;
    }
    SendStatus();
}

void Session::Heal() {
    if (Me->mana.now < 10) {
        Say("^9Не хватает маны. Помолитесь в храме.^7");
        return;
    }
    Me->mana.Add(-10);
    Me->health.Add(25);
    Me->blood.Add(15);
    Say("^eТёплый свет затягивает ваши раны.^7");
    PlaySound("I14 15 G5 C6 E6 L20 V60");
    SendStatus();
}

void Session::Pray() {
    if (!W.Rooms[Me->room].shrine) {
        Say("Здесь нет алтаря. Храм — к востоку от площади.");
        return;
    }
    Me->mana.Fill();
    Me->ether.Fill();
    Say("Вы молитесь у алтаря. ^dМана и эфир восстановлены.^7");
    SendStatus();
}

void Session::SayToRoom(std::string_view text) {
    const std::string said = CleanPlayerText(text, 200);
    if (said.empty()) {
        Say("Что сказать?");
        return;
    }
    Line(Cp1251("^bВы говорите: «") + said + Cp1251("»^7"));
    W.TellRoom(Me->room, this,
               Cp1251("^b") + Me->name + Cp1251(" говорит: «") + said + Cp1251("»^7"));
}

void Session::Who() {
    Say("^fСейчас в игре:^7");
    for (const Session* player : W.Players)
        Line("  " + player->Me->name + Cp1251(", уровень ") + std::to_string(player->Me->level) +
             " (" + W.Rooms[player->Me->room].name + ")");
}

void Session::TellTime(Clock::time_point now) {
    const int64_t time = W.Time.Now(now);
    Line(Cp1251("Сейчас ^a") + WorldClock::TimeOfDay(time) + Cp1251("^7, ") +
         WorldClock::Date(time) + ".");
    Code(wire::Code("t", std::to_string(time)));
}

void Session::Music(std::string_view how) {
    const std::string lower = Lower1251(how);
    const bool off = lower == "off" || lower == Cp1251("выкл") || (lower.empty() && MusicOn);
    if (off) {
        MusicOn = false;
        Tune.clear();
        Code(wire::Code("P"));
        Say("Музыка выключена (^bмузыка вкл^7 — включить).");
        return;
    }
    MusicOn = true;
    Say("Музыка включена.");
    PlayTune(W.Rooms[Me->room].tune);
}

void Session::Quit() {
    Line(Cp1251("^fДо встречи, ") + Me->name + Cp1251("!^7"));
    Code(wire::Code("P"));
    Leave();
    Link.Hangup();
}

void Session::Write() {
    // The server's text editor: the header, then each line after a separator.
    std::string fields = std::to_string(Me->diary.size());
    if (Me->diary.empty())
        fields += wire::Separator + Cp1251("Дорогой дневник! Сегодня я пришёл в Вереск.");
    for (const std::string& line : Me->diary)
        fields += wire::Separator + line;
    Editing = true;
    Say("^8Дневник открыт в редакторе клиента: Enter — новая строка, Ctrl+Enter — записать, "
        "Escape — закрыть без записи.^7");
    Code(wire::Code("ct", fields));
}

void Session::Read() {
    if (Me->diary.empty()) {
        Say("Дневник пуст. ^bписать^7 — открыть его в редакторе.");
        return;
    }
    Say("^fВаш дневник:^7");
    for (const std::string& line : Me->diary)
        Line(Cp1251("^6  ") + line + Cp1251("^7"));
}

} // namespace tolmix::demo
