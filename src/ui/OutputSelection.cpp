#include "ui/OutputSelection.h"

#include "ui/OutputBuffer.h"

#include <algorithm>

namespace tolmix {

void OutputSelection::Begin(TextPlace anchor) {
    Start = End = anchor;
    Selected = false;
}

void OutputSelection::Extend(TextPlace place) {
    End = place;
    Selected = true;
}

ColumnSpan OutputSelection::ColumnsOn(int64_t row, int width) const {
    const TextPlace first = First();
    const TextPlace last = Last();
    if (!Selected || row < first.Row || row > last.Row)
        return {};
    const int from = row == first.Row ? std::clamp(first.Column, 0, width) : 0;
    const int to = row == last.Row ? std::clamp(last.Column + 1, 0, width) : width;
    return {from, std::max(from, to)};
}

namespace {

void TrimBlanks(std::string& text, size_t lineStart) {
    while (text.size() > lineStart && text.back() == ' ')
        text.pop_back();
}

} // namespace

std::string SelectedText(const OutputBuffer& output, const OutputSelection& selection) {
    if (selection.Empty() || output.RowCount() == 0)
        return {};
    const int width = output.Width();
    TextPlace first = selection.First();
    const TextPlace last = selection.Last();
    if (first.Row < output.FirstReachableRow())
        first = {output.FirstReachableRow(), 0};
    const int64_t end = std::min(last.Row, output.RowCount() - 1);
    std::string text;
    size_t lineStart = 0;
    for (int64_t row = first.Row; row <= end; ++row) {
        if (row > first.Row && !output.ContinuesLine(row)) {
            TrimBlanks(text, lineStart);
            text += "\r\n";
            lineStart = text.size();
        }
        const int used = std::clamp(output.UsedCells(row), 0, width);
        const int from = row == first.Row ? std::clamp(first.Column, 0, width) : 0;
        const int to = row == last.Row ? std::clamp(last.Column + 1, 0, used) : used;
        for (int column = from; column < to; ++column)
            text += static_cast<char>(output.At(row, column).Char);
        // The blanks of a break between words, hidden beyond the edge, when the selection goes on.
        if (row < last.Row && to == used)
            text.append(static_cast<size_t>(output.LineCells(row) - used), ' ');
        // The selection reaches the end of its last line's text, or goes past it.
        if (row == end) {
            const bool lineGoesOn = row + 1 < output.RowCount() && output.ContinuesLine(row + 1);
            if (!lineGoesOn && (last.Row > row || last.Column + 1 >= used))
                TrimBlanks(text, lineStart);
        }
    }
    return text;
}

} // namespace tolmix
