// Feeds arbitrary server lines to the sound commands as "p" codes (a line that is just "P"
// stops the music), through the queue, the player and a software MIDI output on a manual
// clock. Between commands the clock runs for a time the input picks. Besides memory errors and
// hangs it checks what the player promises: the queue stays within its limit, and once the
// music is stopped nothing more starts, the piece under way ends, every note that started has
// ended and the output closes.
#include "music/MidiRig.h"
#include "music/SoundCommands.h"

#include <cstddef>
#include <cstdint>
#include <set>
#include <string_view>
#include <utility>

using namespace tolmix;

namespace {

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

// Whether some note the sink was told to start was never ended, by its note off or by an "all
// notes off" or "all sound off" of its channel.
bool AnyNoteLeftSounding(const test::MidiRig& rig) {
    std::set<std::pair<int, int>> sounding;
    for (const auto& m : rig.Sink.Taken()) {
        const int kind = m.Status & 0xF0;
        const int channel = m.Status & 0x0F;
        if (kind == 0x90 && m.Data2 > 0) {
            sounding.insert({channel, m.Data1});
        } else if (kind == 0x80 || kind == 0x90) {
            sounding.erase({channel, m.Data1});
        } else if (kind == 0xB0 && (m.Data1 == 120 || m.Data1 == 123)) {
            std::erase_if(sounding, [&](const auto& note) { return note.first == channel; });
        }
    }
    return !sounding.empty();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    test::MidiRig rig;
    {
        SoundCommands sound(rig.Con, rig.Devices, rig.Printed, rig.Shared);
        std::string_view input(reinterpret_cast<const char*>(data), size);
        for (int lines = 0; !input.empty() && lines < 32; ++lines) {
            const size_t end = input.find('\n');
            const std::string_view line = input.substr(0, end);
            if (line == "P")
                sound.StopMusic();
            else
                sound.PlaySoundCommand(line);
            Check(sound.MusicQueue.size() <= SoundCommands::MusicQueueLimit);
            // Up to 2.55 s of music between two commands.
            rig.RunFor(Milliseconds(10 * (line.empty() ? 0 : static_cast<uint8_t>(line.back()))));
            if (end == std::string_view::npos)
                break;
            input.remove_prefix(end + 1);
        }
        sound.StopMusic();
        Check(sound.MusicQueue.empty());
        // A piece stopped before its first event has sounded plays that pass to its end (the
        // player only takes a stop once the piece is under way), however long its notes; no
        // piece starts after it. The clock jumps from event to event, so this stays quick.
        int starts = 0;
        sound.Midi.OnStart = [&](TMidiGen&) { ++starts; };
        Check(rig.RunUntil([&] { return !sound.Midi.IsPlaying(); }, std::chrono::hours(24 * 365)));
        Check(starts == 0);
        Check(sound.MusicQueue.empty());
        Check(!AnyNoteLeftSounding(rig));
    }
    // Destroying the commands closes the output.
    Check(!rig.Devices.HasOpenStream());
    return 0;
}
