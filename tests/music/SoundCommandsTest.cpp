#include "music/SoundCommands.h"
#include "music/MidiRig.h"

#include <gtest/gtest.h>

#include <string>

namespace tolmix {
namespace {

TEST(ParsePlayData, NotesStepsAndSettings) {
    const TPlayData chord = ParsePlayData("C4 E4 G4 L30");
    EXPECT_EQ(chord.CommandText, "C4 E4 G4 L30");
    EXPECT_EQ(chord.Music, "C4,25;E4,G4");
    EXPECT_EQ(chord.Duration, 30);
    EXPECT_EQ(chord.Volume, 100);
    EXPECT_EQ(chord.Loops, 1);
    EXPECT_EQ(ParsePlayData("50 C4 C4 70 D4").Music, "C4,50;C4,70;D4");
    EXPECT_EQ(ParsePlayData("I40 C4 E4").Music, "I40,25;C4,E4");
    // A step equal to the current one is no new step.
    EXPECT_EQ(ParsePlayData("C4 25 E4 25 G4").Music, "C4,25;E4,G4");
    EXPECT_EQ(ParsePlayData("C4 30 25 E4").Music, "C4,25;E4");
    // Several spaces between words, and a step before the first note.
    EXPECT_EQ(ParsePlayData("   10   C4    D4  ").Music, "C4,10;D4");
    const TPlayData settings = ParsePlayData("V50 R0 L200 C4");
    EXPECT_EQ(settings.Volume, 50);
    EXPECT_EQ(settings.Loops, 0);
    EXPECT_EQ(settings.Duration, 200);
}

TEST(ParsePlayData, UnknownWordsAndBadNumbersAreIgnored) {
    const TPlayData dropped = ParsePlayData("N60 c4 -5 X Z9 E4");
    EXPECT_EQ(dropped.Music, "E4");
    const TPlayData kept = ParsePlayData("L Lx R1.5 V C4");
    EXPECT_EQ(kept.Duration, 100);
    EXPECT_EQ(kept.Loops, 1);
    EXPECT_EQ(kept.Volume, 100);
    EXPECT_EQ(kept.Music, "C4");
    EXPECT_EQ(ParsePlayData("   ").Music, "");
    EXPECT_EQ(ParsePlayData("").Music, "");
    EXPECT_EQ(ParsePlayData("L99999999999").Duration, 100);
    EXPECT_EQ(ParsePlayData("L-20").Duration, -20);
}

TEST(ParsePlayData, LongCommandsStayLinear) {
    std::string words;
    for (int i = 0; i < 100000; ++i)
        words += i % 2 ? "C4 " : "30 ";
    const TPlayData many = ParsePlayData(words);
    // The step is set once: "C4" ",30;C4" then ",C4" for every further note.
    EXPECT_EQ(many.Music.size(), 2u + 6u + 3u * 49998u);
    const TPlayData mega = ParsePlayData(std::string(1 << 20, 'A'));
    EXPECT_EQ(mega.Music.size(), size_t{1} << 20);
}

class SoundCommandsTest : public ::testing::Test {
  protected:
    test::MidiRig Rig;
    std::unique_ptr<SoundCommands> Sound =
        std::make_unique<SoundCommands>(Rig.Con, Rig.Devices, Rig.Printed, Rig.Shared);

    // The note numbers started so far, in order.
    std::vector<int> Keys() const {
        std::vector<int> keys;
        for (const auto& m : Rig.NoteOns())
            keys.push_back(m.Data1);
        return keys;
    }
    bool RunToSilence(Milliseconds limit = Milliseconds(60000)) {
        return Rig.RunUntil([&] { return !Sound->Midi.IsPlaying() && Sound->MusicQueue.empty(); },
                            limit);
    }
};

TEST_F(SoundCommandsTest, AFiniteSoundWaitsBehindAnother) {
    Sound->PlaySoundCommand("C4 L20");
    EXPECT_TRUE(Sound->Midi.IsPlaying());
    EXPECT_EQ(Sound->CurrentSound.Music, "C4");
    Sound->PlaySoundCommand("E4 L20");
    EXPECT_EQ(Sound->MusicQueue, (std::deque<std::string>{"E4 L20"}));
    Rig.RunFor(Milliseconds(100));
    EXPECT_EQ(Keys(), (std::vector<int>{48}));
    ASSERT_TRUE(RunToSilence());
    EXPECT_EQ(Keys(), (std::vector<int>{48, 52}));
    const auto ons = Rig.NoteOns();
    EXPECT_GE(ons[1].At - ons[0].At, Milliseconds(200));
    EXPECT_EQ(Sound->CurrentSound, DefaultPlayData);
}

TEST_F(SoundCommandsTest, BackgroundMusicIsInterruptedAndResumedFromItsStart) {
    Sound->PlaySoundCommand("R0 C4 D4 E4 L25");
    Rig.RunFor(Milliseconds(900)); // a pass is 750 ms: into the second one
    EXPECT_EQ(Keys(), (std::vector<int>{48, 50, 52, 48}));
    Sound->PlaySoundCommand("G5 L10");
    ASSERT_TRUE(Rig.RunUntil([&] { return Keys().size() >= 8; }));
    // The finite sound, then the background music again from its first note.
    EXPECT_EQ(Keys(), (std::vector<int>{48, 50, 52, 48, 67, 48, 50, 52}));
    EXPECT_TRUE(Sound->Midi.IsPlaying());
    EXPECT_EQ(Sound->CurrentSound.CommandText, "R0 C4 D4 E4 L25");
    EXPECT_TRUE(Sound->MusicQueue.empty());
}

TEST_F(SoundCommandsTest, ASecondEndlessPieceReplacesTheFirst) {
    Sound->PlaySoundCommand("R0 C4 L10");
    Rig.RunFor(Milliseconds(250));
    Sound->PlaySoundCommand("R0 A4 L10");
    Rig.RunFor(Milliseconds(1000));
    const std::vector<int> keys = Keys();
    ASSERT_GT(keys.size(), 5u);
    size_t firstA = 0;
    while (firstA < keys.size() && keys[firstA] == 48)
        ++firstA;
    for (size_t i = firstA; i < keys.size(); ++i)
        EXPECT_EQ(keys[i], 57) << i;
    EXPECT_GT(keys.size() - firstA, 3u);
    EXPECT_EQ(Sound->CurrentSound.CommandText, "R0 A4 L10");
}

TEST_F(SoundCommandsTest, StopMusicSilencesAndForgetsTheQueue) {
    Sound->PlaySoundCommand("R0 C4 L50");
    Sound->PlaySoundCommand("E4");
    Sound->PlaySoundCommand("G4");
    Rig.RunFor(Milliseconds(20));
    Sound->StopMusic();
    EXPECT_TRUE(Sound->MusicQueue.empty());
    Rig.RunFor(Milliseconds(3000));
    EXPECT_FALSE(Sound->Midi.IsPlaying());
    EXPECT_EQ(Rig.Sounding(), 0);
    for (int key : Keys())
        EXPECT_EQ(key, 48);
    EXPECT_EQ(Sound->CurrentSound, DefaultPlayData);
}

TEST_F(SoundCommandsTest, ASoundWithoutNotesPlaysNothingAndTheNextPlaysAtOnce) {
    Sound->PlaySoundCommand("V50 L20");
    EXPECT_FALSE(Sound->Midi.IsPlaying());
    EXPECT_EQ(Sound->CurrentSound.CommandText, "V50 L20");
    Sound->PlaySoundCommand("    ");
    EXPECT_FALSE(Sound->Midi.IsPlaying());
    Sound->PlaySoundCommand("C4");
    EXPECT_TRUE(Sound->Midi.IsPlaying());
    EXPECT_TRUE(Sound->MusicQueue.empty());
}

TEST_F(SoundCommandsTest, AnUnplayableQueuedRequestIsSkippedAndTheNextPlaysInOrder) {
    Sound->PlaySoundCommand("C4 L100");
    Sound->PlaySoundCommand("c4 e4"); // no notes: lower case letters are no note names
    Sound->PlaySoundCommand("E4 L50");
    ASSERT_TRUE(Rig.RunUntil([&] { return Keys().size() >= 2; }, Milliseconds(10000)));
    EXPECT_EQ(Keys(), (std::vector<int>{48, 52}));
    EXPECT_TRUE(RunToSilence());
    // Several unplayable ones in a row, and one at the end, leave nothing behind.
    Sound->PlaySoundCommand("D4 L20");
    Sound->PlaySoundCommand("x");
    Sound->PlaySoundCommand("V10");
    Sound->PlaySoundCommand("G4 L20");
    Sound->PlaySoundCommand("L5");
    EXPECT_TRUE(RunToSilence());
    EXPECT_EQ(Keys(), (std::vector<int>{48, 52, 50, 55}));
    EXPECT_TRUE(Sound->MusicQueue.empty());
}

TEST_F(SoundCommandsTest, InstrumentWordsAreTimedLikeNotes) {
    Sound->PlaySoundCommand("I40 C4 E4");
    ASSERT_TRUE(RunToSilence());
    const auto programs = Rig.Sent(0xC0);
    ASSERT_EQ(programs.size(), 1u);
    EXPECT_EQ(programs[0].Data1, 40);
    const auto ons = Rig.NoteOns();
    ASSERT_EQ(ons.size(), 2u);
    EXPECT_EQ(ons[0].At - programs[0].At, Milliseconds(250));
    EXPECT_EQ(ons[1].At - programs[0].At, Milliseconds(500));
}

TEST_F(SoundCommandsTest, VolumeReachesThePlayerThroughItsSetter) {
    Sound->PlaySoundCommand("V50 C4");
    EXPECT_EQ(Sound->Midi.GetVolume(), 50);
    ASSERT_TRUE(RunToSilence());
    bool sawVolume = false;
    for (const auto& m : Rig.Sent(0xB0))
        if (m.Data1 == 7) {
            EXPECT_EQ(m.Data2, 63);
            sawVolume = true;
        }
    EXPECT_TRUE(sawVolume);
    Sound->PlaySoundCommand("V150 C4");
    EXPECT_EQ(Sound->Midi.GetVolume(), 100);
    // Each sound starts from the piano, whatever the last one chose.
    Sound->Midi.SetInstrument(mgTrumpet);
    ASSERT_TRUE(RunToSilence());
    Sound->PlaySoundCommand("C4");
    EXPECT_EQ(Sound->Midi.GetInstrument(), mgAcousticGrandPiano);
}

TEST_F(SoundCommandsTest, HugeCommandsAndFloodsStayBounded) {
    std::string many;
    for (int i = 0; i < 100000; ++i)
        many += "C4 1 D4 2 ";
    Sound->PlaySoundCommand(many);
    EXPECT_TRUE(Sound->Midi.IsPlaying());
    EXPECT_EQ(Sound->Midi.EventBuffer().Count(), MidiEventBuffer::MaxEvents);
    Sound->PlaySoundCommand(std::string(1 << 20, 'C'));
    Sound->PlaySoundCommand("C4 L-5 R-1");
    for (int i = 0; i < 5000; ++i)
        Sound->PlaySoundCommand("E4");
    EXPECT_EQ(Sound->MusicQueue.size(), SoundCommands::MusicQueueLimit);
    Sound->StopMusic();
    ASSERT_TRUE(RunToSilence());
}

TEST_F(SoundCommandsTest, DestroyingWithAQueueStartsNothingNew) {
    Sound->PlaySoundCommand("C4 L100");
    Sound->PlaySoundCommand("E4");
    Rig.RunFor(Milliseconds(30));
    Sound.reset();
    EXPECT_FALSE(Rig.Devices.HasOpenStream());
    EXPECT_EQ(Rig.NoteOns().size(), 1u);
    EXPECT_EQ(Rig.Sounding(), 0);
}

// The rig's outputs behind an open that takes its time: no device until the test says the open
// has ended, then the rig's devices (or none) and a description.
class OpeningDevices final : public MidiDevices {
  public:
    explicit OpeningDevices(MidiDevices& inner) : Inner(inner) {}

    uint32_t NumDevs() const override { return Open && Works ? Inner.NumDevs() : 0; }
    MMRESULT TestOpen(uint32_t id) override {
        return Open && Works ? Inner.TestOpen(id) : MmNoDriver;
    }
    MMRESULT OpenStream(uint32_t id, const MidiNotifyTarget& target,
                        std::unique_ptr<MidiStream>& stream) override {
        return Open && Works ? Inner.OpenStream(id, target, stream) : MmNoDriver;
    }
    bool Prepare(EventLoop& loop, std::function<void()> ready) override {
        ++Prepares;
        Loop = &loop;
        Ready = std::move(ready);
        return Open;
    }
    std::string Description() const override { return Open ? Text : std::string(); }

    // The open ends: the ready call goes through the loop, as from the opening thread.
    void Finish(bool works, std::string text) {
        Works = works;
        Text = std::move(text);
        Loop->QueueCall([this] {
            Open = true;
            if (Ready)
                Ready();
        });
    }

    int Prepares = 0;

  private:
    MidiDevices& Inner;
    EventLoop* Loop = nullptr;
    std::function<void()> Ready;
    bool Open = false;
    bool Works = false;
    std::string Text;
};

class SoundWhileTheOutputOpens : public ::testing::Test {
  protected:
    test::MidiRig Rig;
    OpeningDevices Devices{Rig.Devices};
    std::unique_ptr<SoundCommands> Sound =
        std::make_unique<SoundCommands>(Rig.Con, Devices, Rig.Printed, Rig.Shared);
    std::vector<std::string>& Lines = Rig.Printed.Lines;

    std::vector<int> Keys() const {
        std::vector<int> keys;
        for (const auto& m : Rig.NoteOns())
            keys.push_back(m.Data1);
        return keys;
    }
};

TEST_F(SoundWhileTheOutputOpens, CommandsWaitForTheOutputAndPlayInTheirOrderAfterOneLine) {
    Sound->PlaySoundCommand("C4 L20");
    Sound->PlaySoundCommand("E4 L20");
    EXPECT_EQ(Devices.Prepares, 1);
    EXPECT_FALSE(Sound->Midi.IsPlaying());
    Rig.RunFor(Milliseconds(500));
    EXPECT_TRUE(Keys().empty());
    EXPECT_TRUE(Lines.empty());

    Devices.Finish(true, "FluidSynth (alsa), /fonts/gm.sf2");
    EXPECT_TRUE(Rig.Loop.RunQueuedCalls());
    ASSERT_EQ(Lines.size(), 1u);
    EXPECT_EQ(Lines[0], "\x87\xCC\xF3\xE7\xFB\xEA\xE0: \x8B" // Музыка:
                        "FluidSynth (alsa), /fonts/gm.sf2\x87");
    EXPECT_TRUE(Sound->Midi.IsPlaying());
    ASSERT_TRUE(
        Rig.RunUntil([&] { return !Sound->Midi.IsPlaying() && Sound->MusicQueue.empty(); }));
    EXPECT_EQ(Keys(), (std::vector<int>{48, 52}));
    // Later commands play at once and say nothing more.
    Sound->PlaySoundCommand("G4");
    EXPECT_TRUE(Sound->Midi.IsPlaying());
    EXPECT_EQ(Lines.size(), 1u);
    EXPECT_EQ(Devices.Prepares, 1);
}

TEST_F(SoundWhileTheOutputOpens, WithoutAnOutputThePlayerIsToldWhyOnceAndNothingWaits) {
    Sound->PlaySoundCommand("C4 L20");
    Sound->PlaySoundCommand("R0 D4");
    Devices.Finish(false, "no soundfont");
    EXPECT_TRUE(Rig.Loop.RunQueuedCalls());
    ASSERT_EQ(Lines.size(), 1u);
    EXPECT_EQ(
        Lines[0],
        "\x8C\xCD\xE5\xF2 \xE2\xFB\xE2\xEE\xE4\xE0 \xE7\xE2\xF3\xEA\xE0: " // Нет вывода звука:
        "\x87no soundfont\x87");
    for (int i = 0; i < 5; ++i)
        Sound->PlaySoundCommand("E4");
    EXPECT_FALSE(Sound->Midi.IsPlaying());
    EXPECT_TRUE(Sound->MusicQueue.empty());
    EXPECT_EQ(Lines.size(), 1u);
}

TEST_F(SoundWhileTheOutputOpens, StopMusicForgetsWhatWaitsAndLateNewsOfGoneCommandsIsIgnored) {
    Sound->PlaySoundCommand("C4");
    Sound->StopMusic();
    Devices.Finish(true, "recorder");
    EXPECT_TRUE(Rig.Loop.RunQueuedCalls());
    Rig.RunFor(Milliseconds(500));
    EXPECT_TRUE(Keys().empty());
    EXPECT_EQ(Lines.size(), 1u);

    // Commands gone while their output still opens: the news finds nobody.
    test::MidiRig rig;
    OpeningDevices devices(rig.Devices);
    auto sound = std::make_unique<SoundCommands>(rig.Con, devices, rig.Printed, rig.Shared);
    sound->PlaySoundCommand("C4");
    sound.reset();
    devices.Finish(true, "recorder");
    EXPECT_TRUE(rig.Loop.RunQueuedCalls());
    EXPECT_TRUE(rig.Printed.Lines.empty());
    EXPECT_TRUE(rig.NoteOns().empty());
}

} // namespace
} // namespace tolmix
