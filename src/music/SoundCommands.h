#pragma once

#include "music/MidiGen.h"
#include "text/LinePrinter.h"

#include <cstdint>
#include <deque>
#include <memory>
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

// The line that tells the player, once, what plays the music (a device was found) or why
// nothing does (Windows-1251 with colour bytes).
std::string MusicOutputLine(std::string_view description, bool playing);

// The server's sound commands: the player, the queue of commands waiting while music plays,
// and the request now playing. Finite sounds wait behind each other; background music that
// repeats without end is interrupted by a finite sound and resumed from its beginning after it.
//
// The first command prepares the MIDI outputs; commands that arrive while they are still
// opening wait, and are taken in their order once the outputs are there, after one line to the
// reporter that says what plays them.
class SoundCommands {
  public:
    // At most this many commands wait; later ones are dropped until the queue shrinks.
    static constexpr size_t MusicQueueLimit = 1000;

    // `reporter` hears the line about the outputs.
    SoundCommands(MessagePump& pump, MidiDevices& devices, LinePrinter& reporter,
                  MidiPlayerShared& shared = MidiPlayerShared::Process());
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
    // Prepares the outputs on the first call; false while they are still opening.
    bool OutputReady();
    // The outputs are there: says what they are and plays the commands that waited for them.
    void OutputOpened(bool replay);

    MidiDevices& Devices;
    LinePrinter& Reporter;
    EventLoop& Loop;
    bool Starting = false;
    bool Preparing = false;
    bool Prepared = false;
    // Commands that came while the outputs were opening, in their order.
    std::deque<std::string> BeforeOutput;
    // Lets the outputs' late "ready" find out that these commands are gone.
    std::shared_ptr<bool> Alive = std::make_shared<bool>(true);
};

} // namespace tolmix
