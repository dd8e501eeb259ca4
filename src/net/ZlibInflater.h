#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

namespace tolmix {

enum class InflateStatus {
    NeedMore, // every byte given was taken; the stream goes on
    Ended,    // the stream's end was read (the bytes after it are plain)
    Corrupt,  // not a valid zlib stream: Error() says why
};

struct InflateResult {
    InflateStatus Status;
    // How many bytes of the slice belong to the compressed stream. NeedMore: all of them (the
    // inflater keeps what it could not read yet). Ended: the bytes after them are plain, and
    // follow the plain bytes that TrailingInput() holds.
    std::size_t Consumed;
};

// Inflates one zlib stream (RFC 1950) as it arrives, in slices of any size down to one byte.
// What one call appends to the output is bounded by its limit; output withheld by the limit is
// produced by the next calls, with or without new input. Memory stays bounded whatever the
// stream expands to: zlib's state and window, the compressed bytes given and not yet read, and
// one byte of output held back to know whether more is pending. A caller that gives no new input
// while HasPendingOutput() holds keeps the unread compressed bytes within one slice.
class ZlibInflater {
  public:
    ZlibInflater();
    ~ZlibInflater();
    ZlibInflater(const ZlibInflater&) = delete;
    ZlibInflater& operator=(const ZlibInflater&) = delete;

    // Appends at most `limit` bytes to `output`. Once the stream has ended or was found corrupt,
    // every later call answers the same, takes nothing and appends nothing (until Reset).
    InflateResult Inflate(std::string_view input, std::string& output, std::size_t limit);
    // Output is withheld by the limit: call again, with empty input if there is no more.
    bool HasPendingOutput() const { return HasLookahead; }
    // zlib's reason for a corrupt stream; empty otherwise.
    std::string_view Error() const { return Message; }
    // After Ended: plain bytes that followed the stream's end in slices given earlier (taken
    // while output was withheld); they come before the unconsumed rest of the last slice.
    std::string_view TrailingInput() const { return Trailing; }
    // Bytes this inflater holds now, zlib's own allocations included.
    std::size_t MemoryInUse() const;
    // Ready for a new stream (a server may start compressing again after an end).
    void Reset();

  private:
    struct Stream;
    // Compressed bytes taken but not read by zlib yet, from HeldStart on.
    void Hold(std::string_view bytes);
    std::string_view HeldBytes() const;

    std::unique_ptr<Stream> Z;
    std::string Held;
    std::size_t HeldStart = 0;
    std::string Trailing;
    std::string Message;
    char Lookahead = 0;
    bool HasLookahead = false;
    bool StreamEnded = false;
    bool Failed = false;
};

} // namespace tolmix
