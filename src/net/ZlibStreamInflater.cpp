#include "net/StreamInflater.h"

#if TOLMIX_HAVE_ZLIB
#include <zlib.h>

#include <algorithm>
#include <new>
#include <stdexcept>
#endif

namespace tolmix {

#if TOLMIX_HAVE_ZLIB
namespace {

class ZlibStreamInflater final : public StreamInflater {
  public:
    ZlibStreamInflater() {
        if (inflateInit(&Stream) != Z_OK)
            throw std::bad_alloc();
    }
    ~ZlibStreamInflater() override { inflateEnd(&Stream); }
    ZlibStreamInflater(const ZlibStreamInflater&) = delete;
    ZlibStreamInflater& operator=(const ZlibStreamInflater&) = delete;

    Result Inflate(std::string_view input, std::string& output, std::size_t limit) override {
        if (Broken)
            return {Status::Corrupt, 0};
        const std::size_t before = output.size();
        output.resize(before + limit);
        // zlib counts in uInt: a larger input is taken in part, and the caller comes again.
        const auto inputSize = static_cast<uInt>(std::min<std::size_t>(input.size(), 1u << 30));
        Stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(input.data()));
        Stream.avail_in = inputSize;
        Stream.next_out = reinterpret_cast<Bytef*>(output.data() + before);
        Stream.avail_out = static_cast<uInt>(limit);
        const int code = limit == 0 && inputSize == 0 ? Z_BUF_ERROR : inflate(&Stream, Z_NO_FLUSH);
        const std::size_t consumed = inputSize - Stream.avail_in;
        output.resize(before + (limit - Stream.avail_out));
        switch (code) {
        case Z_OK:
        case Z_BUF_ERROR: // nothing to do until more comes
            return {Status::More, consumed};
        case Z_STREAM_END:
            return {Status::End, consumed};
        case Z_MEM_ERROR:
            throw std::bad_alloc();
        default:
            Broken = true;
            return {Status::Corrupt, consumed};
        }
    }

  private:
    z_stream Stream{};
    bool Broken = false;
};

} // namespace

InflaterFactory ZlibInflaters() {
    return [] { return std::make_unique<ZlibStreamInflater>(); };
}
#else
InflaterFactory ZlibInflaters() {
    return {};
}
#endif

} // namespace tolmix
