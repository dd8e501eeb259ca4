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

std::string MusicOutputLine(std::string_view description, bool playing) {
    std::string line = playing ? "\x87\xCC\xF3\xE7\xFB\xEA\xE0: \x8B" // Музыка:
                               : "\x8C\xCD\xE5\xF2 \xE2\xFB\xE2\xEE\xE4\xE0 "
                                 "\xE7\xE2\xF3\xEA\xE0: \x87"; // Нет вывода звука:
    line += description;
    line += '\x87';
    return line;
}

SoundCommands::SoundCommands(MessagePump& pump, MidiDevices& devices, LinePrinter& reporter,
                             MidiPlayerShared& shared)
    : Midi(pump, devices, shared), Devices(devices), Reporter(reporter), Loop(pump.Loop()) {
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

bool SoundCommands::OutputReady() {
    if (Prepared)
        return true;
    if (Preparing)
        return false;
    Preparing = true;
    const std::weak_ptr<bool> alive = Alive;
    if (!Devices.Prepare(Loop, [this, alive] {
            if (alive.lock())
                OutputOpened(true);
        }))
        return false;
    OutputOpened(false);
    return true;
}

void SoundCommands::OutputOpened(bool replay) {
    Prepared = true;
    Preparing = false;
    const std::string description = Devices.Description();
    if (!description.empty())
        Reporter.PrintLine(MusicOutputLine(description, Devices.NumDevs() > 0));
    if (!replay)
        return;
    // As if they had come now, in their order: the queue's rules apply to them as to any.
    std::deque<std::string> waiting = std::move(BeforeOutput);
    BeforeOutput.clear();
    for (const std::string& text : waiting)
        PlaySoundCommand(text);
}

void SoundCommands::PlaySoundCommand(std::string_view text) {
    if (!OutputReady()) {
        if (BeforeOutput.size() < MusicQueueLimit)
            BeforeOutput.emplace_back(text);
        return;
    }
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
    BeforeOutput.clear();
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
