#include "platform/win32/WinmmMidiDevices.h"

#include <windows.h>

#include <mmsystem.h>

namespace tolmix::win32 {

WinmmMidiSink::WinmmMidiSink() {
    HMIDIOUT out = nullptr;
    if (::midiOutGetNumDevs() > 0 &&
        ::midiOutOpen(&out, MIDI_MAPPER, 0, 0, CALLBACK_NULL) == MMSYSERR_NOERROR)
        Handle = out;
}

WinmmMidiSink::~WinmmMidiSink() {
    if (Handle) {
        ::midiOutReset(static_cast<HMIDIOUT>(Handle));
        ::midiOutClose(static_cast<HMIDIOUT>(Handle));
    }
}

void WinmmMidiSink::Send(uint8_t status, uint8_t data1, uint8_t data2) {
    if (Handle)
        ::midiOutShortMsg(static_cast<HMIDIOUT>(Handle),
                          static_cast<DWORD>(status | data1 << 8 | data2 << 16));
}

WinmmMidiDevices::~WinmmMidiDevices() {
    Software.reset();
    Sink.reset();
    if (FinePeriod)
        ::timeEndPeriod(1);
}

SoftwareMidiDevices& WinmmMidiDevices::Devices() const {
    if (!Software) {
        Sink = std::make_unique<WinmmMidiSink>();
        if (!Sink->Opened())
            Sink.reset();
        Software = std::make_unique<SoftwareMidiDevices>(Sink.get(), Clock);
    }
    return *Software;
}

uint32_t WinmmMidiDevices::NumDevs() const {
    return Devices().NumDevs();
}

MMRESULT WinmmMidiDevices::TestOpen(uint32_t deviceId) {
    return Devices().TestOpen(deviceId);
}

MMRESULT WinmmMidiDevices::OpenStream(uint32_t deviceId, const MidiNotifyTarget& target,
                                      std::unique_ptr<MidiStream>& stream) {
    const MMRESULT result = Devices().OpenStream(deviceId, target, stream);
    // The stream's thread sleeps until each event is due; at the default period of the
    // system timer (15.6 ms) notes would come late and unevenly.
    if (result == MmNoError && !FinePeriod)
        FinePeriod = ::timeBeginPeriod(1) == TIMERR_NOERROR;
    return result;
}

} // namespace tolmix::win32
