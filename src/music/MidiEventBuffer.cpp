#include "music/MidiEventBuffer.h"

#include "platform/MidiStream.h"

#include <algorithm>

namespace tolmix {

namespace {

constexpr uint8_t ControlChange = 0xB0;
constexpr uint8_t ProgramChange = 0xC0;
constexpr uint8_t NoteOn = 0x90;
constexpr uint8_t PitchBendChange = 0xE0;

uint8_t Percent127(int32_t percent) {
    return static_cast<uint8_t>(percent * 127 / 100);
}

uint8_t Program(int32_t value) {
    return static_cast<uint8_t>(value >= 128 ? 127 : value & 0x7F);
}

} // namespace

bool MidiEventBuffer::Append(uint32_t delta, uint8_t status, uint8_t data1, uint8_t data2,
                             uint8_t flags) {
    if (Bytes.size() + MidiEventSize > MaxBytes)
        return false;
    if (Bytes.capacity() < MaxBytes)
        Bytes.reserve(MaxBytes); // one block: the data never moves while events are added
    const uint8_t record[12] = {static_cast<uint8_t>(delta),
                                static_cast<uint8_t>(delta >> 8),
                                static_cast<uint8_t>(delta >> 16),
                                static_cast<uint8_t>(delta >> 24),
                                0,
                                0,
                                0,
                                0,
                                status,
                                data1,
                                data2,
                                flags};
    Bytes.insert(Bytes.end(), record, record + 12);
    return true;
}

void MidiEventBuffer::Release() {
    std::vector<uint8_t>().swap(Bytes);
}

void AppendPreamble(MidiEventBuffer& buffer, const MidiSound& sound, uint8_t ch) {
    const uint8_t cc = static_cast<uint8_t>(ControlChange | ch);
    const uint8_t drums = ControlChange | 9;
    const uint8_t pan = static_cast<uint8_t>(64 + sound.Pan * 63 / 100);
    const uint8_t volume = Percent127(sound.Volume);
    buffer.Append(0, cc, 121, 0, MevtCallbackFlag); // reset all controllers
    buffer.Append(0, drums, 121, 0);
    buffer.Append(0, cc, 100, 0); // registered parameter 0: pitch-bend range
    buffer.Append(0, cc, 101, 0);
    buffer.Append(0, cc, 6, 12); // 12 semitones
    buffer.Append(0, cc, 100, 127);
    buffer.Append(0, cc, 101, 127); // no parameter selected
    buffer.Append(0, cc, 10, pan);
    buffer.Append(0, drums, 10, pan);
    buffer.Append(0, cc, 1, Percent127(sound.Modulation));
    buffer.Append(0, cc, 7, volume);
    buffer.Append(0, drums, 7, volume);
    buffer.Append(0, cc, 64, sound.Sustain ? 127 : 0);
    buffer.Append(0, cc, 91, Percent127(sound.Reverb));
    buffer.Append(0, cc, 93, Percent127(sound.Chorus));
}

void AppendBendRamp(MidiEventBuffer& buffer, const MidiSound& sound, uint32_t delta,
                    uint8_t channel) {
    if (delta == 0 || sound.PBDuration == 0 || sound.PBDelay == 100 || sound.PitchBend == 0)
        return;
    const int64_t lead = int64_t{delta} * sound.PBDelay / 100;
    const int64_t steps = (int64_t{delta} - lead) * sound.PBDuration / 100;
    if (steps == 0 || steps > 8191)
        return;
    const int64_t step = (int64_t{sound.PitchBend} * 8191 / 120) / steps;
    for (int64_t k = 1; k <= steps; ++k) {
        const int64_t value = 8192 + k * step;
        buffer.Append(k == 1 ? static_cast<uint32_t>(lead + 1) : 1,
                      static_cast<uint8_t>(PitchBendChange | channel),
                      static_cast<uint8_t>(value & 0x7F),
                      static_cast<uint8_t>((value >> 7) & 0x7F));
    }
}

void BuildPieceEvents(MidiEventBuffer& buffer, const ScoreList& score, const MidiSound& sound,
                      uint8_t ch, bool bend) {
    AppendPreamble(buffer, sound, ch);
    int64_t previous = 0;
    bool bendPending = bend;
    for (size_t i = 0; i < score.size(); ++i) {
        const TScoreEntry& entry = score[i];
        const uint32_t delta = static_cast<uint32_t>(std::max<int64_t>(entry.Time - previous, 0));
        const uint8_t channel = entry.Channel & 0x0F;
        if (i == 0 && entry.Kind != ScoreKind::ProgramChange)
            buffer.Append(0, static_cast<uint8_t>(ProgramChange | ch), Program(sound.Instrument),
                          0);
        // A percussion sound on the percussion channel of a melodic player is its drum key.
        const auto key = [&] {
            if (channel != 9 || ch == 9)
                return static_cast<uint8_t>(entry.Value & 0x7F);
            return static_cast<uint8_t>(std::clamp(entry.Value - 93, 35, 81));
        };
        switch (entry.Kind) {
        case ScoreKind::ProgramChange:
            buffer.Append(delta, static_cast<uint8_t>(ProgramChange | channel),
                          Program(entry.Value), 0);
            break;
        case ScoreKind::NoteOn:
            buffer.Append(delta, static_cast<uint8_t>(NoteOn | channel), key(), 127);
            break;
        case ScoreKind::NoteOff:
            if (bendPending) {
                AppendBendRamp(buffer, sound, delta, channel);
                bendPending = false;
            }
            buffer.Append(delta, static_cast<uint8_t>(NoteOn | channel), key(), 0);
            break;
        }
        previous = entry.Time;
    }
}

} // namespace tolmix
