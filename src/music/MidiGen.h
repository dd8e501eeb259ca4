#pragma once

#include "music/MidiEventBuffer.h"
#include "music/MidiGenTypes.h"
#include "music/MusicString.h"
#include "music/NotifyWindow.h"
#include "platform/MessagePump.h"
#include "platform/MidiStream.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

namespace tolmix {

// What all players of a process share: the instance counter and the id of the first player
// that opened a stream, the only one that may play from then on.
struct MidiPlayerShared {
    int32_t InstanceCounter = 1;
    int32_t OwnerId = 0;

    static MidiPlayerShared& Process();
};

// The MIDI player: turns a music string or one note into one buffer of timed events, plays it
// on a MIDI stream as often as Loops says, and reports the start and end of playing. Every
// wait runs the console's message pump, so key handlers, timers and OnStart/OnStop may run
// inside the play requests.
class TMidiGen final : private NotifyWindow::Procedure {
  public:
    using PlayEvent = std::function<void(TMidiGen& sender)>;

    TMidiGen(MessagePump& pump, MidiDevices& devices,
             MidiPlayerShared& shared = MidiPlayerShared::Process());
    // Stops the piece and waits until its stream has closed.
    ~TMidiGen() override;
    TMidiGen(const TMidiGen&) = delete;
    TMidiGen& operator=(const TMidiGen&) = delete;

    // Published properties; each setter stores the nearest bound of an out-of-range value.
    int32_t GetVolume() const { return Sound.Volume; }
    void SetVolume(int32_t value);
    int32_t GetPan() const { return Sound.Pan; }
    void SetPan(int32_t value);
    int32_t GetReverb() const { return Sound.Reverb; }
    void SetReverb(int32_t value);
    int32_t GetChorus() const { return Sound.Chorus; }
    void SetChorus(int32_t value);
    int32_t GetModulation() const { return Sound.Modulation; }
    void SetModulation(int32_t value);
    int32_t GetPitchBend() const { return Sound.PitchBend; }
    void SetPitchBend(int32_t value);
    int32_t GetPBDelay() const { return Sound.PBDelay; }
    void SetPBDelay(int32_t value);
    int32_t GetPBDuration() const { return Sound.PBDuration; }
    void SetPBDuration(int32_t value);
    uint32_t GetDuration() const { return NoteDuration; }
    void SetDuration(uint32_t value) { NoteDuration = value; }
    TMGNote GetNote() const { return PlayedNote; }
    void SetNote(int32_t value);
    int32_t GetOctave() const { return PlayedOctave; }
    void SetOctave(int32_t value);
    TMGInstrument GetInstrument() const { return static_cast<TMGInstrument>(Sound.Instrument); }
    void SetInstrument(int32_t value);
    TMGChannel GetChannel() const { return MidiChannel; }
    void SetChannel(int32_t value);
    uint32_t GetLoops() const { return LoopCount; }
    void SetLoops(uint32_t value) { LoopCount = value; }
    bool IsPlaying() const { return Playing; }

    PlayEvent OnStart;
    PlayEvent OnStop;

    bool PlayString(std::string_view music);
    bool PlayNote(int32_t note);
    // Note + 12 x Octave.
    bool Play();
    // Ends the piece: at once while it plays, after its current pass while it is starting.
    void Stop();
    bool MidiAvailable();
    bool SetDevice(uint32_t deviceId);

    int32_t InstanceId() const { return Id; }
    // The events of the piece now playing (empty when none is).
    const MidiEventBuffer& EventBuffer() const { return Events; }

  private:
    bool StartCheck();
    bool BuildAndStart(const ScoreList& score, bool simple);
    // A request that passed the start check but has no running stream: Idle and ready again.
    bool FailRequest();
    void CloseStream();
    void WindowProc(const Message& message) override;
    // Runs the message pump until done() holds; false when the stream stopped answering.
    bool PumpUntil(const std::function<bool()>& done);
    // Forgets a stream that no longer answers, as if it had closed.
    void AbandonStream();

    MessagePump& Pump;
    MidiDevices& Devices;
    MidiPlayerShared& Shared;

    std::unique_ptr<MidiStream> Stream;
    uint32_t DeviceId = MidiMapper;
    MidiEventBuffer Events;
    MidiHeader Header;
    int32_t Id;

    MidiSound Sound;
    uint32_t NoteDuration = 50;
    TMGNote PlayedNote = mgC;
    int32_t PlayedOctave = 4;
    TMGChannel MidiChannel = mgCh01;
    uint32_t LoopCount = 1;
    bool Playing = false;

    uint8_t CurrentChannel = 0;
    bool OpenFlag = false;
    bool RepeatFlag = false;
    bool CloseRequested = false;
    uint32_t LoopsLeft = 0;
    bool ReadyFlag = true;
    bool Destroying = false;
    NotifyWindow Window;
};

} // namespace tolmix
