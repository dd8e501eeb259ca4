#include "ui/OutputBuffer.h"

#include "text/ColourBytes.h"

#include <algorithm>
#include <limits>

namespace tolmix {

namespace {

constexpr Cell BlankCell{' ', 0};
constexpr int TabWidth = 8;
// A row's used cells are kept in 16 bits.
constexpr int MaxWidth = std::numeric_limits<uint16_t>::max();

} // namespace

OutputBuffer::OutputBuffer(ScreenSurface& screen, int sizeX, int32_t outputSize, int32_t outputRows)
    : OutputRows(outputRows), Con(screen), SizeX(std::clamp(sizeX, 1, MaxWidth)),
      OutputSize(std::max(outputSize, 1)), Shapes(static_cast<size_t>(OutputSize)),
      BlankRow(static_cast<size_t>(SizeX), BlankCell) {
    Output.reserve(static_cast<size_t>(OutputSize) * static_cast<size_t>(SizeX));
}

Cell* OutputBuffer::Row(int64_t row) {
    const size_t start = Slot(row) * SizeX;
    // Rows are written in order, so the ring grows a row at a time, inside its reserve.
    if (start + SizeX > Output.size())
        Output.resize(start + SizeX, BlankCell);
    return &Output[start];
}

const Cell* OutputBuffer::ShownRow(int64_t row) const {
    const size_t start = Slot(row) * SizeX;
    return start + SizeX > Output.size() ? BlankRow.data() : &Output[start];
}

void OutputBuffer::AppendMessage(std::string_view text) {
    const uint16_t inForce = CurrentAttr;
    AppendOutput(text);
    CurrentAttr = inForce;
}

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

bool OutputBuffer::TakeBackLine(int64_t firstRow, uint16_t attrBefore) {
    if (Unfinished || firstRow < MinViewTop || firstRow >= LineCount ||
        LineCount - firstRow > OutputRows)
        return false;
    for (int64_t row = firstRow; row < LineCount; ++row)
        std::fill(Row(row), Row(row) + SizeX, BlankCell);
    LineCount = firstRow;
    CurrentAttr = attrBefore;
    return true;
}

void OutputBuffer::KeepInView(bool following) {
    // A window that showed the newest rows follows; one scrolled back stays where it is, unless
    // rows it showed were taken back, or were overwritten by the new ones: then it shows the
    // oldest rows still kept, so that it never holds rows of two turns of the ring.
    if (following || ViewTop > BottomPosition()) {
        ScrollOutputToEnd();
    } else if (ViewTop < MinViewTop) {
        ViewTop = MinViewTop;
        DrawOutput();
    }
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
    const int64_t start = LineCount;
    const int64_t last = LineCount + maxRows;
    Cell* row = Row(LineCount);
    int column = 0;
    bool anyCharacter = false;
    const auto put = [&](uint8_t c) {
        row[column++] = Cell{c, CurrentAttr};
        if (column == SizeX) {
            Shapes[Slot(LineCount)] = {static_cast<uint16_t>(SizeX), 0, LineCount != start};
            ++LineCount;
            row = Row(LineCount);
            column = 0;
        }
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (LineCount == last)
            break;
        const auto c = static_cast<uint8_t>(text[i]);
        if (IsColourByte(c)) {
            CurrentAttr = ColourByteAttr(c);
            continue;
        }
        if (IsBackgroundMark(text, i)) {
            ++i;
            CurrentAttr = static_cast<uint16_t>((CurrentAttr & 0x0F) | BackgroundMarkAttr(text[i]));
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
        Shapes[Slot(LineCount)] = {static_cast<uint16_t>(column), CurrentAttr, LineCount != start};
        ++LineCount;
    } else {
        Shapes[Slot(LineCount - 1)].FillAttr = CurrentAttr;
    }
    if (MinViewTop + OutputSize - OutputRows < LineCount)
        MinViewTop = LineCount - (OutputSize - OutputRows);
}

void OutputBuffer::DrawOutput() {
    for (int y = 0; y < OutputRows; ++y)
        Con.WriteCells(ShownRow(ViewTop + y), SizeX, MakeCoord(0, y));
}

int64_t OutputBuffer::BottomPosition() const {
    return std::max<int64_t>(LineCount - OutputRows, MinViewTop);
}

void OutputBuffer::ScrollOutput(bool down, int64_t count) {
    // Both ends bound both ways: a window left below MinViewTop must not scroll down through
    // ring rows that already hold newer text.
    const int64_t target = down ? ViewTop + count : ViewTop - count;
    ViewTop = std::clamp(target, MinViewTop, BottomPosition());
    DrawOutput();
}

void OutputBuffer::ScrollOutputToEnd() {
    ViewTop = BottomPosition();
    DrawOutput();
}

void OutputBuffer::Resize(int sizeX, int32_t outputRows) {
    // The unfinished line is wrapped again as a whole, after the lines wrapped again.
    const bool following = Following();
    TakeBackUnfinished();
    WrapAgain(sizeX, outputRows);
    StoreUnfinished();
    if (following)
        ViewTop = BottomPosition();
}

void OutputBuffer::WrapAgain(int sizeX, int32_t outputRows) {
    sizeX = std::clamp(sizeX, 1, MaxWidth);
    outputRows = std::max(outputRows, 0);
    const bool following = ViewTop >= BottomPosition();
    const auto size = static_cast<int32_t>(std::clamp<int64_t>(
        2 * int64_t{outputRows}, OutputSize, std::numeric_limits<int32_t>::max()));
    if (sizeX == SizeX && size == OutputSize) {
        OutputRows = outputRows;
        MinViewTop = std::max(MinViewTop, LineCount - (OutputSize - OutputRows));
        ViewTop = following ? BottomPosition() : std::clamp(ViewTop, MinViewTop, BottomPosition());
        return;
    }

    // The lines the window can still reach: from the start of the line holding MinViewTop,
    // unless that start has already left the ring.
    const int64_t oldest = std::max<int64_t>(0, LineCount - OutputSize);
    int64_t first = std::clamp(MinViewTop, oldest, LineCount);
    while (first > oldest && first < LineCount && Shapes[Slot(first)].Continues)
        --first;
    // The rows after `row` that hold the rest of its line, and the cells the line uses.
    const auto lineOf = [&](int64_t row, int64_t& cells) {
        int64_t end = row;
        cells = 0;
        do {
            cells += Shapes[Slot(end)].Used;
            ++end;
        } while (end < LineCount && Shapes[Slot(end)].Continues);
        return end;
    };
    const auto rowsFor = [&](int64_t cells) {
        return cells == 0 ? 1 : (cells + sizeX - 1) / sizeX;
    };

    int64_t total = 0;
    for (int64_t row = first, cells = 0; row < LineCount; total += rowsFor(cells))
        row = lineOf(row, cells);
    // The newest rows that fit, numbered so that neither the line counter nor the scrollback's
    // bound ever goes back.
    const int64_t kept = std::min<int64_t>(total, size);
    const int64_t base = std::max(LineCount - kept, MinViewTop);
    const int64_t lineCount = base + kept;

    // The ring of the size before last is reused: its pages are already the process's.
    std::vector<Cell>& ring = SpareOutput;
    std::vector<RowShape>& shapes = SpareShapes;
    ring.assign(static_cast<size_t>(size) * static_cast<size_t>(sizeX), BlankCell);
    shapes.assign(static_cast<size_t>(size), RowShape{});
    int64_t next = base - (total - kept); // rows numbered below base are left out
    int64_t viewRow = base;
    for (int64_t row = first, cells = 0; row < LineCount;) {
        const int64_t end = lineOf(row, cells);
        if (ViewTop >= row && ViewTop < end)
            viewRow = next + (ViewTop - row) * SizeX / sizeX;
        const uint16_t fill = Shapes[Slot(end - 1)].FillAttr;
        // The line's cells, row by row, into rows of the new width.
        int column = 0;
        bool continues = false;
        const auto target = [&]() -> Cell* {
            return next >= base ? &ring[static_cast<size_t>(next % size) * sizeX] : nullptr;
        };
        const auto close = [&](int used) {
            if (Cell* out = target()) {
                std::fill(out + used, out + sizeX, Cell{' ', fill});
                shapes[static_cast<size_t>(next % size)] = {static_cast<uint16_t>(used), fill,
                                                            continues};
            }
            ++next;
            continues = true;
            column = 0;
        };
        for (; row < end; ++row) {
            const Cell* from = ShownRow(row);
            int left = Shapes[Slot(row)].Used;
            while (left > 0) {
                if (column == sizeX)
                    close(sizeX);
                const int n = std::min(left, sizeX - column);
                if (Cell* out = target())
                    std::copy(from, from + n, out + column);
                from += n;
                left -= n;
                column += n;
            }
        }
        close(column);
    }

    Output.swap(ring);
    Shapes.swap(shapes);
    BlankRow.assign(static_cast<size_t>(sizeX), BlankCell);
    SizeX = sizeX;
    OutputSize = size;
    OutputRows = outputRows;
    LineCount = lineCount;
    MinViewTop = std::max(base, LineCount - (OutputSize - OutputRows));
    ViewTop = following ? BottomPosition() : std::clamp(viewRow, MinViewTop, BottomPosition());
}

const Cell& OutputBuffer::At(int64_t row, int column) const {
    return ShownRow(row)[column];
}

} // namespace tolmix
