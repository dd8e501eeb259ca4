#pragma once

#include "music/MidiGen.h"

#include <cstdint>
#include <deque>
#include <string>
#include <string_view>

namespace tolmix {

// One sound request of the server.
struct TPlayData {
    std::string CommandText; // the sound command as received
    std::string Music;       // the music string built from it
    int32_t Volume = 100;
    int32_t Duration = 100; // note length in 10 ms ticks
    int32_t Loops = 1;      // 0 repeats until stopped

    bool operator==(const TPlayData&) const = default;
};

inline const TPlayData DefaultPlayData{};

// A sound command ("50 C4 E4 V80 L30 R2") as a music string and player settings.
TPlayData ParsePlayData(std::string_view command);

// The server's sound commands: the player, the queue of commands waiting while music plays,
// and the request now playing. Finite sounds wait behind each other; background music that
// repeats without end is interrupted by a finite sound and resumed from its beginning after it.
class SoundCommands {
  public:
    // At most this many commands wait; later ones are dropped until the queue shrinks.
    static constexpr size_t MusicQueueLimit = 1000;

    SoundCommands(MessagePump& pump, MidiDevices& devices,
                  TMidiGenClass& shared = TMidiGenClass::Process());
    // Forgets the queue; the player then stops and waits for its stream to close.
    ~SoundCommands();
    SoundCommands(const SoundCommands&) = delete;
    SoundCommands& operator=(const SoundCommands&) = delete;

    // The server's "p" code with the rest of its line.
    void PlaySoundCommand(std::string_view text);
    // The server's "P" code: the queue is forgotten and the player falls silent.
    void StopMusic();
    void StartSound(const TPlayData& request);
    // The player's OnStop: plays the next waiting command.
    void SoundStopped(TMidiGen& sender);

    TMidiGen Midi;
    std::deque<std::string> MusicQueue;
    TPlayData CurrentSound;

  private:
    void Enqueue(std::string_view text);
    void PlayWaiting();

    bool Starting = false;
};

} // namespace tolmix
