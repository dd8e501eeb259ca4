#include "ui/OutputBuffer.h"

#include "text/ColourBytes.h"

#include <algorithm>

namespace tolmix {

namespace {

constexpr Cell BlankCell{' ', 0};
constexpr int TabWidth = 8;

} // namespace

OutputBuffer::OutputBuffer(TConsole& console, int sizeX, int32_t outputSize, int32_t outputRows)
    : OutputRows(outputRows), Con(console), SizeX(std::max(sizeX, 1)),
      OutputSize(std::max(outputSize, 1)),
      Output(static_cast<size_t>(OutputSize) * static_cast<size_t>(SizeX), BlankCell) {}

void OutputBuffer::AppendOutput(std::string_view text) {
    const bool following = Following();
    TakeBackUnfinished();
    StoreRows(text);
    StoreUnfinished();
    KeepInView(following);
}

void OutputBuffer::ShowUnfinished(std::string_view text) {
    const bool following = Following();
    TakeBackUnfinished();
    Unfinished = std::string(text);
    StoreUnfinished();
    KeepInView(following);
}

void OutputBuffer::RemoveUnfinished() {
    if (!Unfinished)
        return;
    const bool following = Following();
    TakeBackUnfinished();
    Unfinished.reset();
    KeepInView(following);
}

void OutputBuffer::KeepInView(bool following) {
    // A window that showed the newest rows follows; one scrolled back stays where it is, unless
    // rows it showed were taken back.
    if (following || ViewTop > BottomPosition())
        ScrollOutputToEnd();
}

void OutputBuffer::TakeBackUnfinished() {
    if (!Unfinished)
        return;
    // The rows go back to blanks: a window not yet full shows rows below the last one.
    for (int64_t row = UnfinishedRow; row < LineCount; ++row)
        std::fill(Row(row), Row(row) + SizeX, BlankCell);
    LineCount = UnfinishedRow;
    CurrentAttr = UnfinishedAttr;
    MinViewTop = UnfinishedMinViewTop;
}

void OutputBuffer::StoreUnfinished() {
    if (!Unfinished)
        return;
    UnfinishedRow = LineCount;
    UnfinishedAttr = CurrentAttr;
    UnfinishedMinViewTop = MinViewTop;
    // No more rows than the window has: the ring holds that many beyond the scrollback's
    // reach, so the rows the unfinished line overwrites were out of reach already, and the
    // scrollback keeps its reach once they are taken back.
    StoreRows(*Unfinished, OutputRows);
}

void OutputBuffer::StoreRows(std::string_view text, int64_t maxRows) {
    const int64_t last = LineCount + maxRows;
    Cell* row = Row(LineCount);
    int column = 0;
    bool anyCharacter = false;
    const auto put = [&](uint8_t c) {
        row[column++] = Cell{c, CurrentAttr};
        if (column == SizeX) {
            ++LineCount;
            row = Row(LineCount);
            column = 0;
        }
    };
    for (char ch : text) {
        if (LineCount == last)
            break;
        const auto c = static_cast<uint8_t>(ch);
        if (IsColourByte(c)) {
            CurrentAttr = ColourByteAttr(c);
            continue;
        }
        anyCharacter = true;
        if (c != '\t') {
            put(c);
            continue;
        }
        // A tab moves to the next multiple of eight columns, as a terminal's tab stops do
        // (servers lay out tables and rooms with them); the other control bytes stay glyphs.
        const int stop = std::min((column / TabWidth + 1) * TabWidth, SizeX);
        for (int blanks = stop - column; blanks > 0; --blanks)
            put(' ');
    }
    // A row begun but not full, or a line without characters, is closed with blanks.
    if (column > 0 || !anyCharacter) {
        std::fill(row + column, row + SizeX, Cell{' ', CurrentAttr});
        ++LineCount;
    }
    if (MinViewTop + OutputSize - OutputRows < LineCount)
        MinViewTop = LineCount - (OutputSize - OutputRows);
}

void OutputBuffer::DrawOutput() {
    for (int y = 0; y < OutputRows; ++y)
        Con.WriteCells(Row(ViewTop + y), SizeX, MakeCoord(0, y));
}

int64_t OutputBuffer::BottomPosition() const {
    return std::max<int64_t>(LineCount - OutputRows, MinViewTop);
}

void OutputBuffer::ScrollOutput(bool down, int64_t count) {
    if (down)
        ViewTop = std::min(ViewTop + count, BottomPosition());
    else
        ViewTop = std::max(ViewTop - count, MinViewTop);
    DrawOutput();
}

void OutputBuffer::ScrollOutputToEnd() {
    ViewTop = BottomPosition();
    DrawOutput();
}

const Cell& OutputBuffer::At(int64_t row, int column) const {
    return Output[static_cast<size_t>(row % OutputSize) * SizeX + static_cast<size_t>(column)];
}

} // namespace tolmix
