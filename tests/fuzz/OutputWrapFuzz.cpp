// Feeds arbitrary lines to the output buffer at a width and in a wrap mode the input chooses,
// with resizes between them, and checks that the rows after the resizes are cell for cell the
// rows of printing the same lines at the last width (while the ring holds every line).
//
// Input: a width byte, a mode byte, then lines ended by '\n'; a line "\x01" followed by a byte
// resizes to that width; the text after the last '\n' is shown as the unfinished line.
#include "support/FakeTerminal.h"
#include "ui/ConsoleScreen.h"
#include "ui/OutputBuffer.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using namespace tolmix;

namespace {

constexpr int32_t RingRows = 2000;
constexpr int32_t WindowRows = 10;
constexpr int MostWidth = 48;

int WidthOf(uint8_t byte) {
    return 1 + byte % MostWidth;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2)
        return 0;
    test::FakeTerminal term;
    ConsoleScreen console(term);
    console.SetBufferSize(MakeCoord(MostWidth, WindowRows + 4));
    const int first = WidthOf(data[0]);
    const WrapMode mode = data[1] % 2 ? WrapMode::AtWords : WrapMode::AtEdge;
    OutputBuffer resized(console, first, RingRows, WindowRows, mode);

    std::string_view input(reinterpret_cast<const char*>(data + 2), size - 2);
    std::vector<std::string> lines;
    int width = first;
    while (true) {
        const size_t end = input.find('\n');
        if (end == std::string_view::npos)
            break;
        std::string line(input.substr(0, end));
        input.remove_prefix(end + 1);
        if (line.size() == 2 && line[0] == '\x01') {
            width = WidthOf(static_cast<uint8_t>(line[1]));
            resized.Resize(width, WindowRows);
            continue;
        }
        // A tab's blanks depend on the column it was printed at, which a new width keeps.
        for (char& c : line)
            if (c == '\t')
                c = ' ';
        lines.push_back(line);
        resized.AppendOutput(line);
    }
    std::string unfinished(input);
    for (char& c : unfinished)
        if (c == '\t')
            c = ' ';
    resized.ShowUnfinished(unfinished);
    if (resized.WindowTop() < resized.FirstReachableRow())
        __builtin_trap();

    // Every cell of every line can take a row at width 1: with fewer than the ring holds, no
    // line was ever pushed out, and the two buffers must agree.
    if (size + lines.size() + 2 * WindowRows >= static_cast<size_t>(RingRows))
        return 0;
    OutputBuffer printed(console, width, RingRows, WindowRows, mode);
    for (const std::string& line : lines)
        printed.AppendOutput(line);
    printed.ShowUnfinished(unfinished);
    const int64_t rows = printed.RowCount() - printed.FirstReachableRow();
    if (resized.RowCount() - resized.FirstReachableRow() != rows)
        __builtin_trap();
    for (int64_t i = 0; i < rows; ++i)
        for (int x = 0; x < width; ++x)
            if (!(resized.At(resized.FirstReachableRow() + i, x) ==
                  printed.At(printed.FirstReachableRow() + i, x)))
                __builtin_trap();
    if (resized.TextAttr() != printed.TextAttr())
        __builtin_trap();
    return 0;
}
