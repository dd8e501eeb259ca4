// What runs on timers: fight rounds and rest, with the countdown on the client's separator line.
#include "Session.h"
#include "Text1251.h"
#include "Wire.h"

namespace tolmix::demo {

namespace {

using namespace std::chrono_literals;

constexpr auto RoundTime = 1500ms;
constexpr auto RestTime = 4s;

// The countdown code's payload: seconds with one decimal.
std::string Seconds(std::chrono::milliseconds time) {
    const auto tenths = time.count() / 100;
    return std::to_string(tenths / 10) + "." + std::to_string(tenths % 10);
}

std::string Capital(std::string name) {
    name[0] = static_cast<char>(static_cast<unsigned char>(name[0]) - 0x20);
    return name;
}

} // namespace

void Session::Attack(std::string_view what, Clock::time_point now) {
    if (Fighting != Nowhere) {
        Say("Вы уже сражаетесь!");
        return;
    }
    const int beast = W.Rooms[Me->room].beast;
    if (!W.BeastPresent(beast, now) || (!what.empty() && ![&] {
            const std::string lower = Lower1251(what);
            for (const std::string& word : W.Beasts[beast].words)
                if (lower.starts_with(word) || word.starts_with(lower))
                    return true;
            return false;
        }())) {
        Say("Здесь не с кем драться. Крыса живёт в подвале таверны, волк — в лесной чаще.");
        return;
    }
    if (RestEnds)
        RestEnds.reset();
    Beast& target = W.Beasts[beast];
    if (target.health <= 0)
        target.health = target.healthMax; // it came back
    Fighting = beast;
    Line(Cp1251("^9Вы бросаетесь на ") + target.accusative + Cp1251("!^7"));
    W.TellRoom(Me->room, this, Me->name + Cp1251(" бросается на ") + target.accusative + "!");
    FightRound(now);
}

void Session::FightRound(Clock::time_point now) {
    NextRound.reset();
    if (Fighting == Nowhere)
        return;
    Beast& beast = W.Beasts[Fighting];
    if (beast.health <= 0) { // someone else killed it
        Fighting = Nowhere;
        Code(wire::Code("a", "0"));
        return;
    }
    const bool sword = Carries(ItemKind::Weapon);
    std::uniform_int_distribution<int> mine(sword ? 8 : 5, sword ? 16 : 10);
    int hit = mine(Random);
    if (Me->strength.now == 0)
        hit /= 2;
    beast.health -= hit;
    Me->strength.Add(-3);
    Line(Cp1251("^aВы ") + (sword ? Cp1251("рубите ") : Cp1251("бьёте ")) + beast.accusative +
         " (" + std::to_string(hit) + Cp1251(").^7"));
    PlaySound(sword ? "I116 C4 L10 V80" : "I117 G3 L10 V80");
    if (beast.health <= 0) {
        beast.backAt = now + 30s;
        Fighting = Nowhere;
        Code(wire::Code("a", "0"));
        // "крыса повержена", "волк повержен"
        Line(Cp1251("^f") + Capital(beast.name) + Cp1251(" повержен") +
             (beast.name.back() == '\xE0' ? "\xE0" : "") + Cp1251("!^7"));
        W.TellRoom(Me->room, this, Me->name + Cp1251(" побеждает: ") + beast.name + ".");
        GainExperience(beast.experience);
        Me->hunger = std::max(0, Me->hunger - 1);
        SendStatus();
        return;
    }
    std::uniform_int_distribution<int> theirs(beast.damageMin, beast.damageMax);
    const int bite = theirs(Random);
    Me->health.Add(-bite);
    Me->blood.Add(-bite / 2);
    Line(Cp1251("^9") + Capital(beast.name) + Cp1251(" кусает вас (") + std::to_string(bite) +
         Cp1251(").^7"));
    if (Me->health.now <= 0) {
        Faint();
        SendStatus();
        return;
    }
    SendStatus();
    Code(wire::Code("a", Seconds(RoundTime))); // to the next round
    NextRound = now + RoundTime;
}

void Session::Flee() {
    if (Fighting == Nowhere) {
        Say("Вы ни с кем не сражаетесь.");
        return;
    }
    Fighting = Nowhere;
    NextRound.reset();
    Code(wire::Code("a", "0"));
    Say("^eВы убегаете!^7");
    for (int i = 0; i < DirectionCount; ++i) {
        if (W.Rooms[Me->room].exits[i] != Nowhere) {
            Walk(static_cast<Direction>(i));
            return;
        }
    }
}

void Session::Faint() {
    Fighting = Nowhere;
    NextRound.reset();
    Code(wire::Code("a", "0"));
    Say("^9Вы теряете сознание...^7");
    PlaySound("I19 60 E3 C3 L90 V70");
    W.TellRoom(Me->room, this, Me->name + Cp1251(" падает без чувств."));
    Me->room = W.TempleRoom;
    Me->health.now = 1;
    Me->moves.now = std::min(Me->moves.now, 10);
    Say("^fВы приходите в себя в храме. Отдохните (^bотдых^f).^7");
    PlayTune(W.Rooms[Me->room].tune);
    Look();
}

void Session::GainExperience(int amount) {
    Me->experience += amount;
    Line(Cp1251("^bОпыт: +") + std::to_string(amount) + Cp1251(".^7"));
    if (Me->experience < Me->experienceMax)
        return;
    Me->experience -= Me->experienceMax;
    Me->experienceMax *= 2;
    ++Me->level;
    Me->health.max += 20;
    Me->mana.max += 10;
    Me->strength.max += 5;
    Line(Cp1251("^eВы достигли уровня ") + std::to_string(Me->level) + Cp1251("!^7"));
    PlaySound("I56 15 C5 E5 G5 30 C6 L25 V80");
}

void Session::StartRest(Clock::time_point now) {
    if (Fighting != Nowhere) {
        Say("Какой отдых посреди драки!");
        return;
    }
    if (RestEnds) {
        Say("Вы и так отдыхаете.");
        return;
    }
    RestEnds = now + RestTime;
    Say("Вы садитесь отдохнуть. ^8(уйти - прервать отдых)^7");
    W.TellRoom(Me->room, this, Me->name + Cp1251(" садится отдохнуть."));
    Code(wire::Code("a", Seconds(RestTime)));
}

void Session::EndRest(Clock::time_point now) {
    RestEnds.reset();
    Me->health.Add(Me->health.max / 2);
    Me->moves.Fill();
    Me->strength.Fill();
    Me->blood.Add(Me->blood.max / 2);
    Me->mana.Add(10);
    // An hour of the world's time passes for everyone.
    W.Time.Advance(std::chrono::hours(1));
    Say("^aВы отдохнули: силы вернулись, прошёл час.^7");
    W.TellEveryone(wire::Code("t", std::to_string(W.Time.Now(now))));
    SendStatus();
}

} // namespace tolmix::demo
