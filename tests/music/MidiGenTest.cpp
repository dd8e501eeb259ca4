#include "music/MidiGen.h"
#include "music/MidiRig.h"

#include <gtest/gtest.h>

#include <memory>

namespace tolmix {
namespace {

class MidiGenTest : public ::testing::Test {
  protected:
    test::MidiRig Rig;
    std::unique_ptr<TMidiGen> Midi = std::make_unique<TMidiGen>(Rig.Con, Rig.Devices, Rig.Shared);
    int Starts = 0;
    int Stops = 0;

    void SetUp() override {
        Midi->OnStart = [this](TMidiGen&) { ++Starts; };
        Midi->OnStop = [this](TMidiGen&) { ++Stops; };
    }
    bool RunToStop(Milliseconds limit = Milliseconds(60000)) {
        const int before = Stops;
        return Rig.RunUntil([&] { return Stops > before; }, limit);
    }
};

TEST_F(MidiGenTest, PlayWithTheDefaultsSoundsC4ForHalfASecondOnce) {
    ASSERT_TRUE(Midi->MidiAvailable());
    ASSERT_TRUE(Midi->Play());
    EXPECT_TRUE(Midi->IsPlaying());
    EXPECT_EQ(Starts, 1);
    ASSERT_TRUE(RunToStop());
    EXPECT_FALSE(Midi->IsPlaying());
    EXPECT_EQ(Stops, 1);

    const auto notes = Rig.Sent(0x90);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].Data1, 48);
    EXPECT_EQ(notes[0].Data2, 127);
    EXPECT_EQ(notes[1].Data1, 48);
    EXPECT_EQ(notes[1].Data2, 0);
    EXPECT_EQ(notes[1].At - notes[0].At, Milliseconds(500));
    const auto programs = Rig.Sent(0xC0);
    ASSERT_EQ(programs.size(), 1u);
    EXPECT_EQ(programs[0].Status, 0xC0);
    EXPECT_EQ(programs[0].Data1, 0);
    // Nothing plays on after the close.
    const size_t sent = Rig.Sink.Taken().size();
    Rig.RunFor(Milliseconds(2000));
    EXPECT_EQ(Rig.Sink.Taken().size(), sent);
}

TEST_F(MidiGenTest, LoopsPlayThePieceThatManyTimesAndCloseOnce) {
    Midi->SetLoops(3);
    ASSERT_TRUE(Midi->PlayString("C4;20,10;E4;10"));
    ASSERT_TRUE(RunToStop());
    EXPECT_EQ(Starts, 1);
    EXPECT_EQ(Stops, 1);
    const auto ons = Rig.NoteOns();
    ASSERT_EQ(ons.size(), 6u);
    for (size_t pass = 0; pass < 3; ++pass) {
        EXPECT_EQ(ons[2 * pass].Data1, 48);
        EXPECT_EQ(ons[2 * pass + 1].Data1, 52);
        EXPECT_EQ(ons[2 * pass + 1].At - ons[2 * pass].At, Milliseconds(100));
    }
    // Each pass starts when the one before it has ended (C4 ends at 20 ticks).
    EXPECT_GE(ons[2].At - ons[0].At, Milliseconds(200));
    EXPECT_LT(ons[2].At - ons[0].At, Milliseconds(220));
}

TEST_F(MidiGenTest, ZeroLoopsPlaysUntilStop) {
    Midi->SetLoops(0);
    ASSERT_TRUE(Midi->PlayString("C4;10"));
    Rig.RunFor(Milliseconds(1005)); // in the middle of a note
    EXPECT_TRUE(Midi->IsPlaying());
    EXPECT_GE(Rig.NoteOns().size(), 8u);
    EXPECT_EQ(Stops, 0);
    Midi->Stop();
    ASSERT_TRUE(RunToStop(Milliseconds(10)));
    EXPECT_FALSE(Midi->IsPlaying());
    // The stop silenced the note it interrupted.
    EXPECT_EQ(Rig.Sounding(), 0);
}

TEST_F(MidiGenTest, StopWhileStartingEndsAfterThePass) {
    Midi->SetLoops(0);
    ASSERT_TRUE(Midi->PlayString("C4;30"));
    Midi->Stop(); // the first event has not sounded yet
    ASSERT_TRUE(RunToStop());
    EXPECT_EQ(Rig.NoteOns().size(), 1u);
    const auto notes = Rig.Sent(0x90);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[1].At - notes[0].At, Milliseconds(300)); // the pass played out
}

TEST_F(MidiGenTest, ARequestWhileStartingIsRefused) {
    ASSERT_TRUE(Midi->PlayString("C4"));
    EXPECT_FALSE(Midi->PlayString("E4"));
    EXPECT_FALSE(Midi->Play());
    ASSERT_TRUE(RunToStop());
    const auto ons = Rig.NoteOns();
    ASSERT_EQ(ons.size(), 1u);
    EXPECT_EQ(ons[0].Data1, 48);
    // Once the first event has sounded requests are taken again.
    ASSERT_TRUE(Midi->PlayString("E4"));
}

TEST_F(MidiGenTest, ARequestWhilePlayingStopsTheOldPieceInsideTheRequest) {
    Midi->SetLoops(0);
    ASSERT_TRUE(Midi->PlayString("C4;100"));
    Rig.RunFor(Milliseconds(300));
    bool inRequest = false;
    bool stoppedInRequest = false;
    Midi->OnStop = [&](TMidiGen&) {
        ++Stops;
        stoppedInRequest = inRequest;
    };
    inRequest = true;
    Midi->SetLoops(1);
    ASSERT_TRUE(Midi->PlayString("E4;10"));
    inRequest = false;
    EXPECT_TRUE(stoppedInRequest);
    EXPECT_EQ(Stops, 1);
    ASSERT_TRUE(RunToStop());
    const auto ons = Rig.NoteOns();
    ASSERT_EQ(ons.size(), 2u);
    EXPECT_EQ(ons[1].Data1, 52);
}

TEST_F(MidiGenTest, OnlyTheFirstInstanceThatPlayedMayPlay) {
    TMidiGen second(Rig.Con, Rig.Devices, Rig.Shared);
    EXPECT_EQ(second.InstanceId(), Midi->InstanceId() + 1);
    ASSERT_TRUE(Midi->Play());
    ASSERT_TRUE(RunToStop());
    EXPECT_FALSE(second.Play());
    EXPECT_FALSE(second.PlayString("C4"));
    EXPECT_FALSE(second.IsPlaying());
    EXPECT_TRUE(Midi->PlayString("C4"));
}

TEST_F(MidiGenTest, AnEmptyPieceIsRefusedAndTheNextIsTaken) {
    EXPECT_FALSE(Midi->PlayString(""));
    EXPECT_FALSE(Midi->PlayString("H4,N200"));
    EXPECT_EQ(Starts, 0);
    EXPECT_TRUE(Rig.Sink.Taken().empty());
    EXPECT_TRUE(Midi->PlayString("C4"));
}

TEST_F(MidiGenTest, SettersStoreTheNearestBound) {
    Midi->SetOctave(11);
    EXPECT_EQ(Midi->GetOctave(), 10);
    Midi->SetOctave(-1);
    EXPECT_EQ(Midi->GetOctave(), 0);
    Midi->SetPan(-150);
    EXPECT_EQ(Midi->GetPan(), -100);
    Midi->SetInstrument(200);
    EXPECT_EQ(Midi->GetInstrument(), mgOpenTriangle);
    Midi->SetVolume(150);
    EXPECT_EQ(Midi->GetVolume(), 100);
    Midi->SetReverb(-1);
    EXPECT_EQ(Midi->GetReverb(), 0);
    Midi->SetChorus(101);
    EXPECT_EQ(Midi->GetChorus(), 100);
    Midi->SetModulation(1000);
    EXPECT_EQ(Midi->GetModulation(), 100);
    Midi->SetPitchBend(-121);
    EXPECT_EQ(Midi->GetPitchBend(), -120);
    Midi->SetPBDelay(200);
    EXPECT_EQ(Midi->GetPBDelay(), 100);
    Midi->SetPBDuration(-5);
    EXPECT_EQ(Midi->GetPBDuration(), 0);
    Midi->SetNote(12);
    EXPECT_EQ(Midi->GetNote(), mgB);
    Midi->SetChannel(16);
    EXPECT_EQ(Midi->GetChannel(), mgCh16);
    Midi->SetDuration(0xFFFFFFFF);
    EXPECT_EQ(Midi->GetDuration(), 0xFFFFFFFFu);
    Midi->SetLoops(7);
    EXPECT_EQ(Midi->GetLoops(), 7u);
}

TEST_F(MidiGenTest, DefaultsAndInstrumentNames) {
    EXPECT_EQ(Midi->GetVolume(), 100);
    EXPECT_EQ(Midi->GetPBDuration(), 100);
    EXPECT_EQ(Midi->GetDuration(), 50u);
    EXPECT_EQ(Midi->GetOctave(), 4);
    EXPECT_EQ(Midi->GetInstrument(), mgAcousticGrandPiano);
    EXPECT_EQ(Midi->GetChannel(), mgCh01);
    EXPECT_EQ(Midi->GetLoops(), 1u);
    EXPECT_EQ(InstrumentName(0), "mgAcousticGrandPiano");
    EXPECT_EQ(InstrumentName(127), "mgGunshot");
    EXPECT_EQ(InstrumentName(128), "mgAcousticBassDrum");
    EXPECT_EQ(InstrumentName(mgOpenTriangle), "mgOpenTriangle");
    EXPECT_EQ(InstrumentName(mgBassandLead), "mgBassandLead");
    EXPECT_EQ(InstrumentName(175), "");
}

TEST_F(MidiGenTest, PercussionInstrumentPlaysItsKeyOnTheDrumChannel) {
    Midi->SetInstrument(130);
    ASSERT_TRUE(Midi->PlayNote(60));
    ASSERT_TRUE(RunToStop());
    const auto programs = Rig.Sent(0xC0);
    ASSERT_EQ(programs.size(), 1u);
    EXPECT_EQ(programs[0].Status, 0xC9);
    EXPECT_EQ(programs[0].Data1, 127);
    const auto notes = Rig.Sent(0x90);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].Status, 0x99);
    EXPECT_EQ(notes[0].Data1, 37);
    EXPECT_EQ(notes[1].Data1, 37);
}

TEST_F(MidiGenTest, OnTheDrumChannelNotesAreRawKeys) {
    Midi->SetChannel(mgCh10);
    ASSERT_TRUE(Midi->PlayNote(60));
    ASSERT_TRUE(RunToStop());
    const auto programs = Rig.Sent(0xC0);
    ASSERT_EQ(programs.size(), 1u); // only the one in front of the first entry
    EXPECT_EQ(programs[0].Status, 0xC9);
    const auto notes = Rig.Sent(0x90);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(notes[0].Status, 0x99);
    EXPECT_EQ(notes[0].Data1, 60);
}

TEST_F(MidiGenTest, PitchBendRampsOverASimplePiece) {
    Midi->SetPitchBend(120);
    ASSERT_TRUE(Midi->PlayNote(60));
    ASSERT_TRUE(RunToStop());
    const auto bends = Rig.Sent(0xE0);
    ASSERT_EQ(bends.size(), 50u);
    const auto notes = Rig.Sent(0x90);
    ASSERT_EQ(notes.size(), 2u);
    EXPECT_EQ(bends[0].At - notes[0].At, Milliseconds(10));
    for (size_t k = 1; k < bends.size(); ++k)
        EXPECT_EQ(bends[k].At - bends[k - 1].At, Milliseconds(10));
    EXPECT_EQ(bends.back().Data1 | bends.back().Data2 << 7, 16342);
    EXPECT_EQ(notes[1].At - notes[0].At, Milliseconds(1000));
    // A piece that is not simple is not bent.
    Rig.Sink.Clear();
    ASSERT_TRUE(Midi->PlayString("C4,10;E4"));
    ASSERT_TRUE(RunToStop());
    EXPECT_TRUE(Rig.Sent(0xE0).empty());
}

TEST_F(MidiGenTest, WithoutAnOutputNothingPlaysQuietly) {
    SoftwareMidiDevices none(nullptr, Rig.Clock, SoftwareMidiStream::Timing::Manual);
    TMidiGen silent(Rig.Con, none, Rig.Shared);
    EXPECT_FALSE(silent.MidiAvailable());
    EXPECT_FALSE(silent.SetDevice(MidiMapper));
    EXPECT_FALSE(silent.Play());
    EXPECT_FALSE(silent.PlayString("C4"));
    EXPECT_FALSE(silent.IsPlaying());
}

TEST_F(MidiGenTest, DevicesAreCheckedAsSignedIdsAgainstTheCount) {
    EXPECT_TRUE(Midi->SetDevice(MidiMapper));
    EXPECT_TRUE(Midi->SetDevice(0));
    EXPECT_FALSE(Midi->SetDevice(1));
    // The id is kept even when it does not exist, and then nothing opens.
    EXPECT_FALSE(Midi->MidiAvailable());
    EXPECT_FALSE(Midi->Play());
    EXPECT_TRUE(Midi->SetDevice(0));
    EXPECT_TRUE(Midi->Play());
}

TEST_F(MidiGenTest, DestroyStopsThePieceAndWaitsForTheClose) {
    Midi->SetLoops(0);
    ASSERT_TRUE(Midi->PlayString("C4;100"));
    Rig.RunFor(Milliseconds(50));
    Midi.reset();
    EXPECT_EQ(Stops, 1);
    EXPECT_FALSE(Rig.Devices.HasOpenStream());
    EXPECT_EQ(Rig.NoteOns().size(), 1u);
    EXPECT_EQ(Rig.Sounding(), 0);
}

TEST_F(MidiGenTest, DestroyWhileStartingDoesNotWaitForThePass) {
    Midi->SetLoops(1);
    ASSERT_TRUE(Midi->PlayString("C4;6000"));
    const TimePoint before = Rig.Loop.Now();
    Midi.reset();
    EXPECT_EQ(Stops, 1);
    EXPECT_LT(Rig.Loop.Now() - before, Milliseconds(1000)); // not the minute of the note
}

TEST_F(MidiGenTest, AfterTheInputLoopHasEndedWaitsStillFinish) {
    Midi->SetLoops(0);
    ASSERT_TRUE(Midi->PlayString("C4"));
    Rig.RunFor(Milliseconds(100));
    Rig.Con.EndLoop(); // the pump no longer runs
    Midi.reset();
    EXPECT_EQ(Stops, 1);
    EXPECT_FALSE(Rig.Devices.HasOpenStream());
}

} // namespace
} // namespace tolmix
