#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>

namespace tolmix {

// The commands sent, oldest first, with a browsing index. Index Count() stands for the empty
// line after the newest entry. The history lives in memory only.
class CommandHistory {
  public:
    // Besides HistorySize entries, the history holds at most this many bytes of text, so that
    // a few huge pasted commands cannot take all memory; the oldest entries go first.
    static constexpr size_t DefaultMaxBytes = size_t{64} << 20;

    explicit CommandHistory(int32_t historySize, size_t maxBytes = DefaultMaxBytes);

    // Stores a sent text unless it is empty or equals the newest entry (exactly); the oldest
    // entry goes when the history is full. The index then stands on the empty line.
    void Add(const std::string& text);
    // One step newer (stays on the empty line) or older (from the oldest entry it wraps to the
    // empty line); the text now selected, empty for the empty line.
    const std::string& Step(bool newer);

    // Browsing starts again from the empty line and nothing is stored (a password was sent).
    void ToEmptyLine() { Position = Count(); }

    int32_t Count() const { return static_cast<int32_t>(Entries.size()); }
    const std::string& At(int32_t index) const { return Entries[static_cast<size_t>(index)]; }
    // The entry browsing stands on; Count() for the empty line.
    int32_t Index() const { return Position; }

  private:
    int32_t Position = 0;
    const int32_t HistorySize;
    const size_t MaxBytes;
    std::deque<std::string> Entries;
    size_t Bytes = 0;
};

} // namespace tolmix
