#pragma once

#include "music/MusicString.h"

#include <cstdint>
#include <vector>

namespace tolmix {

// The events of one piece as a stream plays them: 12-byte records (delta ticks, stream id 0,
// status, two data bytes, type and flags) in one block of at most 65,535 bytes, which stays in
// place from its first event until Release.
class MidiEventBuffer {
  public:
    static constexpr uint32_t MaxBytes = 65535;
    static constexpr uint32_t MaxEvents = MaxBytes / 12; // 5,461

    // Leaves the event out, quietly, when it would make the block larger than its limit.
    bool Append(uint32_t delta, uint8_t status, uint8_t data1, uint8_t data2, uint8_t flags = 0);
    void Release();

    const uint8_t* Data() const { return Bytes.empty() ? nullptr : Bytes.data(); }
    uint32_t Length() const { return static_cast<uint32_t>(Bytes.size()); }
    uint32_t Count() const { return Length() / 12; }

  private:
    std::vector<uint8_t> Bytes;
};

// The player's sound settings that the events of a piece are built from.
struct MidiSound {
    int32_t Volume = 100;
    int32_t Pan = 0;
    int32_t Reverb = 0;
    int32_t Chorus = 0;
    bool Sustain = false;
    int32_t Modulation = 0;
    int32_t PitchBend = 0;
    int32_t PBDelay = 0;
    int32_t PBDuration = 100;
    int32_t Instrument = 0;
};

// The 15 control changes that open every piece on channel `ch` (and the percussion channel);
// the first carries the callback flag.
void AppendPreamble(MidiEventBuffer& buffer, const MidiSound& sound, uint8_t ch);

// The pitch-bend ramp in front of a note off `delta` ticks after its note on, on `channel`.
void AppendBendRamp(MidiEventBuffer& buffer, const MidiSound& sound, uint32_t delta,
                    uint8_t channel);

// The preamble and the score's events; `bend` puts the ramp before the first note off.
void BuildPieceEvents(MidiEventBuffer& buffer, const ScoreList& score, const MidiSound& sound,
                      uint8_t ch, bool bend);

} // namespace tolmix
