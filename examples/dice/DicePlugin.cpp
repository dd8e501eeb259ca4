// Dice: an example game plugin for Tolmix Client, built against uPluginIntf.h alone.
//
// A duel on two dice against the server's dealer, first to three won rounds. The server drives
// it: "go" shows the rules, "gs" starts a match (the flag false keeps the score of the last
// one), and the game data are commands in plain text:
//   throw           the player throws: the dice roll for a moment (the client keeps running),
//                   the result goes to the server as "roll <a> <b>" and to the room as text
//   house <a> <b>   the dealer's throw, which decides the round
// When a side has three rounds the plugin says so on channel 3 and tells the server the match
// is over; the server's "gf" then ends it. Texts are Windows-1251.
#include "uPluginIntf.h"

#include <random>
#include <sstream>
#include <string>

namespace {

using tolmix::TTolmixHost;

constexpr int RoundsToWin = 3;
// Passes of the client's input loop while the dice roll.
constexpr int RollingPasses = 6;

// Colour bytes of Windows-1251 text.
constexpr char Grey = '\x87';
constexpr char Yellow = '\x8B';
constexpr char Green = '\x8A';
constexpr char Red = '\x89';
constexpr char Cyan = '\x8E';

class TDiceGame final : public tolmix::TGamePlugin {
  public:
    explicit TDiceGame(TTolmixHost& host) : Host(host), Random(std::random_device{}()) {}

    std::string GetName() override { return "Dice"; }
    std::string GetDetails() override {
        // Кости 1.0: дуэль на двух кубиках до трёх побед
        return "\xCA\xEE\xF1\xF2\xE8 1.0: \xE4\xF3\xFD\xEB\xFC \xED\xE0 \xE4\xE2\xF3\xF5 "
               "\xEA\xF3\xE1\xE8\xEA\xE0\xF5 \xE4\xEE \xF2\xF0\xB8\xF5 \xEF\xEE\xE1\xE5\xE4";
    }

    void Open() override {
        std::string greeting(1, Yellow);
        greeting += "\xCA\xEE\xF1\xF2\xE8"; // Кости
        greeting += Grey;
        greeting += ": \xCF\xF0\xE8\xE2\xE5\xF2, "; // Привет,
        greeting += Host.GetCharName().empty() ? std::string("?") : Host.GetCharName();
        // ! Бросайте два кубика: у кого больше очков, тот берёт раунд. До трёх побед.
        greeting += "! \xC1\xF0\xEE\xF1\xE0\xE9\xF2\xE5 \xE4\xE2\xE0 \xEA\xF3\xE1\xE8\xEA\xE0: "
                    "\xF3 \xEA\xEE\xE3\xEE \xE1\xEE\xEB\xFC\xF8\xE5 \xEE\xF7\xEA\xEE\xE2, "
                    "\xF2\xEE\xF2 \xE1\xE5\xF0\xB8\xF2 \xF0\xE0\xF3\xED\xE4. \xC4\xEE "
                    "\xF2\xF0\xB8\xF5 \xEF\xEE\xE1\xE5\xE4.";
        Print(greeting);
        if (const uint64_t window = Host.GetWindowHandle()) {
            std::ostringstream text;
            text << Grey
                 << "\xCE\xEA\xED\xEE \xF2\xE5\xF0\xEC\xE8\xED\xE0\xEB\xE0: 0x" // Окно терминала:
                 << std::hex << window;
            Print(text.str());
        }
    }

    void StartGame(bool fresh) override {
        Running = true;
        Thrown = false;
        if (fresh || Won >= RoundsToWin || Lost >= RoundsToWin)
            Won = Lost = 0;
        if (fresh) {
            // Новая партия, счёт 0:0.
            Print(std::string(1, Yellow) +
                  "\xCD\xEE\xE2\xE0\xFF \xEF\xE0\xF0\xF2\xE8\xFF, \xF1\xF7\xB8\xF2 0:0.");
        } else {
            // Партия продолжается, счёт
            Print(std::string(1, Yellow) +
                  "\xCF\xE0\xF0\xF2\xE8\xFF \xEF\xF0\xEE\xE4\xEE\xEB\xE6\xE0\xE5\xF2\xF1\xFF, "
                  "\xF1\xF7\xB8\xF2 " +
                  Score() + ".");
        }
    }

    void FinishGame() override {
        Running = false;
        // Партия окончена, счёт
        Print(std::string(1, Yellow) +
              "\xCF\xE0\xF0\xF2\xE8\xFF \xEE\xEA\xEE\xED\xF7\xE5\xED\xE0, \xF1\xF7\xB8\xF2 " +
              Score() + ".");
    }

    void ReceiveData(const std::string& data) override {
        if (!Running)
            return;
        std::istringstream command(data);
        std::string word;
        command >> word;
        if (word == "throw") {
            Throw();
        } else if (word == "house") {
            int a = 0;
            int b = 0;
            if (command >> a >> b && Valid(a) && Valid(b))
                HouseThrow(a, b);
        }
    }

  private:
    static bool Valid(int face) { return face >= 1 && face <= 6; }
    std::string Score() const { return std::to_string(Won) + ":" + std::to_string(Lost); }
    void Print(const std::string& text) { Host.SendGameText(0, text); }

    void Throw() {
        if (Thrown)
            return; // one throw a round
        Print(std::string(1, Grey) +
              "\xCA\xF3\xE1\xE8\xEA\xE8 \xEA\xE0\xF2\xFF\xF2\xF1\xFF..."); // Кубики катятся...
        // Rolling takes a moment; the client goes on drawing, reading keys and receiving.
        for (int pass = 0; pass < RollingPasses; ++pass)
            Host.ProcessIdle();
        std::uniform_int_distribution<int> face(1, 6);
        First = face(Random);
        Second = face(Random);
        Thrown = true;
        const std::string faces = std::to_string(First) + " " + std::to_string(Second);
        // Вы выбросили
        Print(std::string(1, Cyan) + "\xC2\xFB \xE2\xFB\xE1\xF0\xEE\xF1\xE8\xEB\xE8 " +
              std::to_string(First) + " \xE8 " + std::to_string(Second) + "."); // и
        Host.SendGameData("roll " + faces);
        // бросает кости:
        Host.SendGameText(2, "\xE1\xF0\xEE\xF1\xE0\xE5\xF2 \xEA\xEE\xF1\xF2\xE8: " +
                                 std::to_string(First + Second));
    }

    void HouseThrow(int a, int b) {
        if (!Thrown)
            return; // the dealer answers a throw of the player's
        Thrown = false;
        const int mine = First + Second;
        const int house = a + b;
        if (mine > house) {
            ++Won;
            Print(std::string(1, Green) + "\xD0\xE0\xF3\xED\xE4 \xE2\xE0\xF8!"); // Раунд ваш!
        } else if (mine < house) {
            ++Lost;
            Print(std::string(1, Red) +
                  "\xD0\xE0\xF3\xED\xE4 \xE7\xE0 \xEA\xF0\xF3\xEF\xFC\xE5."); // Раунд за крупье.
        } else {
            Print(std::string(1, Grey) +
                  "\xCD\xE8\xF7\xFC\xFF \xE2 \xF0\xE0\xF3\xED\xE4\xE5."); // Ничья в раунде.
        }
        Print(std::string(1, Grey) + "\xD1\xF7\xB8\xF2 " + Score()); // Счёт
        if (Won < RoundsToWin && Lost < RoundsToWin)
            return;
        const std::string verdict =
            Won > Lost
                ? "\xE2\xFB\xE8\xE3\xF0\xFB\xE2\xE0\xE5\xF2 \xE2 \xEA\xEE\xF1\xF2\xE8 \xF1\xEE "
                  "\xF1\xF7\xB8\xF2\xEE\xEC " // выигрывает в кости со счётом
                : "\xEF\xF0\xEE\xE8\xE3\xF0\xFB\xE2\xE0\xE5\xF2 \xE2 \xEA\xEE\xF1\xF2\xE8 \xF1\xEE "
                  "\xF1\xF7\xB8\xF2\xEE\xEC "; // проигрывает в кости со счётом
        Host.SendGameText(3, verdict + Score());
        Host.SendGameFinish();
    }

    TTolmixHost& Host;
    std::mt19937 Random;
    bool Running = false;
    bool Thrown = false; // the player has thrown and waits for the dealer
    int First = 0;
    int Second = 0;
    int Won = 0;
    int Lost = 0;
};

const tolmix::TGamePluginClassOf<TDiceGame> DiceClass;

} // namespace

TOLMIX_PLUGIN_EXPORT uint32_t TolmixPluginVersion() {
    return tolmix::TolmixPluginInterfaceVersion;
}

TOLMIX_PLUGIN_EXPORT const tolmix::TGamePluginClass* TolmixPluginFactory() {
    return &DiceClass;
}
