#pragma once

#include <cstdint>
#include <string_view>
#include <vector>

namespace tolmix {

// The note names of music strings, each after its semitone as two decimal digits.
inline constexpr std::string_view NoteNames =
    "00C01C+01C#02D01D-03D+03D#04E03E-05F06F+06F#07G06G-08G+08G#09A08A-10A+10A#11B10B-";

enum class ScoreKind : uint8_t { ProgramChange, NoteOn, NoteOff };

// One timed element of a parsed piece.
struct TScoreEntry {
    int32_t Time = 0; // ticks of 10 ms from the start of the piece
    ScoreKind Kind = ScoreKind::NoteOn;
    int32_t Value = 0; // instrument 0-174, or MIDI note 0-127, or percussion sound 128-174
    uint8_t Channel = 0;

    bool operator==(const TScoreEntry&) const = default;
};

using ScoreList = std::vector<TScoreEntry>;

// The player's settings a music string starts from.
struct MusicDefaults {
    int32_t Octave = 4;
    uint32_t Duration = 50;
    int32_t Instrument = 0;
    uint8_t Channel = 0;
};

// The parse state, fresh for every string.
struct MusicParseState {
    int64_t T = 0;      // start time of the last emitted element
    int64_t S = 0;      // time step added before each emitted element
    bool HaveD = false; // whether the current length D is set
    int64_t D = 0;
    int32_t O = 4;  // current octave
    uint8_t NC = 0; // channel of the notes that follow
    int32_t PS = 0; // percussion sound played while NC is 9
    bool Simple = true;
};

// The semitone of a note name ("C", "F#", "B-"), or -1 when there is no such name.
int NoteSemitone(std::string_view name);

// Turns a music string into entries sorted by time (at equal times program changes first,
// otherwise in the order they were made) appended to `list`, and returns whether the piece is
// simple (a single note or chord of one length). Work and memory grow linearly with the text.
bool ParseMusicString(std::string_view text, ScoreList& list, const MusicDefaults& defaults);

} // namespace tolmix
