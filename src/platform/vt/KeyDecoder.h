#pragma once

#include "platform/Clock.h"
#include "platform/InputRecord.h"

#include <array>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace tolmix::vt {

// Turns the bytes a terminal sends into console input records: keys as a PC keyboard under
// Windows reports them, focus changes and bracketed pastes. Pure: the caller reads the terminal,
// feeds the bytes with the time they were read, and waits until Deadline() before calling Next
// again when a sequence is still incomplete.
//
// Decisions worth knowing:
// - A lone ESC is Escape once EscapeWait has passed with nothing after it; ESC followed by a key
//   is Alt + that key; ESC ESC is Alt+Escape (what a terminal sends for Alt+Escape), and ESC ESC
//   followed by a sequence is Alt + that sequence's key (rxvt's Alt+arrows).
// - Feed always joins new bytes to a pending sequence; only Next (when the deadline has passed)
//   and Force decide, so a busy loop that reads late does not split a key in two.
// - 0x7F is Backspace and 0x08 Ctrl+Backspace, as most terminals send them; a terminal whose
//   erase character is 0x08 is announced with SetEraseByte, and then 0x08 is Backspace too.
// - A letter followed by a combining mark in the same read is one key of the composed letter
//   (и + U+0306 is й), as a terminal sends what an input method composes.
// - Super, Hyper and Meta modifiers are dropped: the key record has no bit for them.
// - A paste is one Paste record. Its text is capped at MaxPasteBytes (the rest is dropped, the
//   paste still arrives); a paste whose end marker never comes is delivered as it stands when no
//   byte has arrived for PasteWait, and the bytes after that are keys again.
// - Unknown or malformed sequences are dropped whole. A sequence is held for at most
//   MaxSequenceLength bytes; a longer one is discarded up to its end as it arrives. Terminal
//   replies (OSC, DCS, APC strings) are discarded the same way.
class KeyDecoder {
  public:
    static constexpr auto EscapeWait = std::chrono::milliseconds(25);
    static constexpr auto PasteWait = std::chrono::seconds(1);
    static constexpr size_t MaxSequenceLength = 64;
    static constexpr size_t MaxPasteBytes = size_t{4} << 20;

    KeyDecoder(); // input charset UTF-8

    // For a terminal whose locale is a single-byte charset: byte -> Unicode code point table.
    void SetSingleByteCharset(const std::array<char32_t, 256>& table);
    // The byte the terminal sends for Backspace (termios VERASE): 0x7F (the default) or 0x08.
    void SetEraseByte(uint8_t byte);

    // Bytes read from the terminal at now.
    void Feed(std::string_view bytes, TimePoint now);
    // One complete record, if any. A pending partial sequence whose deadline has passed by now
    // is decided first.
    bool Next(InputRecord& out, TimePoint now);
    // When the pending partial sequence (or unfinished paste) must be decided; nullopt when none.
    std::optional<TimePoint> Deadline() const;
    // Decides everything pending now: a lone ESC becomes Escape, an incomplete sequence is
    // dropped, an unfinished paste is delivered.
    void Force();

    // The colour of a palette entry (0 to 15) as 0xRRGGBB, once the terminal answered a query
    // for it (OSC 4;n;? asked by the backend); nothing before that or from a terminal that
    // does not answer.
    std::optional<uint32_t> ReportedPalette(int index) const;
    // The cursor style (the DECSCUSR number, 0 to 6) the terminal reported in answer to the
    // backend's DECRQSS query; nothing before that or from a terminal that does not answer.
    std::optional<int> ReportedCursorStyle() const { return reportedCursorStyle_; }

  private:
    struct Token;
    enum class Discard { None, Sequence, String };

    // Decodes from the start of bytes; returns how many it used. final: no more bytes follow, so
    // nothing may stay partial.
    size_t Consume(std::string_view bytes, bool final);
    Token ParseToken(std::string_view s, bool final) const;
    Token ParseEscape(std::string_view s, bool final) const;
    Token ParseCsi(std::string_view s, bool final) const;
    Token ParseSs3(std::string_view s, bool final) const;
    Token ParseText(std::string_view s, bool final) const;
    size_t DiscardBytes(std::string_view s, bool final, bool& wait);
    size_t PasteBytes(std::string_view s);
    void AppendPaste(std::string_view bytes);
    void FinishPaste();
    void Apply(const Token& token);
    // A combining mark typed right after a letter still waiting to be taken makes one letter
    // of the two (и + U+0306 is й); false when no letter waits or the two make none.
    bool ComposeWithLastKey(char32_t mark);
    void Decide();
    void StringEnded();

    static constexpr size_t MaxStringHead = 64;

    std::unique_ptr<std::array<char32_t, 256>> singleByte_; // null: UTF-8
    uint8_t eraseByte_ = 0x7F;

    std::string pending_; // an incomplete token, at most a sequence's length
    std::deque<InputRecord> ready_;
    TimePoint lastInput_{};
    Discard discard_ = Discard::None;
    char stringIntroducer_ = 0; // ']' OSC, 'P' DCS, '_' APC
    std::string stringHead_;    // the start of the OSC or DCS string read, at most MaxStringHead
    std::array<std::optional<uint32_t>, 16> reportedPalette_{};
    std::optional<int> reportedCursorStyle_;

    bool inPaste_ = false;
    std::string paste_; // raw bytes as the terminal sent them
    size_t pasteEndMatched_ = 0;
    bool pasteTruncated_ = false;
    uint64_t pasteLeftOut_ = 0; // characters past the limit, counted only
};

} // namespace tolmix::vt
