#pragma once

#include "Character.h"
#include "PlayerLink.h"
#include "TelnetInput.h"
#include "World.h"

#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <vector>

// One player's connection to the world: the login (a character is created at its first login),
// then the commands, the fights and rests that run on timers, and the client codes (version,
// plugin list, the text editor's answers, the Dice game's data).
namespace tolmix::demo {

class Session {
  public:
    Session(World& world, PlayerLink& link, Clock::time_point now);
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    // The greeting: banner, version request, the name prompt.
    void Start();
    void Receive(const TelnetInput::Line& line, Clock::time_point now);
    // Runs what is due at `now`; NextDeadline says when that is.
    void OnTime(Clock::time_point now);
    std::optional<Clock::time_point> NextDeadline() const;

    // For the world: the room the character is in (Nowhere before the login), text from the
    // room, a server code.
    int Room() const;
    // The character in the game; none before the login.
    const Character* Hero() const { return Step == Stage::Playing ? Me : nullptr; }
    // While the connection has not logged in: when its time for that ends.
    std::optional<Clock::time_point> LoginDeadline() const;
    // The server is full and this connection, not logged in yet, gives way to a new one.
    void GiveWay();
    void Hear(std::string_view text);
    void Code(std::string_view line);

  private:
    enum class Stage { Name, Password, NewPassword, RepeatPassword, Playing, Gone };

    // Login.
    void AskName();
    void AskPassword(const char* prompt);
    void OnName(std::string_view text);
    void OnPassword(std::string_view text);
    void OnNewPassword(std::string_view text);
    void OnRepeatPassword(std::string_view text);
    void EnterGame();
    void Leave();

    // Output.
    void Say(std::string_view utf8); // a line written as UTF-8 markup
    void Line(std::string_view cp1251) { Link.SendLine(cp1251); }
    void Prompt();
    void SendStatus();
    void SendLoad();
    void PlayTune(const std::string& tune);
    void PlaySound(const char* command);

    // Commands (Commands.cpp).
    void Command(std::string_view text, Clock::time_point now);
    void Look();
    void Walk(Direction way);
    void Inventory();
    void Take(std::string_view what);
    void Drop(std::string_view what);
    void Eat(std::string_view what);
    void Drink();
    void Heal();
    void Pray();
    void SayToRoom(std::string_view text);
    void Who();
    void TellTime(Clock::time_point now);
    void Music(std::string_view how);
    void Help();
    void Quit();
    void Write();
    void Read();
    int FindCarried(std::string_view what) const;
    int FindHere(std::string_view what) const;
    int CarriedWeight() const;
    int HandsUsed() const;
    bool Carries(ItemKind kind) const;
    void ReturnItems();

    // Fights and rest, on timers (Actions.cpp).
    void Attack(std::string_view what, Clock::time_point now);
    void FightRound(Clock::time_point now);
    void Flee();
    void StartRest(Clock::time_point now);
    void EndRest(Clock::time_point now);
    void GainExperience(int amount);
    void Faint();

    // Client codes and the Dice game (ClientCodes.cpp).
    void ClientCode(std::string_view code);
    void EditorText(std::string_view fields);
    void StartDice(bool fresh);
    void ThrowDice();
    void DiceRules();
    void DiceData(std::string_view data);
    void DiceText(char channel, std::string_view text);
    void DiceFinished();
    void StopDice();
    void SendDice(std::string_view data);
    bool HasPlugin(std::string_view name) const;

    World& W;
    PlayerLink& Link;
    Stage Step = Stage::Name;
    Character* Me = nullptr;
    std::string PendingName;     // lower case, while the password is asked
    std::string PendingPassword; // a new character's first password
    int WrongPasswords = 0;
    Clock::time_point LoginBy; // a connection that does not log in is closed then
    Clock::time_point IdleBy;  // a player silent until then is let go
    Clock::time_point Moment;  // the time of the input or timer being handled
    std::string ClientVersion;
    std::vector<std::string> Plugins;
    std::string Tune; // the looping tune playing, or empty
    bool MusicOn = true;
    bool Editing = false;
    bool DiceRunning = false;
    bool DiceRulesShown = false;
    int Fighting = Nowhere; // the beast
    std::optional<Clock::time_point> NextRound;
    std::optional<Clock::time_point> RestEnds;
    Clock::time_point NextClock; // the game clock is sent again now and then
    int TorchFuel = 0;
    int FlaskWater = 0;
    std::mt19937 Random;
};

} // namespace tolmix::demo
