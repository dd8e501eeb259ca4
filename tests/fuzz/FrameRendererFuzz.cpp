// libFuzzer harness for the frame renderer: two frames and a terminal size from the input.
// Whatever the cells hold, the output must carry no control byte but the ESC of the
// renderer's own sequences, and a frame drawn over itself must send nothing.
#include "platform/vt/FrameRenderer.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string_view>

namespace {

class Input {
  public:
    Input(const uint8_t* data, size_t size) : Data(data), Size(size) {}
    uint8_t Next() { return Position < Size ? Data[Position++] : 0; }

  private:
    const uint8_t* Data;
    size_t Size;
    size_t Position = 0;
};

tolmix::Frame MakeFrame(Input& in) {
    tolmix::Frame frame;
    frame.Resize(in.Next() % 20, in.Next() % 12);
    const uint8_t cursor = in.Next();
    frame.CursorX = static_cast<int8_t>(in.Next());
    frame.CursorY = static_cast<int8_t>(in.Next());
    frame.CursorVisible = cursor & 1;
    frame.CursorSize = cursor >> 1;
    for (tolmix::Cell& cell : frame.Cells) {
        cell.Char = in.Next();
        cell.Attr = static_cast<uint16_t>(in.Next() | in.Next() << 8);
    }
    // Now and then a frame whose cells do not fill its size, which must not be read past.
    if ((cursor & 0x80) && !frame.Cells.empty() && (in.Next() & 0x0F) == 0)
        frame.Cells.pop_back();
    return frame;
}

void Check(std::string_view out) {
    for (const char c : out) {
        const auto b = static_cast<uint8_t>(c);
        if ((b < 0x20 && b != 0x1B) || b == 0x7F)
            std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input in(data, size);
    tolmix::vt::RenderOptions options;
    options.Columns = in.Next() % 24;
    options.Rows = in.Next() % 14;
    options.Synchronized = in.Next() & 1;
    const tolmix::Frame before = MakeFrame(in);
    const tolmix::Frame after = MakeFrame(in);
    Check(tolmix::vt::Render(before, after, options));
    if (after.Cells.size() == static_cast<size_t>(after.Width) * after.Height && after.Width > 0 &&
        !tolmix::vt::Render(after, after, options).empty())
        std::abort();
    return 0;
}
