#include "platform/win32/WinmmMidiDevices.h"
#include "platform/win32/WinText.h"

#include <windows.h>

#include <mmsystem.h>

namespace tolmix::win32 {

namespace {

// "нет устройств вывода MIDI"
constexpr const char* NoDevices =
    "\xED\xE5\xF2 \xF3\xF1\xF2\xF0\xEE\xE9\xF1\xF2\xE2 \xE2\xFB\xE2\xEE\xE4\xE0 MIDI";
// "не открывается: "
constexpr const char* CannotOpen = "\xED\xE5 \xEE\xF2\xEA\xF0\xFB\xE2\xE0\xE5\xF2\xF1\xFF: ";

std::string DeviceName(UINT_PTR device) {
    MIDIOUTCAPSW caps{};
    if (::midiOutGetDevCapsW(device, &caps, sizeof caps) != MMSYSERR_NOERROR)
        return "MIDI Mapper";
    return WideToCp1251(std::wstring_view(caps.szPname, wcsnlen(caps.szPname, MAXPNAMELEN)));
}

std::string ErrorText(MMRESULT result) {
    wchar_t text[MAXERRORLENGTH] = {};
    if (::midiOutGetErrorTextW(result, text, MAXERRORLENGTH) != MMSYSERR_NOERROR)
        return "MMRESULT " + std::to_string(result);
    return WideToCp1251(std::wstring_view(text, wcsnlen(text, MAXERRORLENGTH)));
}

// Holds the system timer at 1 ms while the stream it wraps is open.
class FineTimerStream final : public MidiStream {
  public:
    explicit FineTimerStream(std::unique_ptr<MidiStream> stream)
        : Stream(std::move(stream)), Raised(::timeBeginPeriod(1) == TIMERR_NOERROR) {}
    ~FineTimerStream() override {
        Stream.reset(); // its thread stops first
        if (Raised)
            ::timeEndPeriod(1);
    }
    FineTimerStream(const FineTimerStream&) = delete;
    FineTimerStream& operator=(const FineTimerStream&) = delete;

    MMRESULT SetTimeDivision(uint32_t ticks) override { return Stream->SetTimeDivision(ticks); }
    MMRESULT PrepareHeader(MidiHeader& header) override { return Stream->PrepareHeader(header); }
    MMRESULT UnprepareHeader(MidiHeader& header) override {
        return Stream->UnprepareHeader(header);
    }
    MMRESULT Out(MidiHeader& header) override { return Stream->Out(header); }
    MMRESULT Restart() override { return Stream->Restart(); }
    MMRESULT Stop() override { return Stream->Stop(); }
    MMRESULT Reset() override { return Stream->Reset(); }
    MMRESULT Close() override { return Stream->Close(); }

  private:
    std::unique_ptr<MidiStream> Stream;
    bool Raised;
};

} // namespace

WinmmMidiSink::WinmmMidiSink() {
    HMIDIOUT out = nullptr;
    const MMRESULT result = ::midiOutOpen(&out, MIDI_MAPPER, 0, 0, CALLBACK_NULL);
    if (result == MMSYSERR_NOERROR)
        Handle = out;
    else
        Why = ErrorText(result);
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

OpenedMidiOutput OpenWinmmOutput() {
    OpenedMidiOutput result;
    if (::midiOutGetNumDevs() == 0) {
        result.Description = NoDevices;
        return result;
    }
    // The mapper plays on the device the user chose; the first real device is named beside it.
    std::string name = DeviceName(MIDI_MAPPER);
    auto sink = std::make_unique<WinmmMidiSink>();
    if (!sink->Opened()) {
        result.Description = name + " " + CannotOpen + sink->Failure();
        return result;
    }
    const std::string device = DeviceName(0);
    if (device != name)
        name += " (" + device + ")";
    result.Description = name;
    result.Sink = std::move(sink);
    return result;
}

WinmmMidiDevices::WinmmMidiDevices() : Devices(OpenWinmmOutput, Clock) {}

MMRESULT WinmmMidiDevices::OpenStream(uint32_t deviceId, const MidiNotifyTarget& target,
                                      std::unique_ptr<MidiStream>& stream) {
    std::unique_ptr<MidiStream> opened;
    const MMRESULT result = Devices.OpenStream(deviceId, target, opened);
    if (result == MmNoError)
        stream = std::make_unique<FineTimerStream>(std::move(opened));
    return result;
}

} // namespace tolmix::win32
