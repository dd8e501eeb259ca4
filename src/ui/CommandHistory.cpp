#include "ui/CommandHistory.h"

#include <algorithm>

namespace tolmix {

namespace {

const std::string EmptyLine;

} // namespace

CommandHistory::CommandHistory(int32_t historySize, size_t maxBytes)
    : HistorySize(std::max(historySize, 1)), MaxBytes(maxBytes) {}

void CommandHistory::Add(const std::string& text) {
    if (!text.empty() && (Entries.empty() || Entries.back() != text)) {
        if (Count() >= HistorySize) {
            Bytes -= Entries.front().size();
            Entries.pop_front();
        }
        Entries.push_back(text);
        Bytes += text.size();
        // The newest entry always stays, however long.
        while (Bytes > MaxBytes && Entries.size() > 1) {
            Bytes -= Entries.front().size();
            Entries.pop_front();
        }
    }
    Position = Count();
}

const std::string& CommandHistory::Step(bool newer) {
    if (newer) {
        if (Position < Count())
            ++Position;
    } else {
        Position = Position == 0 ? Count() : Position - 1;
    }
    return Position < Count() ? At(Position) : EmptyLine;
}

} // namespace tolmix
