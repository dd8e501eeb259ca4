// Feeds arbitrary bytes to the music-string parser, the sound-command reader and the event
// builder, and checks what the player relies on.
#include "music/MidiEventBuffer.h"
#include "music/MusicString.h"
#include "music/SoundCommands.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace tolmix;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const MusicDefaults defaults{static_cast<int32_t>(size % 11), 50,
                                 static_cast<int32_t>(size % 175), static_cast<uint8_t>(size % 16)};
    // The sound command's music string is held here: a view into the returned request itself
    // would dangle once the loop's initialiser ends.
    const TPlayData request = ParsePlayData(text);
    for (const std::string_view music : {text, std::string_view(request.Music)}) {
        ScoreList score;
        ParseMusicString(music, score, defaults);
        for (size_t i = 0; i < score.size(); ++i) {
            const TScoreEntry& e = score[i];
            if (e.Time < 0 || e.Channel > 15 || e.Value < 0 || e.Value > 174)
                __builtin_trap();
            if (e.Kind != ScoreKind::ProgramChange && e.Channel != 9 && e.Value > 127)
                __builtin_trap();
            if (i > 0 && score[i - 1].Time > e.Time)
                __builtin_trap();
        }
        MidiEventBuffer buffer;
        MidiSound sound;
        sound.PitchBend = 120;
        BuildPieceEvents(buffer, score, sound, defaults.Channel, true);
        if (buffer.Length() > MidiEventBuffer::MaxBytes || buffer.Length() % 12 != 0)
            __builtin_trap();
    }
    return 0;
}
