#include "ui/CommandHistory.h"

#include <algorithm>

namespace tolmix {

namespace {

const std::string EmptyLine;

} // namespace

CommandHistory::CommandHistory(int32_t historySize) : HistorySize(std::max(historySize, 1)) {}

void CommandHistory::Add(const std::string& text) {
    if (!text.empty() && (Entries.empty() || Entries.back() != text)) {
        if (Count() >= HistorySize)
            Entries.pop_front();
        Entries.push_back(text);
    }
    HistoryIndex = Count();
}

const std::string& CommandHistory::Step(bool newer) {
    if (newer) {
        if (HistoryIndex < Count())
            ++HistoryIndex;
    } else {
        HistoryIndex = HistoryIndex == 0 ? Count() : HistoryIndex - 1;
    }
    return HistoryIndex < Count() ? At(HistoryIndex) : EmptyLine;
}

} // namespace tolmix
