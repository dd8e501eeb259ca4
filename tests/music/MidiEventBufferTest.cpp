#include "music/MidiEventBuffer.h"

#include <gtest/gtest.h>

#include <array>
#include <vector>

namespace tolmix {
namespace {

struct Event {
    uint32_t Delta;
    uint8_t Status, Data1, Data2, Flags;
    bool operator==(const Event&) const = default;
};

std::vector<Event> Decode(const MidiEventBuffer& buffer) {
    std::vector<Event> events;
    const uint8_t* p = buffer.Data();
    for (uint32_t i = 0; i < buffer.Count(); ++i, p += 12) {
        EXPECT_EQ(p[4] | p[5] | p[6] | p[7], 0) << "stream id of event " << i;
        events.push_back({static_cast<uint32_t>(p[0] | p[1] << 8 | p[2] << 16 | p[3] << 24), p[8],
                          p[9], p[10], p[11]});
    }
    return events;
}

TEST(MidiEventBuffer, RecordsAreTwelveLittleEndianBytes) {
    MidiEventBuffer buffer;
    ASSERT_TRUE(buffer.Append(0x12345678, 0x93, 60, 127, 0x40));
    ASSERT_EQ(buffer.Length(), 12u);
    const std::array<uint8_t, 12> expected = {0x78, 0x56, 0x34, 0x12, 0,   0,
                                              0,    0,    0x93, 60,   127, 0x40};
    EXPECT_TRUE(std::equal(expected.begin(), expected.end(), buffer.Data()));
    buffer.Release();
    EXPECT_EQ(buffer.Length(), 0u);
    EXPECT_EQ(buffer.Data(), nullptr);
}

TEST(MidiEventBuffer, PreambleValuesFollowTheSoundSettings) {
    struct Case {
        int32_t Pan, Volume;
        uint8_t PanValue, VolumeValue;
    };
    for (const Case c : {Case{-100, 100, 1, 127}, Case{0, 50, 64, 63}, Case{100, 0, 127, 0},
                         Case{-50, 1, 33, 1}}) {
        MidiSound sound;
        sound.Pan = c.Pan;
        sound.Volume = c.Volume;
        sound.Modulation = 50;
        sound.Sustain = true;
        sound.Reverb = 100;
        sound.Chorus = 10;
        MidiEventBuffer buffer;
        AppendPreamble(buffer, sound, 2);
        EXPECT_EQ(Decode(buffer), (std::vector<Event>{{0, 0xB2, 121, 0, 0x40},
                                                      {0, 0xB9, 121, 0, 0},
                                                      {0, 0xB2, 100, 0, 0},
                                                      {0, 0xB2, 101, 0, 0},
                                                      {0, 0xB2, 6, 12, 0},
                                                      {0, 0xB2, 100, 127, 0},
                                                      {0, 0xB2, 101, 127, 0},
                                                      {0, 0xB2, 10, c.PanValue, 0},
                                                      {0, 0xB9, 10, c.PanValue, 0},
                                                      {0, 0xB2, 1, 63, 0},
                                                      {0, 0xB2, 7, c.VolumeValue, 0},
                                                      {0, 0xB9, 7, c.VolumeValue, 0},
                                                      {0, 0xB2, 64, 127, 0},
                                                      {0, 0xB2, 91, 127, 0},
                                                      {0, 0xB2, 93, 12, 0}}))
            << "pan " << c.Pan << " volume " << c.Volume;
    }
}

TEST(MidiEventBuffer, ScoreEventsWithFirstProgramAndPercussionKeys) {
    MidiSound sound;
    sound.Instrument = 130;
    // A percussion sound on a melodic channel plays its key on the drum channel.
    const ScoreList score = {{0, ScoreKind::ProgramChange, 130, 9},
                             {0, ScoreKind::NoteOn, 130, 9},
                             {50, ScoreKind::NoteOff, 130, 9}};
    MidiEventBuffer buffer;
    BuildPieceEvents(buffer, score, sound, 0, false);
    std::vector<Event> events = Decode(buffer);
    ASSERT_EQ(events.size(), 18u);
    EXPECT_EQ(
        std::vector<Event>(events.begin() + 15, events.end()),
        (std::vector<Event>{{0, 0xC9, 127, 0, 0}, {0, 0x99, 37, 127, 0}, {50, 0x99, 37, 0, 0}}));

    // A first entry that is no program change gets the player's instrument in front.
    sound.Instrument = 33;
    const ScoreList notes = {{10, ScoreKind::NoteOn, 60, 4}, {30, ScoreKind::NoteOff, 60, 4}};
    buffer.Release();
    BuildPieceEvents(buffer, notes, sound, 4, false);
    events = Decode(buffer);
    EXPECT_EQ(
        std::vector<Event>(events.begin() + 15, events.end()),
        (std::vector<Event>{{0, 0xC4, 33, 0, 0}, {10, 0x94, 60, 127, 0}, {20, 0x94, 60, 0, 0}}));

    // Percussion values map to keys 35 to 81; on the drum channel itself notes are raw keys.
    const ScoreList kit = {{0, ScoreKind::NoteOn, 174, 9}, {0, ScoreKind::NoteOn, 60, 9}};
    buffer.Release();
    BuildPieceEvents(buffer, kit, sound, 0, false);
    events = Decode(buffer);
    EXPECT_EQ(events[16].Data1, 81);
    EXPECT_EQ(events[17].Data1, 35);
    buffer.Release();
    BuildPieceEvents(buffer, kit, sound, 9, false);
    events = Decode(buffer);
    EXPECT_EQ(events[16].Data1, 174 & 0x7F);
    EXPECT_EQ(events[17].Data1, 60);
}

TEST(MidiEventBuffer, PitchBendRampRisesOverTheNote) {
    MidiSound sound;
    sound.PitchBend = 120;
    const ScoreList note = {{0, ScoreKind::NoteOn, 60, 0}, {50, ScoreKind::NoteOff, 60, 0}};
    MidiEventBuffer buffer;
    BuildPieceEvents(buffer, note, sound, 0, true);
    const std::vector<Event> events = Decode(buffer);
    ASSERT_EQ(events.size(), 15u + 2 + 50 + 1);
    uint32_t time = 0;
    for (int k = 1; k <= 50; ++k) {
        const Event& bend = events[16 + static_cast<size_t>(k)];
        time += bend.Delta;
        EXPECT_EQ(bend.Delta, 1u) << k;
        EXPECT_EQ(bend.Status, 0xE0);
        EXPECT_EQ(bend.Data1 | bend.Data2 << 7, 8192 + 163 * k) << k;
    }
    EXPECT_EQ(events[66].Data1 | events[66].Data2 << 7, 16342);
    const Event& off = events.back();
    EXPECT_EQ(off, (Event{50, 0x90, 60, 0, 0}));
    EXPECT_EQ(time + off.Delta, 100u); // the note off sounds 100 ticks after the note on

    // A later start and a shorter ramp, downwards.
    sound.PitchBend = -60;
    sound.PBDelay = 20;
    sound.PBDuration = 50;
    buffer.Release();
    AppendBendRamp(buffer, sound, 100, 3);
    const std::vector<Event> down = Decode(buffer);
    ASSERT_EQ(down.size(), 40u);
    EXPECT_EQ(down[0].Delta, 21u);
    EXPECT_EQ(down[1].Delta, 1u);
    EXPECT_EQ(down[0].Status, 0xE3);
    EXPECT_EQ(down[0].Data1 | down[0].Data2 << 7, 8192 - 102);
    EXPECT_EQ(down[39].Data1 | down[39].Data2 << 7, 8192 - 40 * 102);
}

TEST(MidiEventBuffer, NoRampWhenTheBendCannotSound) {
    const ScoreList note = {{0, ScoreKind::NoteOn, 60, 0}, {50, ScoreKind::NoteOff, 60, 0}};
    const auto bends = [&](MidiSound sound, bool simple) {
        MidiEventBuffer buffer;
        BuildPieceEvents(buffer, note, sound, 0, simple);
        return buffer.Count() - 18;
    };
    MidiSound sound;
    sound.PitchBend = 120;
    EXPECT_EQ(bends(sound, false), 0u);
    sound.PBDelay = 100;
    EXPECT_EQ(bends(sound, true), 0u);
    sound.PBDelay = 0;
    sound.PBDuration = 0;
    EXPECT_EQ(bends(sound, true), 0u);
    sound.PBDuration = 100;
    sound.PitchBend = 0;
    EXPECT_EQ(bends(sound, true), 0u);
    // More steps than the bend has values.
    MidiEventBuffer buffer;
    sound.PitchBend = 10;
    AppendBendRamp(buffer, sound, 8192, 0);
    EXPECT_EQ(buffer.Count(), 0u);
    AppendBendRamp(buffer, sound, 8191, 0);
    EXPECT_EQ(buffer.Count(), MidiEventBuffer::MaxEvents); // 8,191 steps, cut at the limit
}

TEST(MidiEventBuffer, AFullBufferDropsTheRestQuietly) {
    ScoreList score;
    for (int i = 0; i < 4000; ++i) {
        score.push_back({i * 10, ScoreKind::NoteOn, 60, 0});
        score.push_back({i * 10 + 5, ScoreKind::NoteOff, 60, 0});
    }
    MidiEventBuffer buffer;
    BuildPieceEvents(buffer, score, MidiSound{}, 0, false);
    EXPECT_EQ(buffer.Count(), 5461u);
    EXPECT_EQ(buffer.Length(), 65532u);
    EXPECT_FALSE(buffer.Append(0, 0x90, 1, 1));
    const std::vector<Event> events = Decode(buffer);
    // Preamble, the first program change, then the score in order up to the cut.
    EXPECT_EQ(events[16], (Event{0, 0x90, 60, 127, 0}));
    EXPECT_EQ(events[17], (Event{5, 0x90, 60, 0, 0}));
    EXPECT_EQ(events.back().Delta, 5u);
}

} // namespace
} // namespace tolmix
