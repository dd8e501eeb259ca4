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
      OutputSize(std::max(outputSize, 1)), BlankRow(static_cast<size_t>(SizeX), BlankCell) {
    Output.reserve(static_cast<size_t>(OutputSize) * static_cast<size_t>(SizeX));
}

Cell* OutputBuffer::Row(int64_t row) {
    const size_t start = static_cast<size_t>(row % OutputSize) * SizeX;
    // Rows are written in order, so the ring grows a row at a time, inside its reserve.
    if (start + SizeX > Output.size())
        Output.resize(start + SizeX, BlankCell);
    return &Output[start];
}

const Cell* OutputBuffer::ShownRow(int64_t row) const {
    const size_t start = static_cast<size_t>(row % OutputSize) * SizeX;
    return start + SizeX > Output.size() ? BlankRow.data() : &Output[start];
}

void OutputBuffer::AppendOutput(std::string_view text) {
    const int64_t start = LineCount;
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
    if (ViewTop >= start - OutputRows)
        ScrollOutputToEnd();
}

void OutputBuffer::DrawOutput() {
    for (int y = 0; y < OutputRows; ++y)
        Con.WriteCells(ShownRow(ViewTop + y), SizeX, MakeCoord(0, y));
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
    return ShownRow(row)[column];
}

} // namespace tolmix
