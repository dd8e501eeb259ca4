// Feeds the inflater in slices of a size and with an output limit that the input's first bytes
// choose, and checks what the link relies on. Either the rest of the input is taken as a
// compressed stream as it stands (mostly corrupt), or it is split into text and plain bytes and
// the text deflated first, which must come back byte for byte with the plain bytes after it.
// Always: no call appends more than its limit, a call that goes on takes its whole slice, a call
// that ends takes no more than its slice, memory stays within the input plus zlib's own, a
// corrupt stream says why, and output withheld always comes out.
#include "net/ZlibInflater.h"
#include "support/ZlibStreams.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

using namespace tolmix;

namespace {

void Check(bool ok) {
    if (!ok)
        __builtin_trap();
}

struct Outcome {
    std::string Inflated;
    std::string Plain;
    InflateStatus Last = InflateStatus::NeedMore;
};

Outcome Feed(std::string_view wire, std::size_t step, std::size_t limit) {
    Outcome o;
    ZlibInflater inflater;
    bool compressed = true;
    auto call = [&](std::string_view slice) {
        const std::size_t before = o.Inflated.size();
        const InflateResult r = inflater.Inflate(slice, o.Inflated, limit);
        Check(o.Inflated.size() - before <= limit);
        Check(inflater.MemoryInUse() < wire.size() + 64 * 1024);
        o.Last = r.Status;
        switch (r.Status) {
        case InflateStatus::NeedMore:
            Check(r.Consumed == slice.size());
            break;
        case InflateStatus::Ended:
            Check(r.Consumed <= slice.size() && !inflater.HasPendingOutput());
            compressed = false;
            o.Plain += inflater.TrailingInput();
            o.Plain += slice.substr(r.Consumed);
            break;
        case InflateStatus::Corrupt:
            Check(!inflater.Error().empty() && !inflater.HasPendingOutput());
            break;
        }
        // Withheld output is a full piece's worth.
        Check(!inflater.HasPendingOutput() || o.Inflated.size() - before == limit);
    };
    for (std::size_t at = 0; at < wire.size() && o.Last != InflateStatus::Corrupt; at += step) {
        const std::string_view slice = wire.substr(at, step);
        if (!compressed) {
            o.Plain += slice;
            continue;
        }
        call(slice);
        while (compressed && o.Last != InflateStatus::Corrupt && inflater.HasPendingOutput())
            call({});
    }
    return o;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3)
        return 0;
    const bool roundTrip = (data[0] & 1) != 0;
    const std::size_t step = 1 + (data[0] >> 1) % 24;
    const std::size_t limit = 1 + data[1] * 29u;
    std::string_view rest(reinterpret_cast<const char*>(data) + 3, size - 3);
    if (!roundTrip) {
        Feed(rest, step, limit);
        return 0;
    }
    const std::size_t split = rest.empty() ? 0 : data[2] * rest.size() / 256;
    const std::string_view text = rest.substr(0, split);
    const std::string_view plain = rest.substr(split);
    const std::string wire = test::Deflate(text, data[2] % 10) + std::string(plain);
    const Outcome o = Feed(wire, step, limit);
    Check(o.Last == InflateStatus::Ended);
    Check(o.Inflated == text);
    Check(o.Plain == plain);
    return 0;
}
