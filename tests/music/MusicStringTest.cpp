#include "music/MusicString.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>

namespace tolmix {

void PrintTo(const TScoreEntry& e, std::ostream* os) {
    static const char* const kinds[] = {"program", "on", "off"};
    *os << "{" << e.Time << " " << kinds[static_cast<int>(e.Kind)] << " " << e.Value << " ch "
        << int{e.Channel} << "}";
}

namespace {

constexpr ScoreKind Pc = ScoreKind::ProgramChange;
constexpr ScoreKind On = ScoreKind::NoteOn;
constexpr ScoreKind Off = ScoreKind::NoteOff;

struct Parsed {
    ScoreList Entries;
    bool Simple = false;
};

Parsed Parse(std::string_view text, MusicDefaults defaults = {}) {
    Parsed result;
    result.Simple = ParseMusicString(text, result.Entries, defaults);
    return result;
}

// The notes that sound, as (time, value) of their note-on entries.
std::vector<std::pair<int32_t, int32_t>> NoteOns(const ScoreList& list) {
    std::vector<std::pair<int32_t, int32_t>> ons;
    for (const TScoreEntry& e : list)
        if (e.Kind == On)
            ons.emplace_back(e.Time, e.Value);
    return ons;
}

using Ons = std::vector<std::pair<int32_t, int32_t>>;

TEST(MusicString, WorkedExamplesEntryByEntry) {
    Parsed chord = Parse("c4, e4, g4");
    EXPECT_EQ(chord.Entries, (ScoreList{{0, On, 48, 0},
                                        {0, On, 52, 0},
                                        {0, On, 55, 0},
                                        {50, Off, 48, 0},
                                        {50, Off, 52, 0},
                                        {50, Off, 55, 0}}));
    EXPECT_TRUE(chord.Simple);

    Parsed steps = Parse("25;C5;20, D");
    EXPECT_EQ(steps.Entries,
              (ScoreList{{25, On, 60, 0}, {45, Off, 60, 0}, {50, On, 62, 0}, {70, Off, 62, 0}}));
    EXPECT_FALSE(steps.Simple);

    Parsed program = Parse("I40, A");
    EXPECT_EQ(program.Entries, (ScoreList{{0, Pc, 40, 0}, {0, On, 57, 0}, {50, Off, 57, 0}}));
    EXPECT_TRUE(program.Simple);

    Parsed drums = Parse("I128, C, 30;C");
    EXPECT_EQ(drums.Entries, (ScoreList{{0, Pc, 128, 9},
                                        {0, On, 128, 9},
                                        {30, On, 128, 9},
                                        {50, Off, 128, 9},
                                        {80, Off, 128, 9}}));
    EXPECT_FALSE(drums.Simple);

    Parsed number = Parse("N60;100");
    EXPECT_EQ(number.Entries, (ScoreList{{0, On, 60, 0}, {100, Off, 60, 0}}));
    EXPECT_TRUE(number.Simple);
}

TEST(MusicString, StepsCarryFromElementToElement) {
    EXPECT_EQ(NoteOns(Parse("C4,50;D4,E4,F4").Entries),
              (Ons{{0, 48}, {50, 50}, {100, 52}, {150, 53}}));
    // An instrument change takes its step like a note.
    const Parsed program = Parse("C4,50;D4,I40,E4");
    EXPECT_EQ(program.Entries[3], (TScoreEntry{100, Pc, 40, 0}));
    EXPECT_EQ(NoteOns(program.Entries), (Ons{{0, 48}, {50, 50}, {150, 52}}));
    // A bare number sets the step and plays nothing.
    EXPECT_TRUE(Parse("50").Entries.empty());
    EXPECT_EQ(NoteOns(Parse("50,C4").Entries), (Ons{{50, 48}}));
    // A rest is a larger step before the next note.
    EXPECT_EQ(NoteOns(Parse("C4,200;D4").Entries), (Ons{{0, 48}, {200, 50}}));
}

TEST(MusicString, OctavesCarryAndStayInRange) {
    EXPECT_EQ(NoteOns(Parse("C").Entries), (Ons{{0, 48}}));
    EXPECT_EQ(NoteOns(Parse("C3,D").Entries), (Ons{{0, 36}, {0, 38}}));
    EXPECT_EQ(NoteOns(Parse("G10").Entries), (Ons{{0, 127}}));
    // Above 127 plays nothing but still sets the octave.
    EXPECT_EQ(NoteOns(Parse("G#10,C").Entries), (Ons{{0, 120}}));
    EXPECT_EQ(NoteOns(Parse("A10,C").Entries), (Ons{{0, 120}}));
    EXPECT_TRUE(Parse("C11").Entries.empty());
    EXPECT_EQ(NoteOns(Parse("C11,D").Entries), (Ons{{0, 50}}));
    EXPECT_EQ(NoteOns(Parse("C0,B-0").Entries), (Ons{{0, 0}, {0, 10}}));
    EXPECT_EQ(NoteOns(Parse("TestOctave", {7, 50, 0, 0}).Entries), Ons{});
    EXPECT_EQ(NoteOns(Parse("E", {7, 50, 0, 0}).Entries), (Ons{{0, 88}}));
}

TEST(MusicString, OnlyListedNoteNamesPlay) {
    for (const char* bad : {"C-1", "H4", "E#4", "CB4", "1C4", "B#4", "F-4", "+", "#4", "-4"})
        EXPECT_TRUE(Parse(bad).Entries.empty()) << bad;
    EXPECT_EQ(NoteOns(Parse("C#4,D-4,D+4,E-4,F+4,G-4,G+4,A-4,A+4,B-4,B4").Entries), (Ons{{0, 49},
                                                                                         {0, 49},
                                                                                         {0, 51},
                                                                                         {0, 51},
                                                                                         {0, 54},
                                                                                         {0, 54},
                                                                                         {0, 56},
                                                                                         {0, 56},
                                                                                         {0, 58},
                                                                                         {0, 58},
                                                                                         {0, 59}}));
    EXPECT_EQ(NoteSemitone("C+"), 1);
    EXPECT_EQ(NoteSemitone("B-"), 10);
    EXPECT_EQ(NoteSemitone("B"), 11);
    EXPECT_EQ(NoteSemitone("0C"), -1);
    EXPECT_EQ(NoteSemitone(""), -1);
    EXPECT_EQ(NoteSemitone("C#0"), -1);
}

TEST(MusicString, NumberedNotesAndInstrumentsStayInRange) {
    EXPECT_TRUE(Parse("N128").Entries.empty());
    EXPECT_TRUE(Parse("N-1").Entries.empty());
    EXPECT_EQ(NoteOns(Parse("N0,N127").Entries), (Ons{{0, 0}, {0, 127}}));
    EXPECT_TRUE(Parse("I175").Entries.empty());
    EXPECT_EQ(Parse("I0").Entries, (ScoreList{{0, Pc, 0, 0}}));
    EXPECT_EQ(Parse("I174").Entries, (ScoreList{{0, Pc, 174, 9}}));
    // An instrument above the range plays nothing and does not advance the time.
    EXPECT_EQ(NoteOns(Parse("C4,50;I175,D4").Entries), (Ons{{0, 48}, {50, 50}}));
}

TEST(MusicString, EmptyElementsAndControlCharacters) {
    EXPECT_EQ(Parse(",,C4").Entries, (ScoreList{{0, On, 48, 0}, {50, Off, 48, 0}}));
    EXPECT_EQ(NoteOns(Parse("C4,,E4").Entries), (Ons{{0, 48}, {0, 52}}));
    // An element of control characters only ends the piece.
    EXPECT_EQ(NoteOns(Parse("C4,\t\x01,E4").Entries), (Ons{{0, 48}}));
    EXPECT_EQ(NoteOns(Parse("\t C4 \r\n").Entries), (Ons{{0, 48}}));
}

TEST(MusicString, EmptyTextGivesNoEntriesAndNotSimple) {
    for (const char* text : {"", "   ", "\t\r\n", " \x01 "}) {
        const Parsed p = Parse(text);
        EXPECT_TRUE(p.Entries.empty());
        EXPECT_FALSE(p.Simple);
    }
}

TEST(MusicString, LengthsAndTheSimpleFlag) {
    // A length of 0 on the first element means the player's duration.
    EXPECT_EQ(Parse("C4;0", {4, 70, 0, 0}).Entries, (ScoreList{{0, On, 48, 0}, {70, Off, 48, 0}}));
    const Parsed same = Parse("C4;30,E4;30");
    EXPECT_TRUE(same.Simple);
    EXPECT_EQ(same.Entries.back(), (TScoreEntry{30, Off, 52, 0}));
    const Parsed differing = Parse("C4;30,E4;40");
    EXPECT_FALSE(differing.Simple);
    EXPECT_EQ(differing.Entries.back(), (TScoreEntry{40, Off, 52, 0}));
    // The length carries to the notes after it.
    EXPECT_EQ(Parse("C4;30,E4").Entries.back(), (TScoreEntry{30, Off, 52, 0}));
    // A start of 0 keeps the piece simple; another start does not.
    EXPECT_TRUE(Parse("0;C4").Simple);
    EXPECT_FALSE(Parse("10;C4").Simple);
    // A negative length plays nothing.
    EXPECT_TRUE(Parse("C4;-5").Entries.empty());
    EXPECT_TRUE(Parse("C4;x").Entries.empty());
}

TEST(MusicString, LowerCaseEqualsUpperCase) {
    EXPECT_EQ(Parse("c#4,i40,n60;20,b-3").Entries, Parse("C#4,I40,N60;20,B-3").Entries);
    EXPECT_EQ(NoteOns(Parse("c#4").Entries), (Ons{{0, 49}}));
}

TEST(MusicString, PercussionAndTheDrumChannel) {
    // A percussion instrument of the player plays its sound for every note.
    const Parsed drum = Parse("C4,E4", {4, 50, 130, 0});
    EXPECT_EQ(NoteOns(drum.Entries), (Ons{{0, 130}, {0, 130}}));
    EXPECT_EQ(drum.Entries[0].Channel, 9);
    // A melodic instrument returns the notes to the player's channel.
    const Parsed back = Parse("I130,C4,50;I5,D4", {4, 50, 0, 3});
    EXPECT_EQ(back.Entries, (ScoreList{{0, Pc, 130, 9},
                                       {0, On, 130, 9},
                                       {50, Pc, 5, 3},
                                       {50, Off, 130, 9},
                                       {100, On, 50, 3},
                                       {150, Off, 50, 3}}));
    // On the drum channel notes are raw keys and instruments put nothing in the list.
    const Parsed kit = Parse("N36,50;I40,N38", {4, 50, 0, 9});
    EXPECT_EQ(kit.Entries,
              (ScoreList{{0, On, 36, 9}, {50, Off, 36, 9}, {100, On, 38, 9}, {150, Off, 38, 9}}));
}

TEST(MusicString, ProgramChangesGoFirstAtEqualTimesOtherwiseOrderIsKept) {
    const Parsed p = Parse("C4;100,100;I40,0;N70;1");
    ASSERT_EQ(p.Entries.size(), 5u);
    EXPECT_EQ(p.Entries[1], (TScoreEntry{100, Pc, 40, 0}));
    EXPECT_EQ(p.Entries[2], (TScoreEntry{100, Off, 48, 0}));
    EXPECT_EQ(p.Entries[3], (TScoreEntry{100, On, 70, 0}));
}

TEST(MusicString, HugeAndOverflowingInputStaysBounded) {
    // 100,000 elements.
    std::string many;
    for (int i = 0; i < 100000; ++i)
        many += "1;C4,";
    const Parsed p = Parse(many);
    ASSERT_EQ(p.Entries.size(), 200000u);
    EXPECT_EQ(p.Entries.back().Time, 100000 + 50);
    for (size_t i = 1; i < p.Entries.size(); ++i)
        ASSERT_LE(p.Entries[i - 1].Time, p.Entries[i].Time);

    // One megabyte of a single element.
    const std::string mega(1 << 20, '7');
    EXPECT_TRUE(Parse(mega).Entries.empty());
    EXPECT_TRUE(Parse(std::string(1 << 20, ',')).Entries.empty());

    // Numbers that overflow 32 bits read as no number.
    EXPECT_TRUE(Parse("99999999999;C4").Entries.empty());
    EXPECT_TRUE(Parse("C4;99999999999").Entries.empty());
    EXPECT_TRUE(Parse("N99999999999").Entries.empty());
    // The time may not run past the 32-bit tick count.
    const Parsed late = Parse("2147483000;C4;10,2147483000;D4");
    EXPECT_EQ(NoteOns(late.Entries), (Ons{{2147483000, 48}}));
    EXPECT_TRUE(Parse("C4;2147483647,E4", {4, 50, 0, 0}).Entries.size() == 4);
    EXPECT_TRUE(Parse("1;C4;2147483647").Entries.empty());
}

} // namespace
} // namespace tolmix
