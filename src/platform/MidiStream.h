#pragma once

#include "platform/EventLoop.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace tolmix {

// Results of the MIDI operations, numbered as the multimedia system numbers them; 0 is success.
using MMRESULT = uint32_t;
inline constexpr MMRESULT MmNoError = 0;
inline constexpr MMRESULT MmError = 1;
inline constexpr MMRESULT MmBadDeviceId = 2;
inline constexpr MMRESULT MmAllocated = 4;
inline constexpr MMRESULT MmInvalidHandle = 5;
inline constexpr MMRESULT MmNoDriver = 6;
inline constexpr MMRESULT MmInvalidParam = 11;
inline constexpr MMRESULT MidiUnprepared = 64;
inline constexpr MMRESULT MidiStillPlaying = 65;

// The device id that means "whichever output the system prefers".
inline constexpr uint32_t MidiMapper = 0xFFFFFFFF;

// A stream's notifications arrive as thread messages with these ids; WParam is the window
// given at the open, LParam its callback data.
inline constexpr uint32_t MomOpen = 0x3C7;
inline constexpr uint32_t MomClose = 0x3C8;
inline constexpr uint32_t MomDone = 0x3C9;
inline constexpr uint32_t MomPositionCb = 0x3CA;

// A stream event is three little-endian words: delta ticks, stream id (0), and the event, whose
// high byte is its type and flags; a short message keeps status and data in the low bytes.
inline constexpr uint32_t MidiEventSize = 12;
inline constexpr uint8_t MevtShortMsg = 0x00;
inline constexpr uint8_t MevtTempo = 0x01;
inline constexpr uint8_t MevtNop = 0x02;
inline constexpr uint8_t MevtCallbackFlag = 0x40; // sounding it posts MomPositionCb
inline constexpr uint8_t MevtLongFlag = 0x80; // parameter bytes follow; their count is low 24 bits

// One stream buffer may hold at most this many bytes.
inline constexpr uint32_t MidiStreamBufferLimit = 65535;

inline constexpr uint32_t MhdrDone = 0x1;
inline constexpr uint32_t MhdrPrepared = 0x2;
inline constexpr uint32_t MhdrInQueue = 0x4;

// Describes one buffer of events to a stream. The bytes stay in place, unchanged, from the
// moment the buffer is queued until its MomDone.
struct MidiHeader {
    const uint8_t* Data = nullptr;
    uint32_t BufferLength = 0;
    uint32_t BytesRecorded = 0;
    uint32_t Flags = 0;  // MHDR_*, kept by the stream
    uint32_t Offset = 0; // byte offset of the event that caused the last position notification
};

// Where a stream posts its notifications.
struct MidiNotifyTarget {
    EventLoop* Loop = nullptr;
    uint64_t Window = 0;
    int64_t Instance = 0;
};

// An open MIDI stream: a queue of event buffers played on the stream's own clock, which starts
// stopped. Time division defaults to 96 ticks and the tempo to 500,000 microseconds per quarter
// note. Each queued buffer comes back with MomDone when it has been played to its end or
// handed back by Stop or Reset.
class MidiStream {
  public:
    // A stream destroyed without Close falls silent and posts nothing more.
    virtual ~MidiStream() = default;
    virtual MMRESULT SetTimeDivision(uint32_t ticksPerQuarterNote) = 0;
    virtual MMRESULT PrepareHeader(MidiHeader& header) = 0;
    // Fails with MidiStillPlaying while the buffer is queued.
    virtual MMRESULT UnprepareHeader(MidiHeader& header) = 0;
    virtual MMRESULT Out(MidiHeader& header) = 0;
    // Starts the clock, or resumes it; nothing when it runs.
    virtual MMRESULT Restart() = 0;
    // Stops the clock, silences the notes it started and hands back every queued buffer.
    virtual MMRESULT Stop() = 0;
    // Stop, and all notes off on every channel.
    virtual MMRESULT Reset() = 0;
    // Fails with MidiStillPlaying while buffers are queued; MomClose follows success,
    // and it is the stream's last notification. Every call after it fails.
    virtual MMRESULT Close() = 0;
};

// The MIDI outputs of the machine.
class MidiDevices {
  public:
    virtual ~MidiDevices() = default;
    virtual uint32_t NumDevs() const = 0;
    // Opens the output and closes it again: whether it can be opened now.
    virtual MMRESULT TestOpen(uint32_t deviceId) = 0;
    // One stream on the device; MomOpen is posted before it returns with success.
    virtual MMRESULT OpenStream(uint32_t deviceId, const MidiNotifyTarget& target,
                                std::unique_ptr<MidiStream>& stream) = 0;

    // Whether the outputs can be asked for streams now. Outputs that take long to open (a
    // synthesizer loading its soundfont) start opening on the first call, away from the main
    // thread, and answer false until they are open or known to be missing; then `ready` runs
    // once on the main thread, through the loop's queued calls. Outputs that are always there
    // answer true and never call `ready`.
    virtual bool Prepare(EventLoop& loop, std::function<void()> ready) {
        (void)loop;
        (void)ready;
        return true;
    }
    // Once Prepare has answered true or called `ready`: what plays the music (with a device),
    // or why nothing does (without one), for the player to read. Empty: nothing to say.
    virtual std::string Description() const { return {}; }
};

} // namespace tolmix
