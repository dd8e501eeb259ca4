#include "ui/OutputBuffer.h"

#include "text/ColourBytes.h"

#include <algorithm>
#include <array>
#include <limits>
#include <string>
#include <utility>

namespace tolmix {

namespace {

constexpr Cell BlankCell{' ', 0};
constexpr int TabWidth = 8;
// A row's used cells are kept in 16 bits.
constexpr int MaxWidth = std::numeric_limits<uint16_t>::max();
constexpr uint8_t LineChar = 0xC4; // a box-drawing character of the console code page
// The count of rows below on the split's separator: an arrow down (the glyph of 0x19) and at
// most five digits, ending where the status panel's count ends.
constexpr int CountEnd = 50;
constexpr int64_t MostCounted = 99999;

// The bytes that are a character cell whatever comes next: all but the colour bytes, the lead
// of a background mark and the tab.
constexpr std::array<bool, 256> MakePlainCell() {
    std::array<bool, 256> plain{};
    for (int c = 0; c < 256; ++c)
        plain[static_cast<size_t>(c)] = !(c >= FirstColourByte && c <= LastColourByte) &&
                                        c != static_cast<uint8_t>(BackgroundMark) && c != '\t';
    return plain;
}
constexpr std::array<bool, 256> PlainCell = MakePlainCell();

// Foreground and background swapped.
uint16_t Reversed(uint16_t attr) {
    return static_cast<uint16_t>((attr & 0xFF00) | ((attr & 0x0F) << 4) | ((attr >> 4) & 0x0F));
}

} // namespace

OutputBuffer::OutputBuffer(ScreenSurface& screen, int sizeX, int32_t outputSize, int32_t outputRows,
                           WrapMode wrap)
    : OutputRows(outputRows), Con(screen), Wrap(wrap), SizeX(std::clamp(sizeX, 1, MaxWidth)),
      OutputSize(std::max(outputSize, 1)), Shapes(static_cast<size_t>(OutputSize)),
      BlankRow(static_cast<size_t>(SizeX), BlankCell) {
    Output.reserve(static_cast<size_t>(OutputSize) * static_cast<size_t>(SizeX));
    Con.AddView(*this);
}

OutputBuffer::~OutputBuffer() {
    Con.RemoveView(*this);
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
    // Drawn at the next refresh, once for all the lines of a pass.
    if (following || ViewTop > BottomPosition()) {
        ViewTop = BottomPosition();
        DrawPending = true;
    } else if (ViewTop < MinViewTop) {
        ViewTop = MinViewTop;
        DrawPending = true;
    } else if (Split().LowerRows > 0) {
        DrawPending = true; // the newest rows below the separator follow
    }
}

void OutputBuffer::Refresh() {
    if (DrawPending)
        DrawOutput();
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
    struct RingRows {
        OutputBuffer& Out;
        int64_t Start;
        int64_t Most;
        Cell* Open(int64_t index) { return index < Most ? Out.Row(Start + index) : nullptr; }
        void Close(int64_t index, const RowShape& shape) {
            Out.Shapes[Out.Slot(Start + index)] = shape;
        }
    } rows{*this, start, std::max<int64_t>(maxRows, 1)};
    LineWrapper wrapper(rows, SizeX, Wrap);
    const auto* bytes = reinterpret_cast<const uint8_t*>(text.data());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<uint8_t>(text[i]);
        if (PlainCell[c]) {
            // A run of characters goes in at once: most of a line is nothing else.
            std::size_t end = i + 1;
            while (end < text.size() && PlainCell[bytes[end]])
                ++end;
            if (!wrapper.Put(bytes + i, static_cast<int64_t>(end - i), CurrentAttr))
                break;
            i = end - 1;
            continue;
        }
        if (IsColourByte(c)) {
            CurrentAttr = ColourByteAttr(c);
            continue;
        }
        if (IsBackgroundMark(text, i)) {
            ++i;
            CurrentAttr = static_cast<uint16_t>((CurrentAttr & 0x0F) | BackgroundMarkAttr(text[i]));
            continue;
        }
        if (c != '\t') {
            if (!wrapper.Put(Cell{c, CurrentAttr}))
                break;
            continue;
        }
        // A tab moves to the next multiple of eight columns, as a terminal's tab stops do
        // (servers lay out tables and rooms with them); the other control bytes stay glyphs.
        const int column = wrapper.NextColumn();
        const int stop = std::min((column / TabWidth + 1) * TabWidth, SizeX);
        bool room = true;
        for (int blanks = stop - column; blanks > 0 && room; --blanks)
            room = wrapper.Put(Cell{' ', CurrentAttr});
        if (!room)
            break;
    }
    // The last row's free cells, or a line without characters, are closed with blanks.
    LineCount = start + wrapper.Finish(CurrentAttr);
    if (MinViewTop + OutputSize - OutputRows < LineCount)
        MinViewTop = LineCount - (OutputSize - OutputRows);
}

void OutputBuffer::DrawOutput() {
    ++DrawCount;
    DrawPending = false;
    const OutputSplit split = Split();
    for (int y = 0; y < split.UpperRows; ++y)
        DrawRow(ViewTop + y, y);
    if (split.LowerRows > 0)
        DrawNewest(split);
}

void OutputBuffer::DrawRow(int64_t row, int y) {
    if (Highlighted.empty()) {
        Con.WriteCells(ShownRow(row), SizeX, MakeCoord(0, y));
        return;
    }
    const auto spans =
        std::equal_range(Highlighted.begin(), Highlighted.end(), CellSpan{row, 0, 0},
                         [](const CellSpan& a, const CellSpan& b) { return a.Row < b.Row; });
    if (spans.first == spans.second) {
        Con.WriteCells(ShownRow(row), SizeX, MakeCoord(0, y));
        return;
    }
    HighlightRow.assign(ShownRow(row), ShownRow(row) + SizeX);
    for (auto span = spans.first; span != spans.second; ++span) {
        for (int x = std::max(span->From, 0); x < std::min(span->To, SizeX); ++x) {
            Cell& cell = HighlightRow[static_cast<size_t>(x)];
            cell.Attr = Reversed(cell.Attr);
        }
    }
    Con.WriteCells(HighlightRow.data(), SizeX, MakeCoord(0, y));
}

void OutputBuffer::DrawNewest(OutputSplit split) {
    const auto separator = static_cast<int16_t>(split.UpperRows);
    Con.FillRect(MakeCoord(0, separator), SizeX, 1, LineChar, SplitLineAttr);
    std::string count(1, '\x19');
    count += std::to_string(std::min(RowsBelowWindow(), MostCounted));
    const int end = std::min(CountEnd, SizeX);
    Con.WriteText(count, SplitCountAttr,
                  MakeCoord(static_cast<int16_t>(std::max(0, end - static_cast<int>(count.size()))),
                            separator));
    // The rows the whole window shows at the bottom, as many as fit below the separator.
    const int64_t first = BottomPosition() + OutputRows - split.LowerRows;
    for (int y = 0; y < split.LowerRows; ++y)
        DrawRow(first + y, split.UpperRows + 1 + y);
}

OutputSplit OutputBuffer::Split() const {
    if (!SplitOn || ViewTop >= BottomPosition())
        return {OutputRows, 0};
    return SplitOutputRows(OutputRows);
}

void OutputBuffer::UseSplitView(bool on, uint16_t lineAttr, uint16_t countAttr) {
    SplitOn = on;
    SplitLineAttr = lineAttr;
    SplitCountAttr = countAttr;
}

void OutputBuffer::Highlight(std::vector<CellSpan> spans) {
    std::stable_sort(spans.begin(), spans.end(),
                     [](const CellSpan& a, const CellSpan& b) { return a.Row < b.Row; });
    Highlighted = std::move(spans);
    DrawOutput();
}

std::optional<int64_t> OutputBuffer::RowOnWindow(int32_t windowRow) const {
    if (windowRow < 0 || windowRow >= OutputRows)
        return std::nullopt;
    const OutputSplit split = Split();
    if (windowRow < split.UpperRows)
        return ViewTop + windowRow;
    if (windowRow == split.UpperRows)
        return std::nullopt;
    // Below the separator: the newest rows, as DrawNewest shows them.
    return BottomPosition() + OutputRows - split.LowerRows + (windowRow - split.UpperRows - 1);
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

void OutputBuffer::ScrollOutputTo(int64_t top) {
    ViewTop = std::clamp(top, MinViewTop, BottomPosition());
    DrawOutput();
}

void OutputBuffer::ShowRow(int64_t row) {
    const int32_t rows = SplitOn ? SplitOutputRows(OutputRows).UpperRows : OutputRows;
    ScrollOutputTo(row - rows / 2);
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
    // The end of the rows from `row` that hold its line.
    const auto lineEnd = [&](int64_t row) {
        do
            ++row;
        while (row < LineCount && Shapes[Slot(row)].Continues);
        return row;
    };
    // Lays the line of the rows [row, end) into rows of the new width by the same rule as when
    // it was printed, `rows` giving the memory; answers the rows it took, and where the row at
    // the window's top begins among them.
    const auto wrapLine = [&](auto& rows, int64_t row, int64_t end, int64_t& viewIndex) {
        LineWrapper wrapper(rows, sizeX, Wrap);
        for (; row < end; ++row) {
            const RowShape& shape = Shapes[Slot(row)];
            if (row == ViewTop)
                viewIndex = wrapper.NextRow();
            wrapper.Put(ShownRow(row), shape.Used);
            for (int n = shape.Hidden; n > 0; --n)
                wrapper.Put(Cell{' ', shape.HiddenAttr});
        }
        return wrapper.Finish(Shapes[Slot(end - 1)].FillAttr);
    };
    // Where a line breaks depends on its words, so the rows are counted by laying every line
    // once; that pass, and the rows left out below, use two spare rows (a word may move from
    // one to the next).
    std::vector<Cell> spare(2 * static_cast<size_t>(sizeX));
    struct SpareRows {
        Cell* Spare;
        int Width;
        Cell* Open(int64_t index) { return Spare + (index & 1) * Width; }
        void Close(int64_t, const RowShape&) {}
    } counting{spare.data(), sizeX};

    int64_t total = 0;
    int64_t unused = 0;
    for (int64_t row = first; row < LineCount;) {
        const int64_t end = lineEnd(row);
        total += wrapLine(counting, row, end, unused);
        row = end;
    }
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
    // The rows of one line, numbered from `First`; those numbered below `Base` are left out.
    struct NewRows {
        std::vector<Cell>& Ring;
        std::vector<RowShape>& Shapes;
        Cell* Spare;
        int Width;
        int32_t Size;
        int64_t Base;
        int64_t First = 0;
        Cell* Open(int64_t index) {
            const int64_t n = First + index;
            return n >= Base ? &Ring[static_cast<size_t>(n % Size) * Width]
                             : Spare + (n & 1) * Width;
        }
        void Close(int64_t index, const RowShape& shape) {
            if (const int64_t n = First + index; n >= Base)
                Shapes[static_cast<size_t>(n % Size)] = shape;
        }
    } placing{ring, shapes, spare.data(), sizeX, size, base};
    placing.First = base - (total - kept);
    int64_t viewRow = base;
    for (int64_t row = first; row < LineCount;) {
        const int64_t end = lineEnd(row);
        int64_t viewIndex = -1;
        const int64_t taken = wrapLine(placing, row, end, viewIndex);
        if (viewIndex >= 0)
            viewRow = placing.First + std::min(viewIndex, taken - 1);
        placing.First += taken;
        row = end;
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
