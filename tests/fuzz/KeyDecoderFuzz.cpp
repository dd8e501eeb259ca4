// Feeds arbitrary terminal input to the key decoder in arbitrary pieces and at arbitrary times.
// Besides memory errors it checks what the decoder promises: nothing stays pending after
// Force, garbage never yields more records than bytes, and a known key after garbage decodes.

#include "platform/VirtualKeys.h"
#include "platform/vt/Charsets.h"
#include "platform/vt/KeyDecoder.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

using namespace tolmix;

namespace {

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

size_t Drain(vt::KeyDecoder& d, TimePoint now, InputRecord* last = nullptr) {
    size_t n = 0;
    InputRecord r;
    while (d.Next(r, now)) {
        ++n;
        if (last)
            *last = r;
    }
    return n;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1)
        return 0;
    // The first byte picks the charset and how the input is cut up.
    const uint8_t control = data[0];
    std::string_view input(reinterpret_cast<const char*>(data) + 1, size - 1);

    vt::KeyDecoder d;
    if (control & 1)
        d.SetSingleByteCharset(vt::Cp1251Chars);
    if (control & 2)
        d.SetEraseByte(0x08);
    const size_t piece = (control >> 2) % 8 + 1;
    const bool wait = (control & 0x80) != 0;

    TimePoint now = TimePoint{} + std::chrono::hours(1);
    size_t records = 0;
    for (size_t pos = 0; pos < input.size(); pos += piece) {
        d.Feed(input.substr(pos, piece), now);
        records += Drain(d, now);
        if (wait) {
            // Sometimes let the escape wait run out between pieces.
            now += vt::KeyDecoder::EscapeWait * (input[pos] & 1);
            records += Drain(d, now);
        }
    }
    d.Force();
    records += Drain(d, now);
    Check(records <= input.size());
    Check(!d.Deadline());

    d.Feed("\x1b[1;5D", now);
    InputRecord last;
    Check(Drain(d, now, &last) == 1);
    Check(last.Type == InputRecord::Kind::Key && last.Key.VirtualKey == VkLeft &&
          last.Key.ControlKeyState == (LeftCtrlPressed | EnhancedKey));
    return 0;
}
