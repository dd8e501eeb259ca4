#include "music/MidiGen.h"

#include <algorithm>
#include <chrono>
#include <limits>

namespace tolmix {

namespace {

constexpr uint32_t TicksPerQuarterNote = 50; // at the default tempo a tick is 10 ms

// A stream answers at once; one that stays silent this long is taken for gone, so that a
// broken output never hangs the client.
constexpr Milliseconds AnswerLimit{10000};
constexpr Milliseconds PumpSlice{100};

} // namespace

MidiPlayerShared& MidiPlayerShared::Process() {
    static MidiPlayerShared shared;
    return shared;
}

TMidiGen::TMidiGen(MessagePump& pump, MidiDevices& devices, MidiPlayerShared& shared)
    : Pump(pump), Devices(devices), Shared(shared), Id(shared.InstanceCounter++),
      Window(pump.Loop(), *this) {}

TMidiGen::~TMidiGen() {
    Destroying = true;
    Stop();
    // A piece still starting would play out its pass: stop it as soon as it can be stopped.
    if (Stream && !PumpUntil([this] { return !Stream || ReadyFlag; }))
        AbandonStream();
    Stop();
    if (Stream && !PumpUntil([this] { return !Stream; }))
        AbandonStream();
}

void TMidiGen::SetVolume(int32_t value) {
    Sound.Volume = std::clamp(value, 0, 100);
}
void TMidiGen::SetPan(int32_t value) {
    Sound.Pan = std::clamp(value, -100, 100);
}
void TMidiGen::SetReverb(int32_t value) {
    Sound.Reverb = std::clamp(value, 0, 100);
}
void TMidiGen::SetChorus(int32_t value) {
    Sound.Chorus = std::clamp(value, 0, 100);
}
void TMidiGen::SetModulation(int32_t value) {
    Sound.Modulation = std::clamp(value, 0, 100);
}
void TMidiGen::SetPitchBend(int32_t value) {
    Sound.PitchBend = std::clamp(value, -120, 120);
}
void TMidiGen::SetPBDelay(int32_t value) {
    Sound.PBDelay = std::clamp(value, 0, 100);
}
void TMidiGen::SetPBDuration(int32_t value) {
    Sound.PBDuration = std::clamp(value, 0, 100);
}
void TMidiGen::SetNote(int32_t value) {
    PlayedNote = static_cast<TMGNote>(std::clamp(value, 0, 11));
}
void TMidiGen::SetOctave(int32_t value) {
    PlayedOctave = std::clamp(value, 0, 10);
}
void TMidiGen::SetInstrument(int32_t value) {
    Sound.Instrument = std::clamp(value, 0, InstrumentCount - 1);
}
void TMidiGen::SetChannel(int32_t value) {
    MidiChannel = static_cast<TMGChannel>(std::clamp(value, 0, 15));
}

bool TMidiGen::PlayString(std::string_view music) {
    if (!StartCheck())
        return false;
    LoopsLeft = LoopCount;
    CurrentChannel = MidiChannel;
    ScoreList score;
    const MusicDefaults defaults{PlayedOctave, NoteDuration, Sound.Instrument, CurrentChannel};
    const bool simple = ParseMusicString(music, score, defaults);
    if (score.empty())
        return FailRequest();
    return BuildAndStart(score, simple);
}

bool TMidiGen::PlayNote(int32_t note) {
    if (!StartCheck())
        return false;
    LoopsLeft = LoopCount;
    CurrentChannel = MidiChannel;
    ScoreList score;
    uint8_t noteChannel = PercussionChannel;
    if (CurrentChannel != PercussionChannel) {
        noteChannel = Sound.Instrument >= FirstPercussionSound ? PercussionChannel : CurrentChannel;
        score.push_back({0, ScoreKind::ProgramChange, Sound.Instrument, noteChannel});
    }
    note = std::clamp(note, 0, 127);
    const int32_t value = noteChannel == PercussionChannel && CurrentChannel != PercussionChannel
                              ? Sound.Instrument
                              : note;
    const int32_t end =
        static_cast<int32_t>(std::min<uint32_t>(NoteDuration, std::numeric_limits<int32_t>::max()));
    score.push_back({0, ScoreKind::NoteOn, value, noteChannel});
    score.push_back({end, ScoreKind::NoteOff, value, noteChannel});
    return BuildAndStart(score, true);
}

bool TMidiGen::Play() {
    return PlayNote(PlayedNote + 12 * PlayedOctave);
}

void TMidiGen::Stop() {
    RepeatFlag = false;
    if (Stream && ReadyFlag)
        Stream->Stop();
}

bool TMidiGen::MidiAvailable() {
    return Stream || Devices.TestOpen(DeviceId) == MmNoError;
}

bool TMidiGen::SetDevice(uint32_t deviceId) {
    DeviceId = deviceId;
    const uint32_t count = Devices.NumDevs();
    return count >= 1 && static_cast<int64_t>(static_cast<int32_t>(deviceId)) < int64_t{count};
}

bool TMidiGen::StartCheck() {
    if (Destroying || !ReadyFlag || !MidiAvailable())
        return false;
    ReadyFlag = false;
    RepeatFlag = false;
    if (OpenFlag) {
        if (Stream)
            Stream->Stop();
        if (!PumpUntil([this] { return !OpenFlag; }))
            AbandonStream();
    }
    return true;
}

bool TMidiGen::BuildAndStart(const ScoreList& score, bool simple) {
    if (Shared.OwnerId != 0 && Shared.OwnerId != Id) {
        ReadyFlag = true; // refused: nothing changes
        return false;
    }
    CurrentChannel = MidiChannel;
    const bool bend = Sound.PitchBend != 0 && simple;
    Events.Release();
    BuildPieceEvents(Events, score, Sound, CurrentChannel, bend);

    if (!PumpUntil([this] { return !OpenFlag; }))
        AbandonStream();
    const MidiNotifyTarget target{&Pump.Loop(), Window.Handle(), Id};
    if (Devices.OpenStream(DeviceId, target, Stream) != MmNoError) {
        Stream.reset();
        return FailRequest();
    }
    if (!PumpUntil([this] { return OpenFlag || !Stream; })) {
        AbandonStream();
        return FailRequest();
    }
    if (!Stream)
        return FailRequest();
    Shared.OwnerId = Id;
    Stream->Reset();

    Header = MidiHeader{};
    Header.Data = Events.Data();
    Header.BufferLength = Events.Length();
    Header.BytesRecorded = Events.Length();
    if (Stream->SetTimeDivision(TicksPerQuarterNote) == MmNoError &&
        Stream->PrepareHeader(Header) == MmNoError && Stream->Out(Header) == MmNoError &&
        Stream->Restart() == MmNoError)
        return true;
    // Opened but not running: close it again; its close notification calls OnStop as usual.
    RepeatFlag = false;
    Stream->Reset();
    CloseStream();
    return FailRequest();
}

bool TMidiGen::FailRequest() {
    Events.Release();
    ReadyFlag = true;
    return false;
}

void TMidiGen::CloseStream() {
    CloseRequested = true;
    Stream->UnprepareHeader(Header);
    Stream->Stop();
    Stream->Reset();
    Events.Release();
    if (Stream->Close() != MmNoError)
        AbandonStream();
}

void TMidiGen::WindowProc(const Message& message) {
    if (message.LParam != Id)
        return;
    switch (message.Id) {
    case MomOpen:
        OpenFlag = true;
        Playing = true;
        RepeatFlag = true;
        LoopsLeft = LoopCount;
        if (OnStart)
            OnStart(*this);
        break;
    case MomPositionCb:
        ReadyFlag = true;
        break;
    case MomDone:
        if (!Stream || CloseRequested)
            break;
        if (RepeatFlag && (LoopsLeft == 0 || LoopsLeft > 1) && Stream->Out(Header) == MmNoError &&
            Stream->Restart() == MmNoError) {
            if (LoopsLeft > 1)
                --LoopsLeft;
            break;
        }
        CloseStream();
        break;
    case MomClose:
        OpenFlag = false;
        Playing = false;
        RepeatFlag = false;
        CloseRequested = false;
        Stream.reset();
        if (OnStop)
            OnStop(*this);
        break;
    default:
        break;
    }
}

bool TMidiGen::PumpUntil(const std::function<bool()>& done) {
    EventLoop& loop = Pump.Loop();
    const TimePoint limit = loop.Now() + AnswerLimit;
    while (!done()) {
        if (!Pump.LoopEnded()) {
            Pump.ProcessPending();
        } else {
            // Once the input loop has ended nothing else pumps: deliver the messages here.
            Message message;
            while (!done() && loop.TakeMessage(message))
                if (message.Id != WmQuit)
                    loop.Dispatch(message);
        }
        if (done())
            break;
        if (loop.Now() >= limit)
            return false;
        loop.Wait(std::min(limit, loop.Now() + PumpSlice));
    }
    return true;
}

void TMidiGen::AbandonStream() {
    const bool wasOpen = OpenFlag || Stream;
    Stream.reset();
    Events.Release();
    OpenFlag = false;
    Playing = false;
    RepeatFlag = false;
    CloseRequested = false;
    if (wasOpen && OnStop)
        OnStop(*this);
}

} // namespace tolmix
