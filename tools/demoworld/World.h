#pragma once

#include "Character.h"
#include "WorldClock.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The village of Veresk: a handful of rooms, the things lying in them, two beasts, and the
// characters created since the server started. Texts are Windows-1251.
namespace tolmix::demo {

class Session;

enum class Direction { North, South, East, West, Up, Down };
inline constexpr int DirectionCount = 6;
inline constexpr int Nowhere = -1;
inline constexpr int CarryLimit = 40; // kg

enum class ItemKind { Plain, Food, Flask, Torch, Weapon };

struct Item {
    std::string name;               // nominative: "факел"
    std::string accusative;         // "факел", "флягу"
    std::vector<std::string> words; // what a player may call it (lower case, stems)
    ItemKind kind = ItemKind::Plain;
    int weight = 1; // kg
    int hands = 0;  // held in hands (1 or 2) rather than carried in the pack (0)
    int home = 0;   // the room it goes back to when eaten or left behind
    int room = 0;   // where it lies, or Nowhere while someone carries it
    const Session* carrier = nullptr;
};

struct Beast {
    std::string name;       // "крыса"
    std::string accusative; // "крысу"
    std::vector<std::string> words;
    int healthMax = 30;
    int health = 30;
    int damageMin = 1;
    int damageMax = 4;
    int experience = 300;
    Clock::time_point backAt{}; // a killed beast comes back after a while
};

struct Room {
    std::string name;
    std::string description;
    std::array<int, DirectionCount> exits{Nowhere, Nowhere, Nowhere, Nowhere, Nowhere, Nowhere};
    int beast = Nowhere;
    bool water = false;     // a place to drink and fill the flask
    bool diceTable = false; // the dealer of the Dice plugin's game sits here
    bool shrine = false;    // praying restores mana and ether
    std::string tune;       // the looping music of the place, a sound command
};

// What keeps idle connections and endless new characters from holding the server: how long a
// connection may take to log in, how long a player may stay silent, how many characters are
// kept.
struct WorldLimits {
    Clock::duration LoginTime = std::chrono::seconds(60);
    Clock::duration IdleTime = std::chrono::minutes(30);
    std::size_t MaxCharacters = 1000;
};

class World {
  public:
    explicit World(Clock::time_point now, WorldLimits limits = {});

    const WorldLimits Limits;

    std::vector<Room> Rooms;
    std::vector<Item> Items;
    std::vector<Beast> Beasts;
    WorldClock Time;
    int StartRoom = 0;
    int TempleRoom = 0; // where a fainted character comes to

    // Characters by their lower-case name, kept while the server runs.
    std::map<std::string, Character> Characters;
    // The sessions that are in the game, for what one player does before others.
    std::vector<Session*> Players;

    // Room for one more character: at the bound, the character who left the game longest ago
    // is forgotten. False when every character kept is in the game.
    bool MakeRoomForCharacter();

    // Whether a beast is in its room (killed ones come back after a while).
    bool BeastPresent(int beast, Clock::time_point now) const;

    // Text to everyone in `room` but `except`.
    void TellRoom(int room, const Session* except, std::string_view text);
    // A server code to every player.
    void TellEveryone(std::string_view line);

    static std::string_view DirectionName(Direction direction); // "север"
    static std::string_view DirectionTo(Direction direction);   // "на север"
    static std::optional<Direction> ParseDirection(std::string_view word);
};

} // namespace tolmix::demo
