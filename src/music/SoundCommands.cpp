#include "music/SoundCommands.h"

#include "util/TolmixStringList.h"

#include <string>

namespace tolmix {

namespace {

// The word's rest after its letter as an integer, into `field`; anything else keeps it.
void ReadField(std::string_view word, int32_t& field) {
    int32_t value;
    if (ParseSettingsInteger(word.substr(1), value))
        field = value;
}

} // namespace

TPlayData ParsePlayData(std::string_view command) {
    TPlayData result = DefaultPlayData;
    result.CommandText = std::string(command);
    int32_t step = 25;
    bool newStep = true;
    std::string& music = result.Music;
    size_t at = 0;
    while (at < command.size()) {
        if (command[at] == ' ') {
            ++at;
            continue;
        }
        size_t end = command.find(' ', at);
        if (end == std::string_view::npos)
            end = command.size();
        const std::string_view word = command.substr(at, end - at);
        at = end;

        int32_t number;
        if (ParseSettingsInteger(word, number) && number >= 0) {
            if (number != step) {
                step = number;
                newStep = true;
            }
            continue;
        }
        const char first = word[0];
        if ((first >= 'A' && first <= 'G') || first == 'I') {
            if (!music.empty()) {
                music += ',';
                if (newStep) {
                    music += std::to_string(step);
                    music += ';';
                    newStep = false;
                }
            }
            music += word;
        } else if (first == 'L') {
            ReadField(word, result.Duration);
        } else if (first == 'R') {
            ReadField(word, result.Loops);
        } else if (first == 'V') {
            ReadField(word, result.Volume);
        }
    }
    return result;
}

SoundCommands::SoundCommands(MessagePump& pump, MidiDevices& devices, TMidiGenClass& shared)
    : Midi(pump, devices, shared) {
    Midi.OnStop = [this](TMidiGen& sender) { SoundStopped(sender); };
}

SoundCommands::~SoundCommands() {
    // The player's own destructor stops and waits; nothing may start a queued sound then.
    MusicQueue.clear();
    Midi.OnStop = nullptr;
}

void SoundCommands::Enqueue(std::string_view text) {
    if (MusicQueue.size() < MusicQueueLimit)
        MusicQueue.emplace_back(text);
}

void SoundCommands::PlaySoundCommand(std::string_view text) {
    TPlayData request = ParsePlayData(text);
    if (!Midi.IsPlaying()) {
        StartSound(request);
    } else if (CurrentSound.Loops != 0) {
        Enqueue(text);
    } else if (request.Loops != 0) {
        // The finite sound plays next and the endless piece is resumed after it.
        Enqueue(text);
        Enqueue(CurrentSound.CommandText);
        Midi.Stop();
    } else {
        Enqueue(text); // the new endless piece replaces the old one
        Midi.Stop();
    }
}

void SoundCommands::StopMusic() {
    MusicQueue.clear();
    Midi.Stop();
}

void SoundCommands::StartSound(const TPlayData& request) {
    CurrentSound = request;
    Midi.SetInstrument(mgAcousticGrandPiano);
    Midi.SetVolume(request.Volume);
    Midi.SetDuration(static_cast<uint32_t>(request.Duration));
    Midi.SetLoops(static_cast<uint32_t>(request.Loops));
    // A stream given up while this one starts reports its stop from inside PlayString; the
    // queue is then served here, once this start is decided.
    Starting = true;
    Midi.PlayString(request.Music);
    Starting = false;
}

void SoundCommands::SoundStopped(TMidiGen&) {
    CurrentSound = DefaultPlayData;
    if (!Starting)
        PlayWaiting();
}

void SoundCommands::PlayWaiting() {
    // A request that cannot play (no notes, no output, the player taken) sends no stop
    // notification, so the next one starts at once instead of waiting for one.
    while (!Midi.IsPlaying() && !MusicQueue.empty()) {
        const std::string next = std::move(MusicQueue.front());
        MusicQueue.pop_front();
        StartSound(ParsePlayData(next));
    }
}

} // namespace tolmix
