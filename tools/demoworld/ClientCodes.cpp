// The client's side of the in-band codes: its version, its plugin list, the answers of the
// server's text editor, and the Dice plugin's game, which the dealer in the tavern plays.
#include "Session.h"
#include "Text1251.h"
#include "Wire.h"

#include "util/Base64.h"

namespace tolmix::demo {

namespace {

constexpr std::string_view DicePlugin = "Dice";
constexpr std::size_t DiaryLines = 20;
constexpr std::size_t DiaryLineLength = 120;
constexpr std::size_t PluginsKept = 16;

} // namespace

void Session::ClientCode(std::string_view code) {
    if (code.starts_with("v")) {
        ClientVersion = CleanPlayerText(code, 20);
    } else if (code.starts_with("gl")) {
        // One line per plugin: the name, the separator, its details.
        const std::string_view entry = code.substr(2);
        const std::string name = CleanPlayerText(entry.substr(0, entry.find(wire::Separator)), 40);
        if (!name.empty() && !HasPlugin(name) && Plugins.size() < PluginsKept) {
            Plugins.push_back(name);
            if (Step == Stage::Playing) {
                Line(Cp1251("^8Модуль клиента: ^f") + name + Cp1251("^8.^7"));
                if (name == DicePlugin)
                    Say("^8В таверне к северу от площади можно сыграть с крупье в кости.^7");
                Prompt();
            }
        }
    } else if (Step != Stage::Playing) {
        return; // the rest needs a character
    } else if (code.starts_with("ct")) {
        EditorText(code.substr(2));
    } else if (code == "cc") {
        if (Editing)
            Say("Вы закрываете дневник, ничего не записав.");
        Editing = false;
        Prompt();
    } else if (code.starts_with("gd")) {
        if (const auto data = DecodeBase64(code.substr(2)))
            DiceData(*data);
    } else if (code.starts_with("ge") && code.size() > 2) {
        DiceText(code[2], code.substr(3));
    } else if (code == "gf") {
        DiceFinished();
    }
}

void Session::EditorText(std::string_view fields) {
    if (!Editing) {
        Prompt();
        return;
    }
    Editing = false;
    // The number of lines, then each line after a separator.
    std::vector<std::string> lines;
    std::size_t at = fields.find(wire::Separator);
    while (at != std::string_view::npos && lines.size() < DiaryLines) {
        const std::size_t next = fields.find(wire::Separator, at + 1);
        const std::string_view line =
            fields.substr(at + 1, next == std::string_view::npos ? next : next - at - 1);
        lines.push_back(CleanPlayerText(line, DiaryLineLength));
        at = next;
    }
    while (!lines.empty() && Trim(lines.back()).empty())
        lines.pop_back();
    Me->diary = std::move(lines);
    Line(Cp1251("^aДневник: записано строк — ") + std::to_string(Me->diary.size()) +
         Cp1251(".^7 (^bчитать^7 — прочесть)"));
    PlaySound("I9 10 E6 C6 L10 V60");
    Prompt();
}

bool Session::HasPlugin(std::string_view name) const {
    for (const std::string& plugin : Plugins)
        if (plugin == name)
            return true;
    return false;
}

void Session::DiceRules() {
    if (!HasPlugin(DicePlugin)) {
        Say("^9У вашего клиента нет модуля Dice: положите Dice.so в папку Plugins рядом с "
            "программой.^7");
        return;
    }
    Code(wire::Code("go", DicePlugin));
    DiceRulesShown = true;
}

void Session::StartDice(bool fresh) {
    if (!W.Rooms[Me->room].diceTable) {
        Say("Крупье сидит в таверне, к северу от площади.");
        return;
    }
    if (!HasPlugin(DicePlugin)) {
        DiceRules();
        return;
    }
    if (DiceRunning) {
        Say("Партия уже идёт: ^bкинуть^7 — бросить кости.");
        return;
    }
    if (!DiceRulesShown)
        DiceRules();
    DiceRunning = true;
    // A rematch keeps the last match's score: the flag after the separator.
    Code(wire::Code("gs", std::string(DicePlugin) +
                              (fresh ? "" : std::string(1, wire::Separator) + "1")));
    Say("^bКрупье:^7 «Ставки сделаны! Бросайте» (^bкинуть^7).");
}

void Session::ThrowDice() {
    if (!DiceRunning) {
        Say("Сначала начните партию: ^bкости^7 (в таверне).");
        return;
    }
    SendDice("throw");
}

void Session::SendDice(std::string_view data) {
    Code(wire::Code("gd", EncodeBase64(std::string(data))));
}

void Session::DiceData(std::string_view data) {
    // "roll a b": the player threw; the dealer answers with a throw of his own.
    if (!DiceRunning || !data.starts_with("roll "))
        return;
    std::uniform_int_distribution<int> face(1, 6);
    const int a = face(Random);
    const int b = face(Random);
    Line(Cp1251("^bКрупье бросает: ") + std::to_string(a) + Cp1251(" и ") + std::to_string(b) +
         Cp1251(".^7"));
    PlaySound("I115 8 C5 E5 C5 L8 V70");
    SendDice("house " + std::to_string(a) + " " + std::to_string(b));
}

void Session::DiceText(char channel, std::string_view text) {
    // The plugin speaks for the player: to the room ("r", "s"), as a pose ("p"), to all ("b").
    const std::string said = CleanPlayerText(text, 200);
    const char* colour = channel == 'p' ? "^d" : channel == 'b' ? "^e" : "^b";
    const std::string line = Cp1251(colour) + Me->name + " " + said + Cp1251("^7");
    Line(line);
    W.TellRoom(Me->room, this, line);
}

void Session::DiceFinished() {
    if (!DiceRunning)
        return;
    DiceRunning = false;
    Code(wire::Code("gf"));
    Say("Партия окончена. ^bкости^7 — новая партия, ^bреванш^7 — с прежним счётом.");
    Prompt();
}

void Session::StopDice() {
    if (!DiceRunning)
        return;
    DiceRunning = false;
    Code(wire::Code("gf"));
}

} // namespace tolmix::demo
